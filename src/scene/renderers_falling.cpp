// Falling particle renderers: 11 Snow, 12 Spectrum Splash.

#include "scene/color_cycler.h"
#include "scene/particle.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "transform/fast_trig.h"
#include "transform/transform.h"

namespace {

constexpr int kFallingParticles = 1000;
constexpr int kPlatforms = 3;

}  // namespace

void Scene::RenderSnow() {
    static Particle flakes[kFallingParticles];
    static ColorCycler colour;

    applyTransform = 1;
    Transform* t = CurrentTransform();
    if (t != nullptr && t->fadeHint == 1) t->noFade = 0;

    if (firstFrame != 0) {
        for (int i = 0; i < kFallingParticles; ++i) {
            // Drawn one by one: the order of the draws is part of the picture.
            const double x = Random(maxX);
            const double y = Random(maxY);
            const double vx = (Random(100) - 50) * 0.01;
            const double vy = (Random(100) - 50) * 0.01;
            flakes[i].Set(x, y, vx, vy, i % 2 == 0 ? 0.05 : 0.03);
        }
    }

    if (volumePeak * 0.7 < volumeMid) {
        for (Particle& p : flakes) {
            const double gustX = (Random(100) - 50) * 0.05;
            const double gustY = (Random(100) - 50) * 0.05;
            p.Push(gustX, gustY);
        }
    }

    colour.Step();
    // A zero peak has no loudness to compare with; dividing by it would make
    // every flake's position NaN or infinite for good, so it counts as silence.
    const double loudness = volumePeak > 0.0 ? volumeMid / volumePeak : 0.0;
    const double wind = loudness * 0.2 - 0.03;

    const uint32_t c = colour.GetColor();
    for (Particle& p : flakes) {
        p.Push(wind, 0.05);
        p.Damp(true, true);
        p.Move(*this, true);
        PutPixel(p.x, p.y, c);
    }
}

void Scene::RenderSpectrumSplash() {
    static Particle drops[kFallingParticles];
    static ColorCycler c0, c1, c2;
    static double heightNow[kPlatforms], heightBefore[kPlatforms];
    static int colourIndex[kFallingParticles];

    applyTransform = 1;
    Transform* t = CurrentTransform();
    if (t != nullptr) t->noFade = 0;

    c2.SetLeader(&c1);
    c1.SetLeader(&c0);
    const uint32_t col[kPlatforms] = {c0.Step(), c1.Step(), c2.Step()};

    double energy[kPlatforms] = {0.0, 0.0, 0.0};
    for (int k = 0; k < 144; ++k) energy[k / 48] += k * spectrumSum[k];
    double xLeft[kPlatforms], xRight[kPlatforms];
    for (int b = 0; b < kPlatforms; ++b) {
        heightNow[b] = heightD - 5.0 - fasttrig::Pow(energy[b] * 0.015, 0.7);
        xLeft[b] = b * widthD * 0.334;
        xRight[b] = (b + 1) * widthD * 0.334;
    }

    if (firstFrame != 0) {
        for (int b = 0; b < kPlatforms; ++b) heightBefore[b] = heightNow[b];
        for (int i = 0; i < kFallingParticles; ++i) {
            const double x = Random(maxX);
            const double vx = (Random(100) - 50) * 0.05;
            const double vy = Random(100) * -0.05;
            drops[i].Set(x, heightD / 2, vx, vy, 0.03);
            colourIndex[i] = 0;
        }
    }

    for (int i = 0; i < kFallingParticles; ++i) {
        Particle& p = drops[i];
        p.Push(0.0, 0.4);
        p.Damp(true, true);
        const int hit = p.MoveAndBounce(*this, kPlatforms, xLeft, xRight, heightNow, heightBefore);
        if (hit >= 0) colourIndex[i] = hit;
        PutPixel(p.x, p.y, col[colourIndex[i]]);
    }

    for (int b = 0; b < kPlatforms; ++b) {
        DrawLine(xLeft[b], heightBefore[b], xRight[b], heightBefore[b], col[b], false);
        DrawLine(xLeft[b], heightNow[b], xRight[b], heightNow[b], col[b], false);
        heightBefore[b] = heightNow[b];
    }
}
