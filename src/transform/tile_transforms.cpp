// Transforms that cut the picture into a regular pattern and move the pieces
// in alternating directions: 5 Fuzzy Fade, 6 Shiny tiles, 13 Spiral Tiles.
#include <cmath>
#include <cstdint>

#include "scene/random.h"
#include "transform/tile_rows.h"
#include "transform/transform.h"

namespace {

// 320 / W² and 240 / H² use the integer squares. Formed in 64 bits: a 32-bit
// square overflows beyond 46340 pixels, and every smaller size gives the same
// value either way.
double InverseSquareScale(double numerator, int size) {
    const int64_t square = static_cast<int64_t>(size) * size;
    return numerator / static_cast<double>(square);
}

}  // namespace

// Half-pixel checkerboard shift: each pixel takes the average of the 2 x 2
// block below-right (even squares) or above-left (odd squares).
void Transform::PrepareFuzzyFade() {
    job.fill = sse2Rows ? FuzzyFadeRows<IsaSse2> : FuzzyFadeRows<IsaX87>;
    job.noFade = 0;
    job.fadeHint = 0;
    job.centreHint = 1;
}

// Square tiles move in alternating directions by 2 x tile - 0.5 pixels; the
// half pixel averages 2 x 2 blocks on every frame.
void Transform::PrepareShinyTiles() {
    job.p[0] = Random(3) * 5.0 + 1.0;
    job.fill = sse2Rows ? ShinyTilesRows<IsaSse2> : ShinyTilesRows<IsaX87>;
    job.noFade = 1;
    job.fadeHint = 0;
    job.centreHint = 0;
}

// Bands of rows slide sideways against each other, bands of columns up and
// down; where they meet the picture turns in rectangular cells.
void Transform::PrepareSpiralTiles() {
    // An empty map has no rows or columns to scale (and no division by zero).
    const double kx = width > 0 ? InverseSquareScale(320.0, width) : 0.0;
    job.p[0] = height > 0 ? InverseSquareScale(240.0, height) : 0.0;
    const int fy = 8 * Random(8) + 32;
    const int fx = fy + 8 * Random(4) - 16;
    job.k[0] = fy;
    job.k[1] = Random(1);

    // The vertical move depends on the column alone.
    for (int ix = 0; ix < width; ++ix) {
        const double x = ix;
        columnTable[ix] = std::cos((x * fx) * kx);
    }
    job.columns = columnTable;
    job.fill = sse2Rows ? SpiralTilesRows<IsaSse2> : SpiralTilesRows<IsaX87>;
    job.noFade = 1;
    job.fadeHint = 0;
    job.centreHint = 0;
}
