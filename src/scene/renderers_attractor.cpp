// Attractor particle renderers: 9 Orbiting Particles - Beat,
// 10 Orbiting Particles - Volume, 13 Floating Triangle.
#include <cmath>

#include "scene/color_cycler.h"
#include "scene/particle.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "transform/fast_trig.h"
#include "transform/transform.h"

namespace {

constexpr int kBeatParticles = 500;
constexpr int kVolumeGroupSize = 200;
constexpr double kOrbitMaxPull = 2.0;
constexpr double kTriangleMaxPull = 6.0;
// The triangle gathers here on every screen size.
constexpr double kTriangleX = 160.0;
constexpr double kTriangleY = 120.0;

// A random position on screen and a slow random velocity, drawn in this order.
void Scatter(Particle& p, const Scene& scene, double friction) {
    const double x = Random(scene.maxX > 0 ? scene.maxX : 0);
    const double y = Random(scene.maxY > 0 ? scene.maxY : 0);
    const double vx = (Random(10) - 5) * 0.1;
    const double vy = (Random(10) - 5) * 0.1;
    p.Set(x, y, vx, vy, friction);
}

// volume / peak; with no peak measured yet (0) a volume counts as nothing,
// rather than as an infinite or undefined distance or pull.
double VolumeRatio(double volume, double peak) {
    if (!(peak > 0.0)) return 0.0;
    const double ratio = volume / peak;
    return std::isfinite(ratio) ? ratio : 0.0;
}

// Pull grows with the square of the width: 1000 at 320 pixels.
double OrbitStrength(double widthD) {
    const double q = widthD / 320;
    return 1000.0 * (q * q);
}

void ClearNoFadeIfHinted(Transform* t) {
    if (t != nullptr && t->fadeHint == 1) t->noFade = 0;
}

void Orbit(Scene& scene, Particle& p, double ax, double ay, double strength, uint32_t colour) {
    p.Attract(ax, ay, strength, kOrbitMaxPull);
    p.Damp(true, true);
    p.Move(scene, false);
    scene.PutPixel(p.x, p.y, colour);
}

}  // namespace

void Scene::RenderOrbitingParticlesBeat() {
    static Particle particles[kBeatParticles];
    static ColorCycler c0, c1;
    static double attractorX = 0.0, attractorY = 0.0;

    applyTransform = 1;
    ClearNoFadeIfHinted(CurrentTransform());
    const double strength = OrbitStrength(widthD);
    if (firstFrame != 0) {
        for (Particle& p : particles) Scatter(p, *this, 0.05);
        c1.SetLeader(&c0);
    }
    if (volumePeak * 0.8 < volumeMid || firstFrame != 0) {
        attractorX = Random(maxX > 0 ? maxX : 0) * 0.5 + widthD / 4;
        attractorY = Random(maxY > 0 ? maxY : 0) * 0.5 + heightD / 4;
    }
    c0.Step();
    c1.Step();
    for (int i = 0; i < kBeatParticles; ++i) {
        const uint32_t colour = i % 2 == 0 ? c0.GetColor() : c1.GetColor();
        Orbit(*this, particles[i], attractorX, attractorY, strength, colour);
    }
}

void Scene::RenderOrbitingParticlesVolume() {
    static Particle particles[2 * kVolumeGroupSize];
    static ColorCycler c0, c1;
    static double angle = 0.0;
    static double spin = 0.0;

    applyTransform = 1;
    c1.SetLeader(&c0);
    if (firstFrame != 0) {
        spin = 6.283 / ((Random(6) - 3) * 120.0 + 1.01);
        for (Particle& p : particles) Scatter(p, *this, 0.05);
    }
    const double strength = OrbitStrength(widthD);
    const double dL = VolumeRatio(volumeLeft, volumePeak) * heightD * 0.5;
    const double dR = VolumeRatio(volumeRight, volumePeak) * heightD * 0.5;
    const double a0x = halfWidthD + fasttrig::Cos(angle) * dL;
    const double a0y = halfHeightD + fasttrig::Sin(angle) * dL;
    const double a1x = halfWidthD - fasttrig::Cos(angle) * dR;
    const double a1y = halfHeightD - fasttrig::Sin(angle) * dR;
    c0.Step();
    c1.Step();
    for (int i = 0; i < kVolumeGroupSize; ++i) Orbit(*this, particles[i], a0x, a0y, strength, c0.GetColor());
    for (int i = kVolumeGroupSize; i < 2 * kVolumeGroupSize; ++i) {
        Orbit(*this, particles[i], a1x, a1y, strength, c1.GetColor());
    }
    angle += spin;
}

void Scene::RenderFloatingTriangle() {
    static Particle corners[3];
    static ColorCycler c0, c1;
    static int toggle = 0;

    applyTransform = 1;
    ClearNoFadeIfHinted(CurrentTransform());
    if (firstFrame != 0) c1.SetLeader(&c0);
    if (volumePeak * 0.7 < volumeMid || firstFrame != 0) {
        toggle = toggle == 0 ? 1 : 0;
        for (Particle& p : corners) Scatter(p, *this, 0.02);
    }
    const double ratio = VolumeRatio(volumeMid, volumePeak);
    const double strength = 5000.0 * (ratio * ratio);
    c0.Step();
    c1.Step();
    for (Particle& p : corners) {
        p.Attract(kTriangleX, kTriangleY, strength, kTriangleMaxPull);
        p.Damp(true, true);
        p.Move(*this, false);
    }
    const uint32_t colour = toggle == 0 ? c0.GetColor() : c1.GetColor();
    for (int e = 0; e < 3; ++e) {
        const Particle& from = corners[e];
        const Particle& to = corners[(e + 1) % 3];
        DrawLine(from.x, from.y, to.x, to.y, colour, false);
    }
}
