#pragma once
// Rows of the tile transforms: 5 Fuzzy Fade, 6 Shiny tiles, 13 Spiral Tiles.
// Templated on the instruction set like the polar rows (spiral_rows.h).
#include <cmath>

#include "transform/map_job.h"

template <class Isa>
void FuzzyFadeRows(MapJob&, const MapTarget& target, int firstRow, int endRow) {
    for (int iy = firstRow; iy < endRow; ++iy) {
        int n = iy * target.width;
        const double y = iy;
        for (int ix = 0; ix < target.width; ++ix, ++n) {
            const double x = ix;
            const int k = static_cast<int>(x + y);
            const double d = (k % 2 == 0) ? 0.5 : -0.5;
            SetEntryT<Isa>(target, n, x + d, y + d);
        }
    }
}

template <class Isa>
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
            SetEntryT<Isa>(target, n, x + ((i % 2 == 0) ? backward : forward), sy);
        }
    }
}

template <class Isa>
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
                SetEntryT<Isa>(target, n, x + sx0, y + ((columnWave[ix] > 0.0) ? -0.8 : 0.8));
            }
        } else {
            for (int ix = 0; ix < target.width; ++ix, ++n) {
                const double x = ix;
                SetEntryT<Isa>(target, n, x + rowWave, y + columnWave[ix]);
            }
        }
    }
}

extern template void FuzzyFadeRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
extern template void ShinyTilesRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
extern template void SpiralTilesRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
