#include "overlay/info_overlay.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "pixels/compose.h"

int FpsTenths(int frameCount, uint32_t startTime, uint32_t now) {
    // Unsigned difference, read as signed: right across the 49-day wrap.
    const int32_t elapsed = static_cast<int32_t>(now - startTime);
    if (elapsed <= 0 || frameCount <= 0) return 0;
    const double tenths = frameCount * 10000.0 / elapsed;
    return tenths >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(tenths);
}

namespace {

// snprintf's count is what it would have written; TextOut needs what it did.
int Clamp(int written) {
    if (written < 0) return 0;
    return written < kInfoLineBytes ? written : kInfoLineBytes - 1;
}

}  // namespace

void FormatInfoLines(const InfoValues& v, InfoLines* lines) {
    const int tenths = FpsTenths(v.frameCount, v.startTime, v.now);
    const char* title = v.songTitle != nullptr ? v.songTitle : "";
    char(*t)[kInfoLineBytes] = lines->text;
    int* n = lines->length;
    n[0] = Clamp(snprintf(t[0], kInfoLineBytes, "Frame Count: %d", v.frameCount));
    n[1] = Clamp(snprintf(t[1], kInfoLineBytes, "FPS: %d.%d", tenths / 10, tenths % 10));
    n[2] = Clamp(snprintf(t[2], kInfoLineBytes, "Screen Size: %d x %d", v.width, v.height));
    n[3] = Clamp(snprintf(t[3], kInfoLineBytes, "Display Size: %d x %d x %d", v.displayWidth, v.displayHeight,
                          v.displayBitDepth));
    n[4] = Clamp(snprintf(t[4], kInfoLineBytes, "Song Info: %.255s", title));
    n[5] = Clamp(snprintf(t[5], kInfoLineBytes, "Song Playing Time: %2d:%02d", v.playPosition / 60000,
                          v.playPosition / 1000 % 60));
    n[6] = v.presentPath != nullptr ? Clamp(snprintf(t[6], kInfoLineBytes, "Presented by: %s", v.presentPath)) : 0;
    if (n[6] == 0) t[6][0] = '\0';
}

bool TextOverlaysAllowed(int composeFormat) {
    return composeFormat != kComposeUyvy && composeFormat != kComposeYuy2;
}

InfoStep NextInfoStep(int composeFormat, int showInfo, int frameCount) {
    if (!TextOverlaysAllowed(composeFormat) || showInfo == 0) return InfoStep::kNothing;
    return frameCount == 0 ? InfoStep::kStartClock : InfoStep::kDraw;
}

bool TakeMessageFrame(int composeFormat, int* framesLeft) {
    if (!TextOverlaysAllowed(composeFormat) || *framesLeft <= 0) return false;
    --*framesLeft;
    return true;
}

int MessageLength(const char* text) {
    return text != nullptr ? static_cast<int>(strnlen(text, kMessageMaxLength)) : 0;
}
