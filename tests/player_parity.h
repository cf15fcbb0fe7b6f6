#pragma once
// Runs that the native engine and the DLL in the stand-in player must draw
// alike, pixel for pixel: the DLL computes its doubles at 53 bits whatever the
// player's x87 precision, and then equals the native build.
//
// The stand-in plays its two generated songs (seed 1) on a 20 ms clock, and
// the plug-in's clock is fixed at kParityTime, which seeds Random. Windowed at
// the first resolution (320x200), no titles. The first run: Plain-Vanilla
// Waveforms over Kaleidoscope (a map whose entries turn on the last bits,
// visibly) without a scene change. The second: random scenes every 100
// frames, through several maps generated over frames and the particle
// renderers, as long as the first song lasts.
#include <cstdint>
#include <cstddef>

namespace parity {

constexpr int kTime = 1351;
constexpr int kWidth = 320;
constexpr int kHeight = 200;
constexpr int kFrameMs = 20;
constexpr int kSongs = 2;
constexpr double kSongSeconds = 20.0;
constexpr uint32_t kSongSeed = 1;

// The part of the frame compared: inside the display window's client area
// whatever the width of its border and caption.
constexpr int kLeft = 8, kTop = 32, kRight = 312, kBottom = 192;

// FNV-1a over the region's pixels, 0x00RRGGBB each, top row first; `at`
// gives the pixel of frame coordinates (x, y).
template <typename PixelAt>
uint32_t Checksum(PixelAt at) {
    uint32_t hash = 2166136261u;
    for (int y = kTop; y < kBottom; ++y)
        for (int x = kLeft; x < kRight; ++x) {
            const uint32_t p = at(x, y) & 0xFFFFFF;
            for (int b = 0; b < 3; ++b) {
                hash ^= (p >> (8 * b)) & 0xFF;
                hash *= 16777619u;
            }
        }
    return hash;
}

// Frames captured after Render, and the checksums the native engine gives for
// that frame and the one before: Wine presents asynchronously, so a capture
// taken right after Render may still show the previous frame.
struct Expected {
    int frame;
    uint32_t checksum;
    uint32_t previous;
};

struct Run {
    const char* settings;
    int renderer, transform;  // -1: random
    int framesPerScene;
    const Expected* frames;
    int frameCount;
};

constexpr Expected kLockedFrames[] = {{20, 0xA7098512u, 0xB09E8ADBu}, {40, 0x9F4BAED9u, 0xA9A9B3FCu}};
constexpr Run kLocked = {
    "Display_Mode=1\r\nResolution_Mode=0\r\nFrames_Per_Scene=-1\r\nShow_Song_Title=0\r\n"
    "Prefered_Renderer=0\r\nPrefered_Transform=9\r\n",
    0, 9, -1, kLockedFrames, 2};

constexpr Expected kSceneFrames[] = {{150, 0x6C82777Du, 0x9EA347ECu},
                                     {480, 0xA6CB6310u, 0x54CD340Fu},
                                     {640, 0x79096908u, 0x5FD303BFu},
                                     {900, 0x36D6CA07u, 0x343DB08Eu}};
constexpr Run kScenes = {
    "Display_Mode=1\r\nResolution_Mode=0\r\nFrames_Per_Scene=100\r\nShow_Song_Title=0\r\n",
    -1, -1, 100, kSceneFrames, 4};

}  // namespace parity
