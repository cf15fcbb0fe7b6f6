// Spiral transforms: the picture turns about a centre by an angle that depends
// on where the pixel lies relative to it.
//   0 Wavy Spiral, 8 Translate and Spin, 10 Fast Reverse Spiral,
//   11 What You Get With a Typo (tm), 12 Flower
//
// Every loop keeps the arithmetic of one pixel in the written order, so that
// maps stay bit-identical; only terms that are constant along a row are
// computed once per row.
#include <cmath>

#include "scene/random.h"
#include "transform/polar_map.h"
#include "transform/transform.h"

namespace {

struct Centre {
    double x;
    double y;
};

// Somewhere between 0.375 and 0.625 of each side, in quarter-pixel steps.
Centre DrawMiddleCentre(int width, int height) {
    Centre c;
    c.x = Random(width) * 0.25 + width * 0.375;
    c.y = Random(height) * 0.25 + height * 0.375;
    return c;
}

// 1 to 8; the three draws must happen in this order.
int DrawPetals() {
    const int pairs = Random(2);
    const int single = Random(2);
    const int extra = Random(1);
    return 2 * pairs + single + extra + 1;
}

}  // namespace

// Turns most at the centre, fading with the square of the distance, with
// concentric ripples of angle and a slight zoom.
void Transform::GenerateWavySpiral() {
    const double cx = Random((3 * width) / 4) + width * 0.125;
    const double cy = Random((3 * height) / 4) + height * 0.125;
    const double scale = 1.0 + 0.005 * (Random(5) - 2);
    const double waveFrequency = (Random(20) + 1) * 3.14;
    double twist = (Random(10) - 4.7) * 0.006666666666666667;
    const double waveAmplitude = (Random(10) - 5) * twist * 0.2;
    if (Random(5) == 0) twist = 5.0 * twist;  // the ripple keeps the plain twist

    const double w = width;
    FillPolarMap(*this, cx, cy, [&](double r, double theta) {
        const double u = r / w;
        const double rest = 1.0 - u;
        return PolarPoint{r * scale, (waveAmplitude * std::cos(waveFrequency * u) + theta) + twist * (rest * rest)};
    });

    noFade = (Random(4) != 0) ? 1 : 0;
    fadeHint = 0;
    centreHint = 0;
}

// A sharp spin at the centre that dies off with the eighth power of the
// distance, while the whole picture drifts by 0.9 pixel up or down.
void Transform::GenerateTranslateAndSpin() {
    const double cx = (Random(width) / 2) + width * 0.25;
    const double cy = (Random(height) / 2) + height * 0.25;
    const double spin = (5 * Random(6) - 14) * 0.02;
    const double drift = (Random(1) == 0) ? 0.9 : -0.9;

    const double w = width;
    FillPolarMap(
        *this, cx, cy,
        [&](double r, double theta) {
            const double q = 1.0 - r / w;
            // pow, not repeated squaring: the rounding is part of the map.
            return PolarPoint{r, spin * std::pow(q, 8.0) + theta};
        },
        drift);

    noFade = (Random(2) != 0) ? 1 : 0;
    fadeHint = 0;
    centreHint = 0;
}

// Turns least on one ring and ever faster on both sides of it; on the ring
// where q reaches 0 the angle is infinite and the entry falls out of range.
void Transform::GenerateFastReverseSpiral() {
    const Centre c = DrawMiddleCentre(width, height);
    const double strength = (4 * Random(4) + 4) * 0.02;
    const double g = (1.0 / width) * (2.0 / (2 * Random(1) + 1));

    FillPolarMap(*this, c.x, c.y, [&](double r, double theta) {
        const double q = 1.0 - std::fabs(r * g - 0.4);
        return PolarPoint{r, strength * std::pow(q, -2.0) + theta};
    });

    noFade = (Random(3) != 0) ? 1 : 0;
    fadeHint = 0;
    centreHint = 0;
}

// Flower's petals with a swirl that accumulates over every pixel before this
// one in raster order: each row turns by what the rows above it collected.
void Transform::GenerateTypo() {
    const Centre c = DrawMiddleCentre(width, height);
    const int petals = DrawPetals();
    const int swirl = Random(8) + 6;
    const double a = (8e-05 / width) * 320.0;
    double accumulated = 0.0;

    FillPolarMap(*this, c.x, c.y, [&](double r, double theta) {
        const double rho = r * (1.0 + 0.02 * std::cos(petals * theta));
        accumulated = accumulated + a * std::sin(swirl * theta);
        return PolarPoint{rho, theta + accumulated};
    });

    noFade = (Random(3) != 0) ? 1 : 0;
    fadeHint = 0;
    centreHint = 0;
}

// A slow turn with a radius that breathes by 2 % with the petal count.
void Transform::GenerateFlower() {
    const Centre c = DrawMiddleCentre(width, height);
    const double spin = (Random(4) - 1.5) * 4.0 * 0.002;
    const int petals = DrawPetals();

    FillPolarMap(*this, c.x, c.y, [&](double r, double theta) {
        const double petalAngle = petals * theta;
        return PolarPoint{r * (1.0 + 0.02 * std::cos(petalAngle)), theta + (0.0008 * std::sin(petalAngle) + spin)};
    });

    noFade = (Random(3) != 0) ? 1 : 0;
    fadeHint = 0;
    centreHint = 0;
}
