#pragma once
// Our 0x00RRGGBB frames to the 8-bit 4:2:0 that H.264 and VP9 players show:
// BT.601 limited range, each chroma sample from the rounded mean of its 2x2
// pixels. The SSE2 path gives the reference's bytes exactly.
#include <cstdint>

struct Yuv420Planes {
    uint8_t* y;
    uint8_t* u;
    uint8_t* v;
    int yStride, uStride, vStride;
};

// Width and height even.
void ConvertToYuv420(const uint32_t* pixels, int width, int height, const Yuv420Planes& out);
void ConvertToYuv420Reference(const uint32_t* pixels, int width, int height, const Yuv420Planes& out);
