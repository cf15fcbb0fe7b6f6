#pragma once
// The overlay font's DPI, the song title the information overlay shows, and a
// notice: a message that no other one replaces before its time is up.

struct OverlayText {
    int fontDpi = 96;
    int messageFontPixels = 0;  // of messageFont
    void* messageFont = nullptr;  // HFONT of the message and the notice
    char titleText[256] = {};
    char notice[128] = {};
    int noticeFramesLeft = 0;
};
