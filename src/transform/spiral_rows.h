#pragma once
// Rows of the spiral transforms: 0 Wavy Spiral, 8 Translate and Spin, 10 Fast Reverse
// Spiral, 11 What You Get With a Typo (tm), 12 Flower.
// The rows of each generator, templated on the instruction set: the x87 copy
// is instantiated by the family's file, the SSE2 copy only by
// generator_rows_sse2.cpp, which is built for SSE2 doubles.
#include <cmath>

#include "transform/fast_trig.h"
#include "transform/map_job.h"
#include "transform/polar_map.h"

template <class Isa>
void WavySpiralRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double scale = job.p[2], waveFrequency = job.p[3], twist = job.p[4], waveAmplitude = job.p[5];
    const double w = target.width;
    FillPolarRows<Isa>(target, firstRow, endRow, job.p[0], job.p[1], [&](const Pixel& p) {
        const double u = p.r / w;
        const double rest = 1.0 - u;
        const double turn = waveAmplitude * fasttrig::Cos<Isa>(waveFrequency * u) + twist * (rest * rest);
        return PolarSource{p.r * scale, Turn<Isa>(p.u, turn)};
    });
}

template <class Isa>
void TranslateAndSpinRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double spin = job.p[2];
    const double w = target.width;
    FillPolarRows<Isa>(
        target, firstRow, endRow, job.p[0], job.p[1],
        [&](const Pixel& p) {
            const double q = 1.0 - p.r / w;
            const double q2 = q * q;
            const double q4 = q2 * q2;
            const double turn = spin * (q4 * q4);
            // Far corners of tall windows: the power of the library, as written.
            if (!(std::fabs(turn) <= kRotationLimit)) return ExactSource<Isa>(p.r, spin * std::pow(q, 8.0) + ThetaOf<Isa>(p));
            return PolarSource{p.r, Turn<Isa>(p.u, turn)};
        },
        job.p[3]);
}

template <class Isa>
void FastReverseSpiralRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double strength = job.p[2];
    const double g = (1.0 / target.width) * job.p[3];
    FillPolarRows<Isa>(target, firstRow, endRow, job.p[0], job.p[1], [&](const Pixel& p) {
        const double q = 1.0 - std::fabs(p.r * g - 0.4);
        const double turn = strength / (q * q);
        // Near the ring where q reaches 0 the turn grows without bound.
        if (!(std::fabs(turn) <= kRotationLimit)) return ExactSource<Isa>(p.r, strength * std::pow(q, -2.0) + ThetaOf<Isa>(p));
        return PolarSource{p.r, Turn<Isa>(p.u, turn)};
    });
}

template <class Isa>
void TypoRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const int petals = job.k[0], swirl = job.k[1];
    const double a = (8e-05 / target.width) * 320.0;
    double accumulated = job.carried;
    FillPolarRows<Isa>(target, firstRow, endRow, job.p[0], job.p[1], [&](const Pixel& p) {
        const double rho = p.r * (1.0 + 0.02 * Multiple<Isa>(p.u, petals).c);
        accumulated = accumulated + a * Multiple<Isa>(p.u, swirl).s;
        return PolarSource{rho, Turn<Isa>(p.u, accumulated)};
    });
    job.carried = accumulated;
}

template <class Isa>
void FlowerRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double spin = job.p[2];
    const int petals = job.k[0];
    FillPolarRows<Isa>(target, firstRow, endRow, job.p[0], job.p[1], [&](const Pixel& p) {
        const Direction petal = Multiple<Isa>(p.u, petals);
        return PolarSource{p.r * (1.0 + 0.02 * petal.c), Turn<Isa>(p.u, 0.0008 * petal.s + spin)};
    });
}

extern template void WavySpiralRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
extern template void TranslateAndSpinRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
extern template void FastReverseSpiralRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
extern template void TypoRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
extern template void FlowerRows<IsaSse2>(MapJob&, const MapTarget&, int, int);
