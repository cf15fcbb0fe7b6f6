#include "scene/color_cycler.h"

#include <cmath>

#include "scene/random.h"

namespace {
// A step from less than one unit away lands past the target, so a channel can
// stray just outside 0..255; the packed colour stays in range, the path is kept.
inline uint32_t Channel(double v) {
    if (!(v > 0.0)) return 0;
    if (v >= 255.0) return 255;
    return static_cast<uint32_t>(static_cast<int>(v));
}

inline uint32_t Pack(double red, double green, double blue) {
    return Channel(red) << 16 | Channel(green) << 8 | Channel(blue);
}
}  // namespace

ColorCycler::ColorCycler() { PickTarget(true); }

void ColorCycler::PickTarget(bool random) {
    bool randomPass = random;
    if (leader != nullptr) {
        const int k = Random(2);
        targetR = leader->targetR;
        targetG = leader->targetG;
        targetB = leader->targetB;
        int* chosen = k == 0 ? &targetR : (k == 1 ? &targetG : &targetB);
        *chosen += Random(32);
        if (*chosen > 255) *chosen = 255;
        if (*chosen < 0) *chosen = 0;
        randomPass = false;
    }
    for (;;) {
        if (randomPass) {
            if (Random(4) != 0) {
                targetR = Random(3) * 64 + 63;
                targetG = Random(3) * 64 + 63;
                targetB = Random(3) * 64 + 63;
            } else {
                targetR = targetG = targetB = 0;
                const int channel = Random(2);
                if (channel == 0) targetR = 255;
                else if (channel == 1) targetG = 255;
                else targetB = 255;
            }
        }
        dr = targetR - r;
        dg = targetG - g;
        db = targetB - b;
        double m = std::fabs(dr);
        if (std::fabs(dg) > m) m = std::fabs(dg);
        if (std::fabs(db) > m) m = std::fabs(db);
        if (m != 0.0) {
            dr /= m;
            dg /= m;
            db /= m;
            stepsLeft = static_cast<int>(m);
            return;
        }
        randomPass = true;
    }
}

uint32_t ColorCycler::Step() {
    r += dr;
    g += dg;
    b += db;
    const double cr = r, cg = g, cb = b;
    stepsLeft -= 1;
    if (stepsLeft < 1) PickTarget(true);
    color = Pack(cr, cg, cb);
    return color;
}

uint32_t ColorCycler::ScaledStep(double factor) {
    double red = r * factor, green = g * factor, blue = b * factor;
    if (red > 255.0) red = 255.0;
    if (green > 255.0) green = 255.0;
    if (blue > 255.0) blue = 255.0;
    stepsLeft -= 1;
    if (stepsLeft < 1) PickTarget(true);
    return Pack(red, green, blue);
}
