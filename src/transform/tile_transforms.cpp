// Transforms that cut the picture into a regular pattern and move the pieces
// in alternating directions: 5 Fuzzy Fade, 6 Shiny tiles, 13 Spiral Tiles.
#include <cmath>
#include <cstdint>

#include "scene/random.h"
#include "transform/transform.h"

namespace {

void FuzzyFadeRows(MapJob&, const MapTarget& target, int firstRow, int endRow) {
    for (int iy = firstRow; iy < endRow; ++iy) {
        int n = iy * target.width;
        const double y = iy;
        for (int ix = 0; ix < target.width; ++ix, ++n) {
            const double x = ix;
            const int k = static_cast<int>(x + y);
            const double d = (k % 2 == 0) ? 0.5 : -0.5;
            target.Set(n, x + d, y + d);
        }
    }
}

void ShinyTilesRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double tile = job.p[0];
    const double backward = 0.5 - (tile + tile);
    const double forward = (tile + tile) - 0.5;
    for (int iy = firstRow; iy < endRow; ++iy) {
        int n = iy * target.width;
        const double y = iy;
        const int j = static_cast<int>(y / tile);
        const double sy = y + ((j % 2 == 0) ? backward : forward);
        for (int ix = 0; ix < target.width; ++ix, ++n) {
            const double x = ix;
            const int i = static_cast<int>(x / tile);
            target.Set(n, x + ((i % 2 == 0) ? backward : forward), sy);
        }
    }
}

void SpiralTilesRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double ky = job.p[0];
    const int fy = job.k[0];
    const int variant = job.k[1];
    const double* columnWave = job.columns;
    for (int iy = firstRow; iy < endRow; ++iy) {
        int n = iy * target.width;
        const double y = iy;
        const double rowWave = std::cos((y * fy) * ky);
        if (variant == 0) {
            // A cosine of exactly 0, or NaN, moves the positive way.
            const double sx0 = (rowWave > 0.0) ? -0.8 : 0.8;
            for (int ix = 0; ix < target.width; ++ix, ++n) {
                const double x = ix;
                target.Set(n, x + sx0, y + ((columnWave[ix] > 0.0) ? -0.8 : 0.8));
            }
        } else {
            for (int ix = 0; ix < target.width; ++ix, ++n) {
                const double x = ix;
                target.Set(n, x + rowWave, y + columnWave[ix]);
            }
        }
    }
}

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
    job.fill = FuzzyFadeRows;
    job.noFade = 0;
    job.fadeHint = 0;
    job.centreHint = 1;
}

// Square tiles move in alternating directions by 2 x tile - 0.5 pixels; the
// half pixel averages 2 x 2 blocks on every frame.
void Transform::PrepareShinyTiles() {
    job.p[0] = Random(3) * 5.0 + 1.0;
    job.fill = ShinyTilesRows;
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
    job.fill = SpiralTilesRows;
    job.noFade = 1;
    job.fadeHint = 0;
    job.centreHint = 0;
}
