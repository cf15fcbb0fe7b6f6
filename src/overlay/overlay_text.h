#pragma once
// The overlay font's DPI and the song title the information overlay shows.

struct OverlayText {
    int fontDpi = 96;
    char titleText[256] = {};
};
