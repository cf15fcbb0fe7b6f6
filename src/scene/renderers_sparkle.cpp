// Sparkle and drop renderers: 7 Sparkles, 8 Paint Drops.
#include <cmath>

#include "scene/color_cycler.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "transform/fast_trig.h"
#include "transform/transform.h"

namespace {

// Three rays of full length, each ending in a three-ray burst two generations
// deep: 120 lines per star, all in the source's colour of this frame.
void DrawSparkleStar(Scene& scene, double cx, double cy, double radius, const ColorCycler& source) {
    const uint32_t colour = source.GetColor();
    for (int ray = 0; ray < 3; ++ray) {
        Random(100);  // drawn and discarded, like every burst ray
        const double a = Random(100) * 0.06283;
        const double ex = cx + fasttrig::Cos(a) * radius;
        const double ey = cy + fasttrig::Sin(a) * radius;
        scene.DrawLine(cx, cy, ex, ey, colour, false);
        scene.DrawBurst(ex, ey, radius * 0.5, 3, 2, source);
    }
}

const uint32_t kPaintPalette[3] = {0x000F0FFF, 0x000FFF0F, 0x00FF0F0F};

// The loudest frame a real song can give: volumeMid 128 against the 8.0 that
// the peak restarts from at a new song. Anything beyond would only come from a
// peak driven towards zero, and must neither overflow the count nor stall.
constexpr double kMaxDropValue = 120.0 * 16.0 * 16.0;

// trunc(120 x ratio^2) - 5, or 0 when that is below 1. Without a measured peak
// (0, or a ratio that is not a number) there are no drops.
int PaintDropCount(double volumeMid, double volumePeak) {
    if (!(volumePeak > 0.0)) return 0;
    const double ratio = volumeMid / volumePeak;
    double value = 120.0 * (ratio * ratio);
    if (!(value >= 6.0)) return 0;
    if (!(value < kMaxDropValue)) value = kMaxDropValue;
    return static_cast<int>(value) - 5;
}

// A random offset of up to spread pixels either way from the centre.
int DropOffset(int size) {
    const int a = Random(10);
    const int spread = static_cast<int>(a * size * 0.05);
    int d = Random(spread);
    if (Random(1) == 0) d = -d;
    return d;
}

// The ten rings of a drop as DrawCircle traces them about any centre: ring j
// has radius j x 0.5 and its points lie at radius x (cos, sin)(k / radius)
// from the centre. The offsets are the same doubles for every drop, so they
// are computed once and each point costs two additions (a loud first frame
// of a song draws up to 30,715 drops).
constexpr int kRings = 10;
constexpr int kMaxRingPoints = 32;
struct DropRings {
    int points[kRings];
    double x[kRings][kMaxRingPoints];
    double y[kRings][kMaxRingPoints];
    uint32_t colour[3][kRings];  // palette colour scaled for each ring
};

const DropRings& Rings() {
    static const DropRings rings = [] {
        DropRings r{};
        for (int j = 0; j < kRings; ++j) {
            const double radius = j * 0.5;
            r.points[j] = j == 0 ? 0 : 1 - static_cast<int>(radius * -6.283);  // as DrawCircle counts
            for (int k = 0; k < r.points[j]; ++k) {
                const double angle = k / radius;
                r.x[j][k] = radius * fasttrig::Cos(angle);
                r.y[j][k] = radius * fasttrig::Sin(angle);
            }
            for (int c = 0; c < 3; ++c) r.colour[c][j] = ScaleColor(fasttrig::Cos(j * 0.15) * 8.0, kPaintPalette[c]);
        }
        return r;
    }();
    return rings;
}

// DrawCircle's plot in OR mode: truncation toward zero, each coordinate
// checked on its own.
inline bool DropPixel(double v, int limit, int* out) {
    if (!(v > -1.0 && v < static_cast<double>(limit) + 1.0)) return false;
    const int i = static_cast<int>(v);
    if (i < 0 || i > limit) return false;
    *out = i;
    return true;
}

}  // namespace

void Scene::RenderSparkles() {
    static ColorCycler a, b;
    static double angle = 0.0;
    static double spin = 0.0;

    applyTransform = 1;
    const double offX = fasttrig::Cos(angle) * widthD / 4;
    const double offY = fasttrig::Sin(angle) * widthD / 4;
    if (firstFrame != 0) spin = 6.283 / ((Random(6) - 3) * 60.0 + 1.01);
    const double rL = volumeLeft * heightD / 128;
    const double rR = volumeRight * heightD / 128;
    a.Step();
    b.Step();
    DrawSparkleStar(*this, widthD * 0.5 + offX, heightD * 0.5 + offY, rL, a);
    DrawSparkleStar(*this, widthD * 0.5 - offX, heightD * 0.5 - offY, rR, b);
    angle += spin;
}

void Scene::RenderPaintDrops() {
    applyTransform = 1;
    if (Transform* t = CurrentTransform()) t->noFade = 0;

    const int drops = PaintDropCount(volumeMid, volumePeak);
    const DropRings& rings = Rings();
    for (int n = 0; n < drops; ++n) {
        const int c = Random(2);
        const double cx = width / 2 + DropOffset(width);
        const double cy = height / 2 + DropOffset(height);
        // Inner rings brightest: the factor falls from about 7.9 to 1.75.
        for (int j = 1; j < kRings; ++j) {
            const uint32_t colour = rings.colour[c][j];
            for (int k = 0; k < rings.points[j]; ++k) {
                int ix, iy;
                if (DropPixel(cx + rings.x[j][k], maxX, &ix) && DropPixel(cy + rings.y[j][k], maxY, &iy))
                    frameBuffer[iy * width + ix] |= colour;
            }
        }
    }
}
