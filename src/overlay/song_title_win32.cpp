// The song title: asked in Unicode first (query 213), in the player's code
// page when it has no answer (212). Either way it travels on as UTF-8, which
// the text overlays turn back into UTF-16 for TextOutW.
#include <cstring>

#include "host/plugin_entry.h"
#include "video/video.h"

namespace {
constexpr UINT kQueryTitle = 212;
constexpr UINT kQueryUnicodeTitle = 213;
constexpr int kTitleUnits = 255;  // UTF-16 units or bytes read from the player

// Up to `units` UTF-16 units of `wide` as UTF-8 in out, cut to 255 bytes on
// a character's first byte. A lone surrogate at the cut is dropped too.
void ToUtf8(const wchar_t* wide, int units, char (&out)[256]) {
    if (units > 0 && wide[units - 1] >= 0xD800 && wide[units - 1] <= 0xDBFF) --units;
    char full[kTitleUnits * 3 + 1];
    int n = units > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide, units, full, sizeof full, nullptr, nullptr) : 0;
    if (n > 255) {
        n = 255;
        while (n > 0 && (static_cast<unsigned char>(full[n]) & 0xC0) == 0x80) --n;
    }
    memcpy(out, full, static_cast<size_t>(n));
    out[n] = '\0';
}
}  // namespace

const char* Video::QueryTitle(int index) {
    if (hostWindowRef == nullptr) return nullptr;
    const LRESULT unicode = [&] {
        AsCaller asCaller;
        return SendMessageW(*hostWindowRef, WM_USER, static_cast<WPARAM>(index), kQueryUnicodeTitle);
    }();
    if (unicode != 0) {
        const wchar_t* wide = reinterpret_cast<const wchar_t*>(unicode);
        ToUtf8(wide, static_cast<int>(wcsnlen(wide, kTitleUnits)), overlayText.titleText);
        return overlayText.titleText;
    }
    const LRESULT ansi = [&] {
        AsCaller asCaller;
        return SendMessageA(*hostWindowRef, WM_USER, static_cast<WPARAM>(index), kQueryTitle);
    }();
    if (ansi == 0) return nullptr;
    const char* text = reinterpret_cast<const char*>(ansi);
    wchar_t wide[kTitleUnits];
    const int units = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(strnlen(text, kTitleUnits)), wide, kTitleUnits);
    ToUtf8(wide, units, overlayText.titleText);
    return overlayText.titleText;
}
