#pragma once
// Which rows a conversion walks and how far apart they are. Shared by the
// reference and the MMX path, so the two can differ only in arithmetic.
#include <cstddef>
#include <cstdint>

#include "pixels/compose.h"

struct ComposeLayout {
    ptrdiff_t rows;
    ptrdiff_t pairsPerRow;   // whole pixel pairs converted in each row
    ptrdiff_t sourceStep;    // pixels between source rows
    ptrdiff_t targetStep;    // bytes between target rows
    bool oddWidth;           // the 24-bit tail must spare the last column
};

// RGB rows are pitch bytes apart (rounded down to even) and convert width / 2
// pairs each. A YUV overlay is one run of width x height / 2 pairs, unless its
// driver pads the rows: then each row converts width / 2 pairs at its pitch.
// False when there is nothing to convert.
inline bool PlanCompose(const ComposeJob& job, ComposeLayout* layout) {
    if (job.frame == nullptr || job.target == nullptr || job.width <= 0 || job.height <= 0) return false;
    if (job.format < kCompose32 || job.format > kComposeYuy2) return false;
    const int64_t w = job.width, h = job.height;
    const ptrdiff_t pitch = job.pitch & ~1;
    layout->oddWidth = (w & 1) != 0;
    const bool yuv = job.format == kComposeUyvy || job.format == kComposeYuy2;
    if (yuv && pitch <= 2 * w) {
        layout->rows = 1;
        // A frame that fits in memory has fewer pairs than ptrdiff_t counts.
        layout->pairsPerRow = static_cast<ptrdiff_t>(w * h / 2);
        layout->sourceStep = 0;
        layout->targetStep = 0;
        return layout->pairsPerRow > 0;
    }
    layout->rows = static_cast<ptrdiff_t>(h);
    layout->pairsPerRow = static_cast<ptrdiff_t>(w / 2);
    layout->sourceStep = static_cast<ptrdiff_t>(w);
    layout->targetStep = pitch;
    return layout->pairsPerRow > 0;
}

// The program's YUV coefficients over 256; each term is floored on its own.
constexpr int kLumaBlue = 36, kLumaGreen = 145, kLumaRed = 74;
constexpr int kUBlue = 110, kUGreen = 74, kURed = 36;
constexpr int kVBlue = 18, kVGreen = 74, kVRed = 92;
