// Transforms that move the picture along straight lines, with no centre:
// 4 Undulating Slider, 7 Diagonal Fade, 14 Plain Sine Wave.
#include <cmath>
#include "scene/random.h"
#include "transform/sliding_rows.h"
#include "transform/transform.h"

namespace {
// Columns at the entering edge that copy a column from the far side.
constexpr int kWrapBand = 11;
}  // namespace


// Rows slide sideways at a speed that varies across the width; what leaves on
// one side comes back on the other through the wrap band.
void Transform::PrepareUndulatingSlider() {
    const double frequency = Random(3) * 0.5 * 0.04;
    const double speed = Random(5) + 0.9;
    const double direction = (Random(1) == 0) ? 1.0 : -1.0;
    const double depth = Random(3) * 0.1 + 0.4;

    // The source column depends on the column alone: one cosine per column.
    const double w = width;
    for (int ix = 0; ix < width; ++ix) {
        const double x = ix;
        if (direction > 0.0 && ix < kWrapBand) {
            columnTable[ix] = x + w - 12.0;
        } else if (direction < 0.0 && ix > width - 12) {
            columnTable[ix] = x + 13.0 - w;
        } else {
            columnTable[ix] = x - ((std::cos(x * frequency) * depth + 1.0) * direction) * speed;
        }
    }
    job.columns = columnTable;
    job.p[0] = 0.0;
    job.fill = sse2Rows ? ColumnTableRows<IsaSse2> : ColumnTableRows<IsaX87>;
    job.fadeHint = 1;
    job.centreHint = 1;
    job.noFade = (Random(2) != 0) ? 1 : 0;
}

// A fixed fractional shift of the whole picture: the fractions blend
// neighbours, so trails soften as they drift.
void Transform::PrepareDiagonalFade() {
    const double p = Random(10) * 0.2;
    double dx = Random(10) * 0.2 * p + 0.1;
    const double q = Random(10) * 0.2;
    double dy = Random(10) * 0.2 * q + 0.1;
    if (Random(1) != 0) dx = -dx;
    if (Random(1) != 0) dy = -dy;
    job.p[0] = dx;
    job.p[1] = dy;
    job.fill = sse2Rows ? DiagonalFadeRows<IsaSse2> : DiagonalFadeRows<IsaX87>;
    job.noFade = 1;
    job.fadeHint = 0;
    job.centreHint = 0;
}

// A sideways shift with every column bent up or down along a cosine that
// covers 4.8 radians across the width.
void Transform::PreparePlainSineWave() {
    const double shift = Random(8) - 3.9;
    const double phase = Random(10000) * 0.01;
    const double amplitudeFactor = (Random(4) - 1.5) * 1280.0;
    // A map without columns has no table (and no division by its width).
    const double amplitude = width > 0 ? amplitudeFactor / width : 0.0;
    const double frequency = width > 0 ? 4.8 / width : 0.0;
    for (int ix = 0; ix < width; ++ix) {
        const double x = ix;
        columnTable[ix] = amplitude * std::cos(x * frequency + phase);
    }
    job.columns = columnTable;
    job.p[0] = shift;
    job.fill = sse2Rows ? PlainSineWaveRows<IsaSse2> : PlainSineWaveRows<IsaX87>;
    job.noFade = 1;
    job.fadeHint = 0;
    job.centreHint = 0;
}
