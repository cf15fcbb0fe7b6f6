#pragma once
// The loop the centred generators share: every pixel in raster order gets its
// radius (never zero) and angle about a centre, and the generator answers
// with the source point in polar form about the same centre.
#include <cmath>

#include "transform/transform.h"

// Keeps the radius off zero, so the pixel on the centre still gets a point.
constexpr double kRadiusBias = 1e-8;

struct PolarPoint {
    double rho;  // source radius
    double phi;  // source angle
};

// sourceOf(r, theta) -> PolarPoint, called once per pixel in raster order
// (generators may accumulate across calls). lift moves every source point up
// by a constant after the polar step.
template <typename SourceOf>
void FillPolarMap(Transform& map, double cx, double cy, SourceOf sourceOf, double lift = 0.0) {
    int n = 0;
    for (int iy = 0; iy < map.height; ++iy) {
        const double dy = iy - cy;
        const double dy2 = dy * dy;
        for (int ix = 0; ix < map.width; ++ix, ++n) {
            const double dx = ix - cx;
            const double r = std::sqrt(dx * dx + dy2) + kRadiusBias;
            const double theta = std::atan2(dy, dx);
            const PolarPoint p = sourceOf(r, theta);
            map.SetEntry(n, cx + p.rho * std::cos(p.phi), (cy + p.rho * std::sin(p.phi)) - lift);
        }
    }
}
