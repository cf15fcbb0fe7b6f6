#include "screen_capture.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void Put16(unsigned char* p, unsigned v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void Put32(unsigned char* p, unsigned v) {
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}

bool WriteBmp(const std::string& path, const uint32_t* pixels, int width, int height) {
    const int rowBytes = (width * 3 + 3) & ~3;
    unsigned char header[54] = {'B', 'M'};
    Put32(header + 2, 54u + static_cast<unsigned>(rowBytes * height));
    Put32(header + 10, 54);
    Put32(header + 14, 40);
    Put32(header + 18, static_cast<unsigned>(width));
    Put32(header + 22, static_cast<unsigned>(height));  // bottom-up rows
    Put16(header + 26, 1);
    Put16(header + 28, 24);
    Put32(header + 34, static_cast<unsigned>(rowBytes * height));
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fwrite(header, 1, sizeof header, f);
    std::vector<unsigned char> row(static_cast<size_t>(rowBytes), 0);
    for (int y = height - 1; y >= 0; --y) {
        const uint32_t* src = pixels + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<unsigned char>(src[x]);
            row[3 * x + 1] = static_cast<unsigned char>(src[x] >> 8);
            row[3 * x + 2] = static_cast<unsigned char>(src[x] >> 16);
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    const bool ok = std::ferror(f) == 0;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

bool CaptureToBmp(HWND window, const std::string& path) {
    RECT r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (window && IsWindowVisible(window)) {
        RECT client;
        GetClientRect(window, &client);
        POINT origin = {0, 0};
        ClientToScreen(window, &origin);
        r = {origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    }
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != 0;
        GdiFlush();
        SelectObject(memory, old);
        if (ok) ok = WriteBmp(path, static_cast<const uint32_t*>(bits), width, height);
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}
