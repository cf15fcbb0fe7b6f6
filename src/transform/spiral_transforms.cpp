// Spiral transforms: the picture turns about a centre by an angle that depends
// on where the pixel lies relative to it.
//   0 Wavy Spiral, 8 Translate and Spin, 10 Fast Reverse Spiral,
//   11 What You Get With a Typo (tm), 12 Flower
//
// Parameters are drawn at once; the rows follow (see map_job.h). The turn of
// each pixel is a rotation of its direction (polar_map.h), which gives the
// same entries as the angle arithmetic at a fraction of the cost.
#include <cmath>

#include "scene/random.h"
#include "transform/fast_trig.h"
#include "transform/polar_map.h"
#include "transform/spiral_rows.h"
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
void Transform::PrepareWavySpiral() {
    job.p[0] = Random((3 * width) / 4) + width * 0.125;
    job.p[1] = Random((3 * height) / 4) + height * 0.125;
    job.p[2] = 1.0 + 0.005 * (Random(5) - 2);
    job.p[3] = (Random(20) + 1) * 3.14;
    double twist = (Random(10) - 4.7) * 0.006666666666666667;
    job.p[5] = (Random(10) - 5) * twist * 0.2;
    if (Random(5) == 0) twist = 5.0 * twist;  // the ripple keeps the plain twist
    job.p[4] = twist;
    job.fill = sse2Rows ? WavySpiralRows<IsaSse2> : WavySpiralRows<IsaX87>;
    job.noFade = (Random(4) != 0) ? 1 : 0;
    job.fadeHint = 0;
    job.centreHint = 0;
}

// A sharp spin at the centre that dies off with the eighth power of the
// distance, while the whole picture drifts by 0.9 pixel up or down.
void Transform::PrepareTranslateAndSpin() {
    job.p[0] = (Random(width) / 2) + width * 0.25;
    job.p[1] = (Random(height) / 2) + height * 0.25;
    job.p[2] = (5 * Random(6) - 14) * 0.02;
    job.p[3] = (Random(1) == 0) ? 0.9 : -0.9;
    job.fill = sse2Rows ? TranslateAndSpinRows<IsaSse2> : TranslateAndSpinRows<IsaX87>;
    job.noFade = (Random(2) != 0) ? 1 : 0;
    job.fadeHint = 0;
    job.centreHint = 0;
}

// Turns least on one ring and ever faster on both sides of it; on the ring
// where q reaches 0 the angle is infinite and the entry falls out of range.
void Transform::PrepareFastReverseSpiral() {
    const Centre c = DrawMiddleCentre(width, height);
    job.p[0] = c.x;
    job.p[1] = c.y;
    job.p[2] = (4 * Random(4) + 4) * 0.02;
    job.p[3] = 2.0 / (2 * Random(1) + 1);  // g = (1 / W) times this, in the rows
    job.fill = sse2Rows ? FastReverseSpiralRows<IsaSse2> : FastReverseSpiralRows<IsaX87>;
    job.noFade = (Random(3) != 0) ? 1 : 0;
    job.fadeHint = 0;
    job.centreHint = 0;
}

// Flower's petals with a swirl that accumulates over every pixel before this
// one in raster order: each row turns by what the rows above it collected.
void Transform::PrepareTypo() {
    const Centre c = DrawMiddleCentre(width, height);
    job.p[0] = c.x;
    job.p[1] = c.y;
    job.k[0] = DrawPetals();
    job.k[1] = Random(8) + 6;

    job.carried = 0.0;
    job.fill = sse2Rows ? TypoRows<IsaSse2> : TypoRows<IsaX87>;
    job.noFade = (Random(3) != 0) ? 1 : 0;
    job.fadeHint = 0;
    job.centreHint = 0;
}

// A slow turn with a radius that breathes by 2 % with the petal count.
void Transform::PrepareFlower() {
    const Centre c = DrawMiddleCentre(width, height);
    job.p[0] = c.x;
    job.p[1] = c.y;
    job.p[2] = (Random(4) - 1.5) * 4.0 * 0.002;
    job.k[0] = DrawPetals();
    job.fill = sse2Rows ? FlowerRows<IsaSse2> : FlowerRows<IsaX87>;
    job.noFade = (Random(3) != 0) ? 1 : 0;
    job.fadeHint = 0;
    job.centreHint = 0;
}
