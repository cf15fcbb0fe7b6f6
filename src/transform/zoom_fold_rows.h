#pragma once
// Rows of the centred zoom and fold transforms: 1 Parabolic Zoomer, 2 Bubble,
// 3 Fast Zoomer, 9 Kaleidoscope.
// The rows of each generator, templated on the instruction set: the x87 copy
// is instantiated by the family's file, the SSE2 copy only by
// generator_rows_sse2.cpp, which is built for SSE2 doubles.
#include <cmath>

#include "transform/fast_trig.h"
#include "transform/map_job.h"
#include "transform/polar_map.h"

template <class Isa>
void ParabolicZoomerRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double zoom = job.p[0];
    const double inverseWidth = 1.0 / target.width;
    // The same turn for every pixel.
    Direction rotation;
    fasttrig::SinCos<Isa>(job.p[1], &rotation.s, &rotation.c);
    FillPolarRows<Isa>(target, firstRow, endRow, target.width * 0.5, target.height * 0.5, [&](const Pixel& p) {
        return PolarSource{p.r * (1.0 - (p.r * inverseWidth) * zoom), Times<Isa>(p.u, rotation)};
    });
}

template <class Isa>
void BubbleRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double shift = job.p[0], frequency = job.p[1];
    const double inverseWidth = 1.0 / target.width;
    FillPolarRows<Isa>(target, firstRow, endRow, target.width * 0.5, target.height * 0.5, [&](const Pixel& p) {
        return PolarSource{p.r - (0.5 * fasttrig::Sin<Isa>(p.r * inverseWidth * frequency) + shift), p.u};
    });
}

template <class Isa>
void FastZoomerRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double m = job.p[0];
    const double cx = target.width * 0.5;
    const double cy = target.height * 0.5;
    for (int iy = firstRow; iy < endRow; ++iy) {
        int n = iy * target.width;
        const double sy = (iy - cy) * m + cy;
        for (int ix = 0; ix < target.width; ++ix, ++n) SetEntryT<Isa>(target, n, (ix - cx) * m + cx, sy);
    }
}

template <class Isa>
void KaleidoscopeRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double s = job.p[0] / target.width;
    const double w = target.width;
    const double h = target.height;
    const double halfWidth = w * 0.5;
    const double halfHeight = h * 0.5;
    for (int iy = firstRow; iy < endRow; ++iy) {
        int n = iy * target.width;
        const double y = (iy - halfHeight) * s;
        const double y2 = y * y;
        for (int ix = 0; ix < target.width; ++ix, ++n) {
            const double x = (ix - halfWidth) * s;
            const double sx = (std::sqrt(std::fabs(x * x - y2)) * 0.5 + 0.505) * w;
            const double sy = ((std::sqrt(std::fabs(x * y)) - 0.01) + 1.0) * 0.5 * h;
            SetEntryT<Isa>(target, n, sx, sy);
        }
    }
}

extern template void ParabolicZoomerRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
extern template void BubbleRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
extern template void FastZoomerRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
extern template void KaleidoscopeRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
