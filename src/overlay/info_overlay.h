#pragma once
// The text of the information overlay and of the transient message, and the
// per-frame bookkeeping of both: no GDI here, so all of it is tested natively.
// text_overlay_win32.cpp draws what these functions decide.
#include <cstdint>

constexpr int kInfoLineCount = 7;  // the seventh names how frames reach the screen
constexpr int kInfoLineBytes = 320;  // "Song Info: " and a 255-character title fit
constexpr int kInfoTextX = 20;
constexpr int kInfoFirstLineY = 30;
constexpr int kInfoLineSpacing = 10;
constexpr int kMessageTextX = 30;
constexpr int kMessageMaxLength = 255;

struct InfoValues {
    int frameCount;          // frames since the clock started
    uint32_t startTime;      // timeGetTime when the measurement started
    uint32_t now;            // timeGetTime of this frame
    int width, height;
    int displayWidth, displayHeight, displayBitDepth;
    const char* songTitle;   // up to 255 characters read; null shows nothing
    int playPosition;        // milliseconds
    const char* presentPath = nullptr;  // null: no seventh line
};

struct InfoLines {
    char text[kInfoLineCount][kInfoLineBytes];
    int length[kInfoLineCount];  // characters in each text, for TextOut
};

// Frames per second times ten, truncated. 0 when no millisecond has passed
// (or the clock seems to run backwards); never beyond INT_MAX.
int FpsTenths(int frameCount, uint32_t startTime, uint32_t now);

void FormatInfoLines(const InfoValues& values, InfoLines* lines);

// What ShowInfo does on a frame. The overlays are GDI text on an RGB compose
// surface; on a YUV overlay neither is drawn and neither count moves.
enum class InfoStep { kNothing, kStartClock, kDraw };
InfoStep NextInfoStep(int composeFormat, int showInfo, int frameCount);
bool TextOverlaysAllowed(int composeFormat);

// Counts one frame of the transient message off; true when this frame draws it.
bool TakeMessageFrame(int composeFormat, int* framesLeft);

// Characters of a message to draw, at most kMessageMaxLength.
int MessageLength(const char* text);
