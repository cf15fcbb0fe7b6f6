// The information overlay and the transient message: GDI text drawn on the
// compose surface after Compose, so it never enters the frame buffer and the
// transforms never smear it.
#include <windows.h>
#include <mmsystem.h>

#include <climits>

#include "host/plugin.h"
#include "scene/scene.h"
#include "video/error_report_win32.h"
#include "video/info_overlay.h"
#include "video/video.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
const char kReleaseFailed[] = "Video::Render, Error releasing compose buffer device context";

// A busy or lost surface costs this frame its text, nothing more.
bool SkipText(HRESULT result) { return result == DDERR_WASSTILLDRAWING || result == DDERR_SURFACELOST; }

// Black one pixel below and to the right, then white: readable on any picture.
void ShadowedText(HDC dc, int x, int y, const char* text, int length) {
    SetTextColor(dc, kBlack);
    TextOutA(dc, x + 1, y + 1, text, length);
    SetTextColor(dc, kWhite);
    TextOutA(dc, x, y, text, length);
}

}  // namespace

void Video::ShowInfo() {
    const InfoStep step = NextInfoStep(composeFormat, showInfo, infoFrameCount);
    if (step == InfoStep::kNothing || composeSurface == nullptr) return;
    if (step == InfoStep::kStartClock) {
        infoStartTime = timeGetTime();
    } else {
        HDC dc = nullptr;
        lastResult = composeSurface->GetDC(&dc);
        if (FAILED(lastResult)) {
            // A busy surface: this frame goes without the text.
            if (!SkipText(lastResult)) ReportDirectDrawError("Video::ShowInfo, Error getting compose device context", lastResult, 1);
        } else {
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, kWhite);
            const HGDIOBJ keptFont = SelectObject(dc, font);
            infoTime = timeGetTime();

            InfoValues values;
            values.frameCount = infoFrameCount;
            values.startTime = infoStartTime;
            values.now = infoTime;
            values.width = width;
            values.height = height;
            values.displayWidth = displayWidth;
            values.displayHeight = displayHeight;
            values.displayBitDepth = displayBitDepth;
            values.songTitle = theScene != nullptr ? theScene->songTitle : nullptr;
            values.playPosition = theScene != nullptr ? theScene->playPosition : 0;
            InfoLines lines;
            FormatInfoLines(values, &lines);
            for (int i = 0; i < kInfoLineCount; ++i)
                ShadowedText(dc, kInfoTextX, kInfoFirstLineY + i * kInfoLineSpacing, lines.text[i], lines.length[i]);

            SelectObject(dc, keptFont);
            lastResult = composeSurface->ReleaseDC(dc);
            if (FAILED(lastResult)) ReportDirectDrawError(kReleaseFailed, lastResult, 1);
        }
    }
    if (infoFrameCount < INT_MAX) ++infoFrameCount;
}

void Video::ShowMessage() {
    if (composeSurface == nullptr || !TakeMessageFrame(composeFormat, &messageFramesLeft)) return;
    HDC dc = nullptr;
    lastResult = composeSurface->GetDC(&dc);
    if (FAILED(lastResult)) {
        if (!SkipText(lastResult))
            ReportDirectDrawError("Video::ShowMessage, Error getting compose device context", lastResult, 1);
        return;  // a busy surface: the frame goes without the message
    }
    const HGDIOBJ keptFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    ShadowedText(dc, kMessageTextX, height - kMessageRise, messageText, MessageLength(messageText));
    SelectObject(dc, keptFont);
    lastResult = composeSurface->ReleaseDC(dc);
    if (FAILED(lastResult)) ReportDirectDrawError(kReleaseFailed, lastResult, 1);
}
