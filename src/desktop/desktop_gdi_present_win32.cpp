// Background behind the icons without DirectDraw's blit: GDI draws the
// composed frame into our window, where the system refuses the blit into a
// child of another process's window (the desktop compositor), or where the
// window is layered and only UpdateLayeredWindow can give it pixels.
#include "desktop/desktop_layer_win32.h"
#include "video/video.h"

namespace {
// The compose surface's DC; null when it is busy or lost this frame.
HDC ComposeDc(IDirectDrawSurface4* surface, HRESULT* result) {
    HDC dc = nullptr;
    *result = surface->GetDC(&dc);
    return SUCCEEDED(*result) ? dc : nullptr;
}

void Stretch(HDC to, int toWidth, int toHeight, HDC from, const RECT& source) {
    SetStretchBltMode(to, COLORONCOLOR);
    StretchBlt(to, 0, 0, toWidth, toHeight, from, source.left, source.top, source.right - source.left,
               source.bottom - source.top, SRCCOPY);
}
}  // namespace

bool Video::PresentWithGdi(HWND target, const RECT& source) {
    RECT client;
    if (!GetClientRect(target, &client) || IsRectEmpty(&client)) return false;
    HDC from = ComposeDc(composeSurface, &lastResult);
    if (from == nullptr) return false;
    HDC to = GetDC(target);
    if (to != nullptr) {
        Stretch(to, client.right, client.bottom, from, source);
        ReleaseDC(target, to);
    }
    composeSurface->ReleaseDC(from);
    lastResult = DD_OK;
    return to != nullptr;
}

bool Video::PresentLayered(HWND target, const RECT& source) {
    RECT client;
    if (!GetClientRect(target, &client) || IsRectEmpty(&client)) return false;
    const SIZE size = {client.right, client.bottom};
    // Made once per size of the window, never per frame.
    if (desktop.layeredDc == nullptr || size.cx != desktop.layeredSize.cx || size.cy != desktop.layeredSize.cy) {
        ReleaseLayeredSource();
        HDC screen = GetDC(nullptr);
        desktop.layeredDc = CreateCompatibleDC(screen);
        desktop.layeredBitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
        ReleaseDC(nullptr, screen);
        if (desktop.layeredDc == nullptr || desktop.layeredBitmap == nullptr) {
            ReleaseLayeredSource();
            return false;
        }
        desktop.layeredKept = SelectObject(desktop.layeredDc, desktop.layeredBitmap);
        desktop.layeredSize = size;
    }
    HDC from = ComposeDc(composeSurface, &lastResult);
    if (from == nullptr) return false;
    Stretch(desktop.layeredDc, size.cx, size.cy, from, source);
    composeSurface->ReleaseDC(from);
    lastResult = DD_OK;
    POINT origin = {0, 0};
    BLENDFUNCTION opaque = {AC_SRC_OVER, 0, 255, 0};
    if (UpdateLayeredWindow(target, nullptr, nullptr, const_cast<SIZE*>(&size), desktop.layeredDc, &origin, 0, &opaque,
                            ULW_OPAQUE))
        return true;
    // Refused as well: a plain window replaces this one, drawn with GDI.
    if (!desktop.layeredFailed && desktop.layer != nullptr) desktop.layer->RemakePlain();
    desktop.layeredFailed = 1;
    return false;
}

void Video::ReleaseLayeredSource() {
    if (desktop.layeredDc != nullptr) {
        if (desktop.layeredKept != nullptr) SelectObject(desktop.layeredDc, desktop.layeredKept);
        DeleteDC(desktop.layeredDc);
    }
    if (desktop.layeredBitmap != nullptr) DeleteObject(desktop.layeredBitmap);
    desktop.layeredDc = nullptr;
    desktop.layeredBitmap = nullptr;
    desktop.layeredKept = nullptr;
    desktop.layeredSize = {0, 0};
}
