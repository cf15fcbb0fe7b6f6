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
#include "transform/zoom_fold_rows.h"
#include "transform/transform.h"


// Streams outwards faster at the edges than near the centre, with a slight
// turn; a large zoom folds the outer picture through the centre.
void Transform::PrepareParabolicZoomer() {
    const double rotation = (Random(5) - 2.7) * 0.016666666666666666;
    const int b = Random(1);
    const int c = Random(3);
    const int d = Random(5);
    job.p[0] = d * 0.2 + (b * 5.0) / (c + 1);
    job.p[1] = rotation;
    job.fill = sse2Rows ? ParabolicZoomerRows<IsaSse2> : ParabolicZoomerRows<IsaX87>;
    job.noFade = (Random(2) == 1) ? 1 : 0;
    job.fadeHint = 1;
    job.centreHint = 0;
}

// Moves outwards by about `shift` pixels a frame, rippled by half a pixel
// along rings.
void Transform::PrepareBubble() {
    job.p[0] = (Random(10) - 2) * 0.16666666666666666 + 0.2;
    job.p[1] = Random(2) * 3.0 + 1.0;
    job.fill = sse2Rows ? BubbleRows<IsaSse2> : BubbleRows<IsaX87>;
    job.noFade = (Random(2) == 1) ? 1 : 0;
    job.fadeHint = 0;
    job.centreHint = 0;
}

// The whole picture grows by the magnification every frame.
void Transform::PrepareFastZoomer() {
    const double magnification = 1.1 + Random(7) * 0.03571428571428571;
    job.p[0] = 1.0 / magnification;
    job.fill = sse2Rows ? FastZoomerRows<IsaSse2> : FastZoomerRows<IsaX87>;
    job.noFade = 0;
    job.fadeHint = 1;
    job.centreHint = 1;
}

// Eight mirrored copies of one wedge: the source depends only on |X² − Y²|
// and |X·Y|, and always lies in the lower right quarter.
void Transform::PrepareKaleidoscope() {
    job.p[0] = Random(2) * 0.5 + 1.7;  // over the width, in the rows
    job.fill = sse2Rows ? KaleidoscopeRows<IsaSse2> : KaleidoscopeRows<IsaX87>;
    job.noFade = 0;
    job.fadeHint = 1;
    job.centreHint = 1;
}
