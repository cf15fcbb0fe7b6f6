#pragma once
// Rows of the sliding transforms: 4 Undulating Slider, 7 Diagonal Fade, 14 Plain
// Sine Wave.
// Templated on the instruction set like the polar rows (spiral_rows.h).
#include <cmath>

#include "transform/map_job.h"

// Rows whose source column comes from the job's column table and whose source
// row is the row plus a constant.
template <class Isa>
void ColumnTableRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double rowShift = job.p[0];
    for (int iy = firstRow; iy < endRow; ++iy) {
        int n = iy * target.width;
        const double sy = iy + rowShift;
        for (int ix = 0; ix < target.width; ++ix, ++n) SetEntryT<Isa>(target, n, job.columns[ix], sy);
    }
}

template <class Isa>
void DiagonalFadeRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double dx = job.p[0], dy = job.p[1];
    for (int iy = firstRow; iy < endRow; ++iy) {
        int n = iy * target.width;
        const double sy = iy + dy;
        for (int ix = 0; ix < target.width; ++ix, ++n) SetEntryT<Isa>(target, n, ix + dx, sy);
    }
}

template <class Isa>
void PlainSineWaveRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double shift = job.p[0];
    for (int iy = firstRow; iy < endRow; ++iy) {
        int n = iy * target.width;
        const double y = iy;
        for (int ix = 0; ix < target.width; ++ix, ++n) {
            const double x = ix;
            SetEntryT<Isa>(target, n, x - shift, y + job.columns[ix]);
        }
    }
}

extern template void ColumnTableRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
extern template void DiagonalFadeRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
extern template void PlainSineWaveRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
