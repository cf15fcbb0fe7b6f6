#pragma once
// The SDL window that shows the engine's frames: paced to the display where
// the driver can (vsync), scaled to any window size with the aspect ratio
// kept, in the screen's own pixels on high-DPI desktops.
#include <cstdint>
#include <vector>

#include "picture_fit.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

class LiveWindow {
public:
    ~LiveWindow();
    // Sizes are the desktop's units; false (with SDL_GetError) on failure.
    bool Open(int windowW, int windowH, bool fullScreen, int frameW, int frameH);
    void SetFullScreen(bool on);
    bool FullScreen() const { return fullScreen; }
    // The window's size when not in full screen, for the settings.
    void WindowedSize(int* w, int* h) const;

    // Clears, then draws the frame (0x00RRGGBB pixels) into PictureArea().
    void DrawFrame(const uint32_t* pixels);
    PictureRect PictureArea() const { return area; }
    void Present();
    // Writes what is about to be presented to a BMP file; false on failure.
    bool SaveBmp(const char* path);

    SDL_Renderer* Renderer() const { return renderer; }

private:
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int frameW = 0, frameH = 0;
    bool fullScreen = false;
    PictureRect area{0, 0, 0, 0};
    std::vector<uint32_t> readBack;  // grows only when the window does
};
