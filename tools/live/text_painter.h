#pragma once
// Text over the picture from one texture of the printable ASCII glyphs, made
// once per text size, so drawing a line each frame allocates nothing.
// Characters outside that range are drawn as '?'.
struct SDL_Renderer;
struct SDL_Texture;
struct _TTF_Font;

class TextPainter {
public:
    ~TextPainter();
    // Finds a font (VELUNE_FONT, then the usual Debian fonts); false without one.
    bool Open();
    // Makes the glyphs again when the pixel height changes.
    void SetPixelHeight(SDL_Renderer* renderer, int pixels);
    // Draws with a one-pixel shadow below and to the right, as the plug-in's
    // overlays do; y is the top of the line. Returns the width drawn.
    int Draw(SDL_Renderer* renderer, const char* text, int x, int y) const;
    int Height() const { return height; }

private:
    static constexpr int kFirst = 32, kLast = 126;
    struct Glyph {
        int x, w;
    };
    const char* fontPath = nullptr;
    _TTF_Font* font = nullptr;
    SDL_Texture* atlas = nullptr;
    Glyph glyphs[kLast - kFirst + 1] = {};
    int height = 0;
    int shadow = 1;
};
