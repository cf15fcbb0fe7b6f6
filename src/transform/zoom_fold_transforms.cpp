// Transforms about the fixed screen centre that change distances rather than
// angles: the picture streams outwards, bulges, or folds into mirror images.
//   1 Parabolic Zoomer, 2 Bubble, 3 Fast Zoomer, 9 Kaleidoscope
//
// Parameters are drawn at once; the rows follow (see map_job.h). Every loop
// keeps the arithmetic of one pixel in the written order; only terms that are
// constant along a row are computed once per row.
#include <cmath>

#include "scene/random.h"
#include "transform/fast_trig.h"
#include "transform/polar_map.h"
#include "transform/transform.h"

namespace {

void ParabolicZoomerRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double zoom = job.p[0];
    const double inverseWidth = 1.0 / target.width;
    // The same turn for every pixel.
    Direction rotation;
    fasttrig::SinCos(job.p[1], &rotation.s, &rotation.c);
    FillPolarRows(target, firstRow, endRow, target.width * 0.5, target.height * 0.5, [&](const Pixel& p) {
        return PolarSource{p.r * (1.0 - (p.r * inverseWidth) * zoom), Times(p.u, rotation)};
    });
}

void BubbleRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double shift = job.p[0], frequency = job.p[1];
    const double inverseWidth = 1.0 / target.width;
    FillPolarRows(target, firstRow, endRow, target.width * 0.5, target.height * 0.5, [&](const Pixel& p) {
        return PolarSource{p.r - (0.5 * fasttrig::Sin(p.r * inverseWidth * frequency) + shift), p.u};
    });
}

void FastZoomerRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double m = job.p[0];
    const double cx = target.width * 0.5;
    const double cy = target.height * 0.5;
    for (int iy = firstRow; iy < endRow; ++iy) {
        int n = iy * target.width;
        const double sy = (iy - cy) * m + cy;
        for (int ix = 0; ix < target.width; ++ix, ++n) target.Set(n, (ix - cx) * m + cx, sy);
    }
}

void KaleidoscopeRows(MapJob& job, const MapTarget& target, int firstRow, int endRow) {
    const double s = job.p[0];
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
            target.Set(n, sx, sy);
        }
    }
}

}  // namespace

// Streams outwards faster at the edges than near the centre, with a slight
// turn; a large zoom folds the outer picture through the centre.
void Transform::PrepareParabolicZoomer() {
    const double rotation = (Random(5) - 2.7) * 0.016666666666666666;
    const int b = Random(1);
    const int c = Random(3);
    const int d = Random(5);
    job.p[0] = d * 0.2 + (b * 5.0) / (c + 1);
    job.p[1] = rotation;
    job.fill = ParabolicZoomerRows;
    job.noFade = (Random(2) == 1) ? 1 : 0;
    job.fadeHint = 1;
    job.centreHint = 0;
}

// Moves outwards by about `shift` pixels a frame, rippled by half a pixel
// along rings.
void Transform::PrepareBubble() {
    job.p[0] = (Random(10) - 2) * 0.16666666666666666 + 0.2;
    job.p[1] = Random(2) * 3.0 + 1.0;
    job.fill = BubbleRows;
    job.noFade = (Random(2) == 1) ? 1 : 0;
    job.fadeHint = 0;
    job.centreHint = 0;
}

// The whole picture grows by the magnification every frame.
void Transform::PrepareFastZoomer() {
    const double magnification = 1.1 + Random(7) * 0.03571428571428571;
    job.p[0] = 1.0 / magnification;
    job.fill = FastZoomerRows;
    job.noFade = 0;
    job.fadeHint = 1;
    job.centreHint = 1;
}

// Eight mirrored copies of one wedge: the source depends only on |X² − Y²|
// and |X·Y|, and always lies in the lower right quarter.
void Transform::PrepareKaleidoscope() {
    job.p[0] = (Random(2) * 0.5 + 1.7) / width;
    job.fill = KaleidoscopeRows;
    job.noFade = 0;
    job.fadeHint = 1;
    job.centreHint = 1;
}
