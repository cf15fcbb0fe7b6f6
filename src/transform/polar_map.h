#pragma once
// The loop the centred generators share: every pixel in raster order gets its
// radius r (never zero) and the direction of its angle θ about a centre, and
// the generator answers with the source radius and the source direction.
//
// Speed without changing a single entry: cos θ and sin θ come from DX / d and
// DY / d instead of atan2 followed by cos and sin, and a turn by δ is a
// rotation of that direction by cos δ and sin δ. On the axes the direction is
// taken as the library's cos and sin of atan2 give it (the last bits of sin π
// and cos π/2 can decide a weight), and turns too large for the rotation to
// stay within an ulp of the rounded angle θ + δ go through the library.
#include <cmath>

#include "transform/fast_trig.h"
#include "transform/map_job.h"

// Keeps the radius off zero, so the pixel on the centre still gets a point.
constexpr double kRadiusBias = 1e-8;

// cos and sin of the double nearest pi and pi/2, as the library gives them.
constexpr double kSinOfPi = 1.2246467991473532e-16;
constexpr double kCosOfHalfPi = 6.123233995736766e-17;

// Beyond this turn the rounding of θ + δ itself shapes the result: such pixels
// (a few rings in Fast Reverse Spiral) are computed as written.
constexpr double kRotationLimit = 16.0;

struct Direction {
    double c;  // cos
    double s;  // sin
};

// Everything here is a template on the instruction set (map_job.h).

// The direction of atan2(dy, dx) for a pixel at distance d from the centre.
template <class Isa>
inline Direction DirectionOf(double dx, double dy, double d) {
    if (dy == 0.0) return dx < 0.0 ? Direction{-1.0, kSinOfPi} : Direction{1.0, 0.0};  // the centre too
    if (dx == 0.0) return Direction{kCosOfHalfPi, dy > 0.0 ? 1.0 : -1.0};
    return Direction{dx / d, dy / d};
}

template <class Isa>
inline Direction Turn(Direction a, double delta) {
    if (delta == 0.0) return a;
    double s, c;
    fasttrig::SinCos<Isa>(delta, &s, &c);
    return Direction{a.c * c - a.s * s, a.s * c + a.c * s};
}

template <class Isa>
inline Direction Times(Direction a, Direction b) { return Direction{a.c * b.c - a.s * b.s, a.s * b.c + a.c * b.s}; }

// The direction of k θ (k from 1 to 15) by repeated squaring.
template <class Isa>
inline Direction Multiple(Direction a, int k) {
    Direction result{1.0, 0.0};
    bool first = true;
    while (k > 0) {
        if (k & 1) {
            result = first ? a : Times<Isa>(result, a);
            first = false;
        }
        k >>= 1;
        if (k > 0) a = Times<Isa>(a, a);
    }
    return result;
}

struct Pixel {
    double dx, dy;
    double r;     // distance plus kRadiusBias
    Direction u;  // direction of θ
};

// θ itself, for the rare pixel computed as written.
template <class Isa>
inline double ThetaOf(const Pixel& p) {
    return std::atan2(p.dy, p.dx);
}

struct PolarSource {
    double rho;   // source radius
    Direction v;  // source direction
};

// The source point of a pixel computed as written: angle φ through the library.
template <class Isa>
inline PolarSource ExactSource(double rho, double phi) {
    return PolarSource{rho, Direction{std::cos(phi), std::sin(phi)}};
}

// sourceOf(const Pixel&) -> PolarSource, called in raster order over rows
// [firstRow, endRow). lift moves every source point up by a constant.
template <class Isa, typename SourceOf>
void FillPolarRows(const MapTarget& target, int firstRow, int endRow, double cx, double cy, SourceOf sourceOf,
                   double lift = 0.0) {
    for (int iy = firstRow; iy < endRow; ++iy) {
        int n = iy * target.width;
        Pixel p;
        p.dy = iy - cy;
        const double dy2 = p.dy * p.dy;
        for (int ix = 0; ix < target.width; ++ix, ++n) {
            p.dx = ix - cx;
            const double d = std::sqrt(p.dx * p.dx + dy2);
            p.r = d + kRadiusBias;
            p.u = DirectionOf<Isa>(p.dx, p.dy, d);
            const PolarSource q = sourceOf(p);
            SetEntryT<Isa>(target, n, cx + q.rho * q.v.c, (cy + q.rho * q.v.s) - lift);
        }
    }
}
