#include "live_window.h"

#include <SDL.h>

#include <cstdio>
#include <string>

LiveWindow::~LiveWindow() {
    if (texture != nullptr) SDL_DestroyTexture(texture);
    if (renderer != nullptr) SDL_DestroyRenderer(renderer);
    if (window != nullptr) SDL_DestroyWindow(window);
}

bool LiveWindow::Open(int windowW, int windowH, bool full, int w, int h) {
    frameW = w;
    frameH = h;
    const Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    window = SDL_CreateWindow("Velune", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, windowW, windowH, flags);
    if (window == nullptr) return false;
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (renderer == nullptr) renderer = SDL_CreateRenderer(window, -1, 0);
    if (renderer == nullptr) return false;
    // Smooth scaling: the picture is seldom shown at its own size.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, w, h);
    if (texture == nullptr) return false;
    if (full) SetFullScreen(true);
    return true;
}

void LiveWindow::SetFullScreen(bool on) {
    if (on == fullScreen) return;
    if (SDL_SetWindowFullscreen(window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) == 0) fullScreen = on;
    SDL_ShowCursor(fullScreen ? SDL_DISABLE : SDL_ENABLE);
}

void LiveWindow::WindowedSize(int* w, int* h) const {
    if (!fullScreen) SDL_GetWindowSize(window, w, h);
}

void LiveWindow::DrawFrame(const uint32_t* pixels) {
    int outW = 0, outH = 0;
    SDL_GetRendererOutputSize(renderer, &outW, &outH);
    area = FitPicture(outW, outH, frameW, frameH);
    SDL_UpdateTexture(texture, nullptr, pixels, frameW * 4);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    const SDL_Rect to{area.x, area.y, area.w, area.h};
    SDL_RenderCopy(renderer, texture, nullptr, &to);
}

void LiveWindow::Present() { SDL_RenderPresent(renderer); }

bool LiveWindow::SaveBmp(const char* path) {
    int outW = 0, outH = 0;
    SDL_GetRendererOutputSize(renderer, &outW, &outH);
    const size_t pixels = static_cast<size_t>(outW) * outH;
    if (readBack.size() < pixels) readBack.resize(pixels);
    if (SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_RGB888, readBack.data(), outW * 4) != 0) return false;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(readBack.data(), outW, outH, 32, outW * 4,
                                                        SDL_PIXELFORMAT_RGB888);
    if (s == nullptr) return false;
    // Whole files only: a reader never sees one half written.
    const std::string partial = std::string(path) + ".part";
    const bool saved = SDL_SaveBMP(s, partial.c_str()) == 0 && rename(partial.c_str(), path) == 0;
    SDL_FreeSurface(s);
    return saved;
}
