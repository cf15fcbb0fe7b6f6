// The information overlay and the transient message: GDI text drawn on the
// compose surface after Compose, so it never enters the frame buffer and the
// transforms never smear it.
#include <windows.h>
#include <mmsystem.h>

#include <climits>

#include "host/dpi_awareness.h"
#include "host/plugin.h"
#include "overlay/error_report_win32.h"
#include "overlay/info_overlay.h"
#include "scene/scene.h"
#include "video/video.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
const char kReleaseFailed[] = "Video::Render, Error releasing compose buffer device context";

// A busy or lost surface costs this frame its text, nothing more.
bool SkipText(HRESULT result) { return result == DDERR_WASSTILLDRAWING || result == DDERR_SURFACELOST; }

constexpr int kBaseDpi = 96;
constexpr int kFontHeight = 10;  // pixels at 96 DPI
// The message (song titles in any script): CJK needs 12 pixels at 96 DPI to
// be read at all, and a large frame, seen from afar, a 40th of its height.
constexpr int kMessageMinHeight = 12;
constexpr int kMessageRowsPerFrame = 40;

// The texts are UTF-8 (song titles in any language); GDI gets UTF-16. Black
// `shadow` pixels below and to the right, then white: readable on any picture.
void ShadowedText(HDC dc, int x, int y, int shadow, const char* text, int length) {
    wchar_t wide[kInfoLineBytes];
    const int units = length > 0 ? MultiByteToWideChar(CP_UTF8, 0, text, length, wide, kInfoLineBytes) : 0;
    SetTextColor(dc, kBlack);
    TextOutW(dc, x + shadow, y + shadow, wide, units);
    SetTextColor(dc, kWhite);
    TextOutW(dc, x, y, wide, units);
}

int Scaled(int pixels, int dpi) { return MulDiv(pixels, dpi, kBaseDpi); }

int CALLBACK NoteFace(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceInstalled(const char* face) {
    LOGFONTA wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExA(screen, &wanted, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

// A face Windows links to its CJK fonts on any language's install (Arial
// has no such link on a Western one): Segoe UI from Vista on, Tahoma before.
const char* TextFace() {
    static const char* const face = FaceInstalled("Segoe UI") ? "Segoe UI" : "Tahoma";
    return face;
}

// Any character set: titles come in every script, and DEFAULT_CHARSET lets
// GDI's font linking find the glyphs the face lacks.
HFONT MakeFont(int pixels) {
    return CreateFontA(-pixels, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, VARIABLE_PITCH, TextFace());
}
int ShadowOffset(int dpi) { return dpi >= 2 * kBaseDpi ? dpi / kBaseDpi : 1; }

}  // namespace

// The DPI to size text for in frame pixels: the window's, less the stretch
// that the Windowed blit already gives the frame (its client area is the
// frame at the window's scale), so the text is as large on screen as the
// system's own at that DPI; never smaller than at 96.
int Video::TextDpi() const {
    int dpi = static_cast<int>(dpi::ForWindow(window));
    RECT client;
    if (displayMode == kWindowed && window != nullptr && width > 0 && GetClientRect(window, &client) && client.right > 0)
        dpi = MulDiv(dpi, width, client.right);
    return dpi > kBaseDpi ? dpi : kBaseDpi;
}

int Video::PrepareFont() {
    const int dpi = TextDpi();
    if (font == nullptr || dpi != overlayText.fontDpi) {
        HFONT made = MakeFont(Scaled(kFontHeight, dpi));
        if (made != nullptr) {
            if (font != nullptr) DeleteObject(font);
            font = made;
            overlayText.fontDpi = dpi;
        }
    }
    return overlayText.fontDpi;
}

// The message's font for this frame height; its size in pixels.
int Video::PrepareMessageFont() {
    const int dpi = PrepareFont();
    const int byHeight = height / kMessageRowsPerFrame;
    const int least = Scaled(kMessageMinHeight, dpi);
    const int pixels = byHeight > least ? byHeight : least;
    if (overlayText.messageFont == nullptr || pixels != overlayText.messageFontPixels) {
        HFONT made = MakeFont(pixels);
        if (made == nullptr) return overlayText.messageFont != nullptr ? overlayText.messageFontPixels : 0;
        ReleaseMessageFont();
        overlayText.messageFont = made;
        overlayText.messageFontPixels = pixels;
    }
    return pixels;
}

void Video::ReleaseMessageFont() {
    if (overlayText.messageFont != nullptr) DeleteObject(static_cast<HFONT>(overlayText.messageFont));
    overlayText.messageFont = nullptr;
    overlayText.messageFontPixels = 0;
}

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
            const int dpi = PrepareFont();
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
            values.presentPath = PresentPathName();
            InfoLines lines;
            FormatInfoLines(values, &lines);
            for (int i = 0; i < kInfoLineCount; ++i)
                ShadowedText(dc, Scaled(kInfoTextX, dpi), Scaled(kInfoFirstLineY + i * kInfoLineSpacing, dpi),
                             ShadowOffset(dpi), lines.text[i], lines.length[i]);

            SelectObject(dc, keptFont);
            lastResult = composeSurface->ReleaseDC(dc);
            if (FAILED(lastResult)) ReportDirectDrawError(kReleaseFailed, lastResult, 1);
        }
    }
    if (infoFrameCount < INT_MAX) ++infoFrameCount;
}

void Video::ShowNotice(const char* text) {
    lstrcpynA(overlayText.notice, text, sizeof overlayText.notice);
    overlayText.noticeFramesLeft = kMessageFrames;
}

// The message on the bottom line, the notice on the line above it, each for
// its own frames.
void Video::ShowMessage() {
    if (composeSurface == nullptr) return;
    const bool message = TakeMessageFrame(composeFormat, &messageFramesLeft);
    const bool notice = TakeMessageFrame(composeFormat, &overlayText.noticeFramesLeft);
    if (!message && !notice) return;
    HDC dc = nullptr;
    lastResult = composeSurface->GetDC(&dc);
    if (FAILED(lastResult)) {
        if (!SkipText(lastResult))
            ReportDirectDrawError("Video::ShowMessage, Error getting compose device context", lastResult, 1);
        return;  // a busy surface: the frame goes without the message
    }
    const int dpi = overlayText.fontDpi;
    const int pixels = PrepareMessageFont();
    const HGDIOBJ keptFont = SelectObject(dc, overlayText.messageFont != nullptr ? overlayText.messageFont : font);
    SetBkMode(dc, TRANSPARENT);
    // Two text heights above the bottom.
    const int top = height - 2 * pixels;
    if (message)
        ShadowedText(dc, Scaled(kMessageTextX, dpi), top, ShadowOffset(dpi), messageText, MessageLength(messageText));
    if (notice)
        ShadowedText(dc, Scaled(kMessageTextX, dpi), top - pixels * 13 / 10, ShadowOffset(dpi), overlayText.notice,
                     MessageLength(overlayText.notice));
    SelectObject(dc, keptFont);
    lastResult = composeSurface->ReleaseDC(dc);
    if (FAILED(lastResult)) ReportDirectDrawError(kReleaseFailed, lastResult, 1);
}
