#include "text_painter.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdlib>
#include <unistd.h>

namespace {

const char* const kFonts[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/freefont/FreeSans.ttf",
    "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc",
};

}  // namespace

TextPainter::~TextPainter() {
    if (atlas != nullptr) SDL_DestroyTexture(atlas);
    if (font != nullptr) TTF_CloseFont(font);
    if (fontPath != nullptr) TTF_Quit();
}

bool TextPainter::Open() {
    const char* chosen = getenv("VELUNE_FONT");
    if (chosen == nullptr || access(chosen, R_OK) != 0) {
        chosen = nullptr;
        for (const char* path : kFonts) {
            if (access(path, R_OK) == 0) {
                chosen = path;
                break;
            }
        }
    }
    if (chosen == nullptr || TTF_Init() != 0) return false;
    fontPath = chosen;
    return true;
}

void TextPainter::SetPixelHeight(SDL_Renderer* renderer, int pixels) {
    if (fontPath == nullptr || pixels == height || pixels < 4) return;
    if (atlas != nullptr) SDL_DestroyTexture(atlas);
    if (font != nullptr) TTF_CloseFont(font);
    atlas = nullptr;
    height = 0;
    // The plug-in's font is 10 pixels from the top of a capital to the
    // bottom of a descender; TTF sizes are a little larger than that.
    font = TTF_OpenFont(fontPath, pixels);
    if (font == nullptr) return;
    const int lineHeight = TTF_FontHeight(font);
    SDL_Surface* sheet = SDL_CreateRGBSurfaceWithFormat(0, (kLast - kFirst + 1) * (pixels + 2), lineHeight, 32,
                                                        SDL_PIXELFORMAT_ARGB8888);
    if (sheet == nullptr) return;
    int x = 0;
    for (int c = kFirst; c <= kLast; ++c) {
        Glyph& g = glyphs[c - kFirst];
        g = Glyph{x, 0};
        SDL_Surface* one = TTF_RenderGlyph_Blended(font, static_cast<Uint16>(c), SDL_Color{255, 255, 255, 255});
        if (one == nullptr) continue;
        SDL_SetSurfaceBlendMode(one, SDL_BLENDMODE_NONE);
        SDL_Rect to{x, 0, one->w, one->h};
        SDL_BlitSurface(one, nullptr, sheet, &to);
        int advance = one->w;
        TTF_GlyphMetrics(font, static_cast<Uint16>(c), nullptr, nullptr, nullptr, nullptr, &advance);
        g.w = advance < one->w ? advance : one->w;
        x += one->w;
        SDL_FreeSurface(one);
    }
    atlas = SDL_CreateTextureFromSurface(renderer, sheet);
    SDL_FreeSurface(sheet);
    if (atlas == nullptr) return;
    SDL_SetTextureBlendMode(atlas, SDL_BLENDMODE_BLEND);
    height = lineHeight;
    shadow = pixels >= 20 ? pixels / 10 : 1;
}

int TextPainter::Draw(SDL_Renderer* renderer, const char* text, int x, int y) const {
    if (atlas == nullptr || text == nullptr) return 0;
    int width = 0;
    for (int pass = 0; pass < 2; ++pass) {
        const Uint8 level = pass == 0 ? 0 : 255;
        const int offset = pass == 0 ? shadow : 0;
        SDL_SetTextureColorMod(atlas, level, level, level);
        int pen = x;
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != '\0'; ++p) {
            const int c = *p >= kFirst && *p <= kLast ? *p : '?';
            // A UTF-8 sequence counts as one unknown character.
            if (*p >= 0x80 && (*p & 0xC0) == 0x80) continue;
            const Glyph& g = glyphs[c - kFirst];
            const SDL_Rect from{g.x, 0, g.w, height};
            const SDL_Rect to{pen + offset, y + offset, g.w, height};
            SDL_RenderCopy(renderer, atlas, &from, &to);
            pen += g.w;
        }
        width = pen - x;
    }
    return width;
}
