#include "scene/particle.h"

#include <cmath>

#include "scene/random.h"
#include "scene/scene.h"
#include "transform/fast_trig.h"

void Particle::Set(double nx, double ny, double nvx, double nvy, double nfriction) {
    x = nx;
    y = ny;
    vx = nvx;
    vy = nvy;
    friction = nfriction;
}

void Particle::Move(const Scene& scene, bool wrap) {
    x += vx;
    y += vy;
    if (!wrap) return;
    if (x < 0) x += scene.widthD;
    else if (x > scene.widthD) x -= scene.widthD;
    if (y < 0) y += scene.heightD;
    else if (y > scene.heightD) y -= scene.heightD;
}

int Particle::MoveAndBounce(const Scene& scene, int count, const double* xLeft, const double* xRight,
                            const double* surfaceNow, const double* surfaceBefore) {
    const double y0 = y;
    x += vx;
    y += vy;
    const double y1 = y;
    if (x < 0 || x > scene.widthD - 1.0) {
        x = 0.0;
        vx = -vx;
    }
    if (y1 > scene.heightD - 1.0) {
        y = 0.0;
        vx = (Random(100) - 50) * 0.03;
        return -1;
    }
    for (int i = 0; i < count; ++i) {
        if (!(xLeft[i] <= x && x <= xRight[i])) continue;
        const double a = surfaceNow[i];
        const double b = surfaceBefore[i];
        // A drop resting on the surface and leaving it upward is not a new hit,
        // or a drop on a still surface would be caught there for good.
        const bool staysAbove = y0 <= a && y1 < a && y0 <= b && y1 < b;
        const bool staysBelow = y0 >= a && y1 > a && y0 > b && y1 > b;
        if (staysAbove || staysBelow) continue;
        y = a;
        const int r1 = Random(100) - 50;
        const int r2 = Random(100) - 50;
        vy = (4.0 * r1 + kSurfacePush) * 0.0022 - 0.2 * vy;
        vx = r2 * 0.05;
        return i;
    }
    return -1;
}

void Particle::Damp(bool alongX, bool alongY) {
    if (alongX) vx *= (1.0 - friction);
    if (alongY) vy *= (1.0 - friction);
}

void Particle::Attract(double px, double py, double strength, double maxPull) {
    const double dx = px - x;
    const double dy = py - y;
    const double d2 = dx * dx + dy * dy;
    // At zero distance the pull is infinite and the cap takes over; a zero
    // strength pulls nothing there (0/0 would be NaN).
    double pull;
    if (d2 != 0.0) pull = strength / d2;
    else pull = strength > 0.0 ? HUGE_VAL : (strength < 0.0 ? -HUGE_VAL : 0.0);
    if (pull > maxPull) pull = maxPull;
    const double angle = fasttrig::Atan2(dy, dx);
    vx += fasttrig::Cos(angle) * pull;
    vy += fasttrig::Sin(angle) * pull;
}
