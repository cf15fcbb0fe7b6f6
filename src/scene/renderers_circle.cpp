// Circle and orbit renderers: 4 Spectral Spheres, 5 Hypnotizer, 6 Volume Lines.
#include <cmath>

#include "scene/color_cycler.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "transform/fast_trig.h"

namespace {

// Radians per frame for the two orbiting renderers: seven speeds either way,
// one of them a near-whole turn that makes the figure seem to stand still.
double ChooseSpin(double base) { return 6.283 / ((Random(6) - 3) * 60.0 + base); }

constexpr int kSphereBins = 144;  // the low quarter of the spectrum
constexpr int kSphereCount = 5;

}  // namespace

void Scene::RenderSpectralSpheres() {
    static ColorCycler s1, s2, s3, s4, s5;

    applyTransform = 1;
    s5.SetLeader(&s4);
    s4.SetLeader(&s3);
    s3.SetLeader(&s2);
    s2.SetLeader(&s1);
    const uint32_t colours[kSphereCount] = {s1.Step(), s2.Step(), s3.Step(), s4.Step(), s5.Step()};

    // Higher bins weigh more, so the bass does not swallow the picture.
    double band[kSphereCount] = {};
    double total = 0.0;
    for (int k = 0; k < kSphereBins; ++k) {
        const double e = k * spectrumSum[k];
        band[kSphereCount * k / kSphereBins] += e;
        total += e;
    }
    if (!(total > 0.0)) return;

    // Boundaries split the width in proportion to the bands' shares.
    int bounds[kSphereCount + 1];
    bounds[0] = 0;
    double share = 0.0;
    for (int i = 0; i < kSphereCount - 1; ++i) {
        share += band[i] / total;
        bounds[i + 1] = static_cast<int>(width * share);
    }
    bounds[kSphereCount] = width;

    for (int i = 0; i < kSphereCount; ++i) {
        const int radius = (bounds[i + 1] - bounds[i]) / 2;
        DrawCircle(bounds[i] + radius, halfHeight, radius, colours[i], false);
    }
}

void Scene::RenderHypnotizer() {
    static ColorCycler a, b;
    static double angle = 0.0;
    static double spin = 0.0;

    applyTransform = 1;
    b.SetLeader(&a);
    if (firstFrame != 0) spin = ChooseSpin(1.0);

    const double radiusA = heightD * volumeLeft / 64;
    const double radiusB = heightD * volumeRight / 64;
    a.Step();
    b.Step();

    // Ten rings per set, spaced by a tenth of a quarter of the height; a frame
    // under 40 pixels high has no room for them.
    const int n = height / 4;
    const int d = n / 10;
    if (n > 1 && d != 0) {
        const double cx1 = width * 0.5 + fasttrig::Cos(angle) * radiusA;
        const double cy1 = height * 0.5 + fasttrig::Sin(angle) * radiusA;
        const double cx2 = width * 0.5 - fasttrig::Cos(angle) * radiusB;
        const double cy2 = height * 0.5 - fasttrig::Sin(angle) * radiusB;
        int c = 2 * n - 1;
        for (int k = 1; k < n; k += d) {
            // Inner rings brighter than outer ones.
            const double factor = c * 0.6 / n;
            DrawCircle(cx1, cy1, k, a.ScaledStep(factor), false);
            DrawCircle(cx2, cy2, k, b.ScaledStep(factor), false);
            c -= d;
        }
    }
    angle += spin;
}

void Scene::RenderVolumeLines() {
    static ColorCycler a, b;
    static double angle = 0.0;
    static double spin = 0.0;
    static bool orMode = false;
    static bool secondColour = false;

    applyTransform = 1;
    b.SetLeader(&a);
    if (firstFrame != 0) {
        spin = ChooseSpin(1.01);
        orMode = Random(1) == 0;
        secondColour = Random(1) == 0;
    }

    const double lengthL = volumeLeft * heightD / 64;
    const double lengthR = volumeRight * heightD / 64;
    const uint32_t colourA = a.Step();
    const uint32_t colourB = b.Step();

    const double c = fasttrig::Cos(angle);
    const double s = fasttrig::Sin(angle);
    DrawLine(halfWidthD, halfHeightD, halfWidthD + c * lengthL, halfHeightD + s * lengthL, colourA, orMode);
    DrawLine(halfWidthD, halfHeightD, halfWidthD - c * lengthR, halfHeightD - s * lengthR,
             secondColour ? colourB : colourA, orMode);
    angle += spin;
}
