// Transforms about the fixed screen centre that change distances rather than
// angles: the picture streams outwards, bulges, or folds into mirror images.
//   1 Parabolic Zoomer, 2 Bubble, 3 Fast Zoomer, 9 Kaleidoscope
//
// Every loop keeps the arithmetic of one pixel in the written order, so that
// maps stay bit-identical; only terms that are constant along a row are
// computed once per row.
#include <cmath>

#include "scene/random.h"
#include "transform/polar_map.h"
#include "transform/transform.h"

// Streams outwards faster at the edges than near the centre, with a slight
// turn; a large zoom folds the outer picture through the centre.
void Transform::GenerateParabolicZoomer() {
    const double rotation = (Random(5) - 2.7) * 0.016666666666666666;
    const int b = Random(1);
    const int c = Random(3);
    const int d = Random(5);
    const double zoom = d * 0.2 + (b * 5.0) / (c + 1);

    const double cx = width * 0.5;
    const double cy = height * 0.5;
    const double inverseWidth = 1.0 / width;
    FillPolarMap(*this, cx, cy, [&](double r, double theta) {
        return PolarPoint{r * (1.0 - (r * inverseWidth) * zoom), theta + rotation};
    });

    noFade = (Random(2) == 1) ? 1 : 0;
    fadeHint = 1;
    centreHint = 0;
}

// Moves outwards by about `shift` pixels a frame, rippled by half a pixel
// along rings.
void Transform::GenerateBubble() {
    const double shift = (Random(10) - 2) * 0.16666666666666666 + 0.2;
    const double frequency = Random(2) * 3.0 + 1.0;

    const double cx = width * 0.5;
    const double cy = height * 0.5;
    const double inverseWidth = 1.0 / width;
    FillPolarMap(*this, cx, cy, [&](double r, double theta) {
        return PolarPoint{r - (0.5 * std::sin(r * inverseWidth * frequency) + shift), theta};
    });

    noFade = (Random(2) == 1) ? 1 : 0;
    fadeHint = 0;
    centreHint = 0;
}

// The whole picture grows by the magnification every frame.
void Transform::GenerateFastZoomer() {
    const double magnification = 1.1 + Random(7) * 0.03571428571428571;
    const double m = 1.0 / magnification;

    const double cx = width * 0.5;
    const double cy = height * 0.5;
    int n = 0;
    for (int iy = 0; iy < height; ++iy) {
        const double sy = (iy - cy) * m + cy;
        for (int ix = 0; ix < width; ++ix, ++n) SetEntry(n, (ix - cx) * m + cx, sy);
    }

    noFade = 0;
    fadeHint = 1;
    centreHint = 1;
}

// Eight mirrored copies of one wedge: the source depends only on |X² − Y²|
// and |X·Y|, and always lies in the lower right quarter.
void Transform::GenerateKaleidoscope() {
    const double s = (Random(2) * 0.5 + 1.7) / width;

    const double w = width;
    const double h = height;
    const double halfWidth = w * 0.5;
    const double halfHeight = h * 0.5;
    int n = 0;
    for (int iy = 0; iy < height; ++iy) {
        const double y = (iy - halfHeight) * s;
        const double y2 = y * y;
        for (int ix = 0; ix < width; ++ix, ++n) {
            const double x = (ix - halfWidth) * s;
            const double sx = (std::sqrt(std::fabs(x * x - y2)) * 0.5 + 0.505) * w;
            const double sy = ((std::sqrt(std::fabs(x * y)) - 0.01) + 1.0) * 0.5 * h;
            SetEntry(n, sx, sy);
        }
    }

    noFade = 0;
    fadeHint = 1;
    centreHint = 1;
}
