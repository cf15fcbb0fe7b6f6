#pragma once

class Scene;

// A moving point with velocity and friction; renderers keep arrays of them.
// Bounds come from the scene's size copies of the current frame.
class Particle {
public:
    Particle() {}
    virtual ~Particle() {}

    void Set(double nx, double ny, double nvx, double nvy, double nfriction);
    void Move(const Scene& scene, bool wrap);
    // A drop falling onto a segmented surface; returns the segment hit or -1.
    int MoveAndBounce(const Scene& scene, int count, const double* xLeft, const double* xRight,
                      const double* surfaceNow, const double* surfaceBefore);
    void Damp(bool alongX, bool alongY);
    void Attract(double px, double py, double strength, double maxPull);
    void Push(double ax, double ay) {
        vx += ax;
        vy += ay;
    }

    double x = 0.0, y = 0.0, vx = 0.0, vy = 0.0, friction = 0.0;
};

// Upward throw of a bouncing drop, in units of 0.0022 pixels per frame.
constexpr double kSurfacePush = -3548.0;
