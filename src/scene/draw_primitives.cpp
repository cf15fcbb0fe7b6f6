#include <cmath>

#include "scene/color_cycler.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "transform/fast_trig.h"

namespace {
// Truncation toward zero, safe for infinities and NaN: anything that does not
// fit an int is reported off-screen rather than converted with undefined behaviour.
inline bool ToPixel(double v, int limit, int* out) {
    if (!(v > -1.0 && v < static_cast<double>(limit) + 1.0)) return false;
    const int i = static_cast<int>(v);
    if (i < 0 || i > limit) return false;
    *out = i;
    return true;
}
}  // namespace

void Scene::PutPixel(double x, double y, uint32_t colour) { PlotPixel(x, y, colour, false); }

void Scene::PlotPixel(double x, double y, uint32_t colour, bool orMode) {
    int ix, iy;
    if (ToPixel(x, maxX, &ix) && ToPixel(y, maxY, &iy)) {
        uint32_t& p = frameBuffer[iy * width + ix];
        p = orMode ? (p | colour) : colour;
    }
}

void Scene::DrawLine(double x1, double y1, double x2, double y2, uint32_t colour, bool orMode) {
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    double stepX, stepY, length;
    if (std::fabs(dx) <= std::fabs(dy)) {
        stepY = dy > 0 ? 1.0 : -1.0;
        length = std::fabs(dy);
        // A zero-length line draws its start point only; its step is never used.
        stepX = length > 0.0 ? dx / length : 0.0;
    } else {
        stepX = dx > 0 ? 1.0 : -1.0;
        length = std::fabs(dx);
        stepY = dy / length;
    }
    if (!(length < 1e7)) return;  // NaN or absurd: nothing sensible to draw
    const int points = static_cast<int>(length) + 1;
    double x = x1, y = y1;
    for (int k = 0; k < points; ++k) {
        int ix, iy;
        if (ToPixel(x, maxX, &ix) && ToPixel(y, maxY, &iy)) {
            uint32_t& p = frameBuffer[iy * width + ix];
            p = orMode ? (p | colour) : colour;
        }
        x += stepX;
        y += stepY;
    }
}

void Scene::DrawCircle(double cx, double cy, double radius, uint32_t colour, bool orMode) {
    if (!(radius > 0.0) || !(radius < 1e7)) return;
    const int points = 1 - static_cast<int>(radius * -6.283);
    for (int k = 0; k < points; ++k) {
        const double angle = k / radius;
        int ix, iy;
        if (ToPixel(cx + radius * fasttrig::Cos(angle), maxX, &ix) &&
            ToPixel(cy + radius * fasttrig::Sin(angle), maxY, &iy)) {
            uint32_t& p = frameBuffer[iy * width + ix];
            p = orMode ? (p | colour) : colour;
        }
    }
}

void Scene::DrawBurst(double cx, double cy, double radius, int rays, int depth, const ColorCycler& source) {
    const uint32_t c = source.GetColor();
    for (int r = 0; r < rays; ++r) {
        Random(100);  // drawn and discarded: keeps the sequence of draws
        const double angle = Random(100) * 0.06283;
        const double ex = cx + radius * fasttrig::Cos(angle);
        const double ey = cy + radius * fasttrig::Sin(angle);
        DrawLine(cx, cy, ex, ey, c, false);
        if (depth != 0) DrawBurst(ex, ey, radius * 0.5, rays, depth - 1, source);
    }
}

uint32_t ScaleColor(double factor, uint32_t colour) {
    double red = ((colour >> 16) & 255) * factor;
    double green = ((colour >> 8) & 255) * factor;
    double blue = (colour & 255) * factor;
    if (red > 255.0) red = 255.0;
    if (green > 255.0) green = 255.0;
    if (blue > 255.0) blue = 255.0;
    return static_cast<uint32_t>(static_cast<int>(red)) << 16 |
           static_cast<uint32_t>(static_cast<int>(green)) << 8 | static_cast<uint32_t>(static_cast<int>(blue));
}
