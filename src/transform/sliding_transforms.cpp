// Transforms that move the picture along straight lines, with no centre:
// 4 Undulating Slider, 7 Diagonal Fade, 14 Plain Sine Wave.
#include <cmath>
#include <vector>

#include "scene/random.h"
#include "transform/transform.h"

namespace {
// Columns at the entering edge that copy a column from the far side.
constexpr int kWrapBand = 11;
}  // namespace

// Rows slide sideways at a speed that varies across the width; what leaves on
// one side comes back on the other through the wrap band.
void Transform::GenerateUndulatingSlider() {
    const double frequency = Random(3) * 0.5 * 0.04;
    const double speed = Random(5) + 0.9;
    const double direction = (Random(1) == 0) ? 1.0 : -1.0;
    const double depth = Random(3) * 0.1 + 0.4;

    // The source column depends on the column alone: one cosine per column.
    std::vector<double> columnSource(static_cast<size_t>(width));
    const double w = width;
    for (int ix = 0; ix < width; ++ix) {
        const double x = ix;
        if (direction > 0.0 && ix < kWrapBand) {
            columnSource[ix] = x + w - 12.0;
        } else if (direction < 0.0 && ix > width - 12) {
            columnSource[ix] = x + 13.0 - w;
        } else {
            columnSource[ix] = x - ((std::cos(x * frequency) * depth + 1.0) * direction) * speed;
        }
    }

    int n = 0;
    for (int iy = 0; iy < height; ++iy) {
        const double y = iy;
        for (int ix = 0; ix < width; ++ix, ++n) SetEntry(n, columnSource[ix], y);
    }

    fadeHint = 1;
    centreHint = 1;
    noFade = (Random(2) != 0) ? 1 : 0;
}

// A fixed fractional shift of the whole picture: the fractions blend
// neighbours, so trails soften as they drift.
void Transform::GenerateDiagonalFade() {
    const double p = Random(10) * 0.2;
    double dx = Random(10) * 0.2 * p + 0.1;
    const double q = Random(10) * 0.2;
    double dy = Random(10) * 0.2 * q + 0.1;
    if (Random(1) != 0) dx = -dx;
    if (Random(1) != 0) dy = -dy;

    int n = 0;
    for (int iy = 0; iy < height; ++iy) {
        const double sy = iy + dy;
        for (int ix = 0; ix < width; ++ix, ++n) SetEntry(n, ix + dx, sy);
    }

    noFade = 1;
    fadeHint = 0;
    centreHint = 0;
}

// A sideways shift with every column bent up or down along a cosine that
// covers 4.8 radians across the width.
void Transform::GeneratePlainSineWave() {
    const double shift = Random(8) - 3.9;
    const double phase = Random(10000) * 0.01;
    const double amplitude = ((Random(4) - 1.5) * 1280.0) / width;
    const double frequency = 4.8 / width;

    std::vector<double> columnBend(static_cast<size_t>(width));
    for (int ix = 0; ix < width; ++ix) {
        const double x = ix;
        columnBend[ix] = amplitude * std::cos(x * frequency + phase);
    }

    int n = 0;
    for (int iy = 0; iy < height; ++iy) {
        const double y = iy;
        for (int ix = 0; ix < width; ++ix, ++n) {
            const double x = ix;
            SetEntry(n, x - shift, y + columnBend[ix]);
        }
    }

    noFade = 1;
    fadeHint = 0;
    centreHint = 0;
}
