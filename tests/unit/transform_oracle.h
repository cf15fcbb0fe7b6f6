#pragma once
// The generators as they were before generation was split into rows and the
// polar ones stopped calling atan2, cos and sin per pixel: the oracle that the
// maps of today's generators are compared with, entry for entry. Used only by
// tests and benchmarks.
#include <cmath>
#include <cstdint>
#include <vector>

#include "scene/random.h"
#include "transform/transform.h"

namespace oracle {

struct PolarPoint {
    double rho;
    double phi;
};

template <typename SourceOf>
void FillPolarMapOracle(Transform& map, double cx, double cy, SourceOf sourceOf, double lift = 0.0) {
    int n = 0;
    for (int iy = 0; iy < map.height; ++iy) {
        const double dy = iy - cy;
        const double dy2 = dy * dy;
        for (int ix = 0; ix < map.width; ++ix, ++n) {
            const double dx = ix - cx;
            const double r = std::sqrt(dx * dx + dy2) + 1e-8;
            const double theta = std::atan2(dy, dx);
            const PolarPoint p = sourceOf(r, theta);
            map.SetEntry(n, cx + p.rho * std::cos(p.phi), (cy + p.rho * std::sin(p.phi)) - lift);
        }
    }
}

// ---- from spiral_transforms
struct Centre {
    double x;
    double y;
};

// Somewhere between 0.375 and 0.625 of each side, in quarter-pixel steps.
inline Centre DrawMiddleCentre(int width, int height) {
    Centre c;
    c.x = Random(width) * 0.25 + width * 0.375;
    c.y = Random(height) * 0.25 + height * 0.375;
    return c;
}

// 1 to 8; the three draws must happen in this order.
inline int DrawPetals() {
    const int pairs = Random(2);
    const int single = Random(2);
    const int extra = Random(1);
    return 2 * pairs + single + extra + 1;
}

// Turns most at the centre, fading with the square of the distance, with
// concentric ripples of angle and a slight zoom.
inline void OracleWavySpiral(Transform& t) {
    const double cx = Random((3 * t.width) / 4) + t.width * 0.125;
    const double cy = Random((3 * t.height) / 4) + t.height * 0.125;
    const double scale = 1.0 + 0.005 * (Random(5) - 2);
    const double waveFrequency = (Random(20) + 1) * 3.14;
    double twist = (Random(10) - 4.7) * 0.006666666666666667;
    const double waveAmplitude = (Random(10) - 5) * twist * 0.2;
    if (Random(5) == 0) twist = 5.0 * twist;  // the ripple keeps the plain twist

    const double w = t.width;
    FillPolarMapOracle(t, cx, cy, [&](double r, double theta) {
        const double u = r / w;
        const double rest = 1.0 - u;
        return PolarPoint{r * scale, (waveAmplitude * std::cos(waveFrequency * u) + theta) + twist * (rest * rest)};
    });

    t.noFade = (Random(4) != 0) ? 1 : 0;
    t.fadeHint = 0;
    t.centreHint = 0;
}

// A sharp spin at the centre that dies off with the eighth power of the
// distance, while the whole picture drifts by 0.9 pixel up or down.
inline void OracleTranslateAndSpin(Transform& t) {
    const double cx = (Random(t.width) / 2) + t.width * 0.25;
    const double cy = (Random(t.height) / 2) + t.height * 0.25;
    const double spin = (5 * Random(6) - 14) * 0.02;
    const double drift = (Random(1) == 0) ? 0.9 : -0.9;

    const double w = t.width;
    FillPolarMapOracle(
        t, cx, cy,
        [&](double r, double theta) {
            const double q = 1.0 - r / w;
            // pow, not repeated squaring: the rounding is part of the map.
            return PolarPoint{r, spin * std::pow(q, 8.0) + theta};
        },
        drift);

    t.noFade = (Random(2) != 0) ? 1 : 0;
    t.fadeHint = 0;
    t.centreHint = 0;
}

// Turns least on one ring and ever faster on both sides of it; on the ring
// where q reaches 0 the angle is infinite and the entry falls out of range.
inline void OracleFastReverseSpiral(Transform& t) {
    const Centre c = DrawMiddleCentre(t.width, t.height);
    const double strength = (4 * Random(4) + 4) * 0.02;
    const double g = (1.0 / t.width) * (2.0 / (2 * Random(1) + 1));

    FillPolarMapOracle(t, c.x, c.y, [&](double r, double theta) {
        const double q = 1.0 - std::fabs(r * g - 0.4);
        return PolarPoint{r, strength * std::pow(q, -2.0) + theta};
    });

    t.noFade = (Random(3) != 0) ? 1 : 0;
    t.fadeHint = 0;
    t.centreHint = 0;
}

// Flower's petals with a swirl that accumulates over every pixel before this
// one in raster order: each row turns by what the rows above it collected.
inline void OracleTypo(Transform& t) {
    const Centre c = DrawMiddleCentre(t.width, t.height);
    const int petals = DrawPetals();
    const int swirl = Random(8) + 6;
    const double a = (8e-05 / t.width) * 320.0;
    double accumulated = 0.0;

    FillPolarMapOracle(t, c.x, c.y, [&](double r, double theta) {
        const double rho = r * (1.0 + 0.02 * std::cos(petals * theta));
        accumulated = accumulated + a * std::sin(swirl * theta);
        return PolarPoint{rho, theta + accumulated};
    });

    t.noFade = (Random(3) != 0) ? 1 : 0;
    t.fadeHint = 0;
    t.centreHint = 0;
}

// A slow turn with a radius that breathes by 2 % with the petal count.
inline void OracleFlower(Transform& t) {
    const Centre c = DrawMiddleCentre(t.width, t.height);
    const double spin = (Random(4) - 1.5) * 4.0 * 0.002;
    const int petals = DrawPetals();

    FillPolarMapOracle(t, c.x, c.y, [&](double r, double theta) {
        const double petalAngle = petals * theta;
        return PolarPoint{r * (1.0 + 0.02 * std::cos(petalAngle)), theta + (0.0008 * std::sin(petalAngle) + spin)};
    });

    t.noFade = (Random(3) != 0) ? 1 : 0;
    t.fadeHint = 0;
    t.centreHint = 0;
}

// ---- from zoom_fold_transforms
// Streams outwards faster at the edges than near the centre, with a slight
// turn; a large zoom folds the outer picture through the centre.
inline void OracleParabolicZoomer(Transform& t) {
    const double rotation = (Random(5) - 2.7) * 0.016666666666666666;
    const int b = Random(1);
    const int c = Random(3);
    const int d = Random(5);
    const double zoom = d * 0.2 + (b * 5.0) / (c + 1);

    const double cx = t.width * 0.5;
    const double cy = t.height * 0.5;
    const double inverseWidth = 1.0 / t.width;
    FillPolarMapOracle(t, cx, cy, [&](double r, double theta) {
        return PolarPoint{r * (1.0 - (r * inverseWidth) * zoom), theta + rotation};
    });

    t.noFade = (Random(2) == 1) ? 1 : 0;
    t.fadeHint = 1;
    t.centreHint = 0;
}

// Moves outwards by about `shift` pixels a frame, rippled by half a pixel
// along rings.
inline void OracleBubble(Transform& t) {
    const double shift = (Random(10) - 2) * 0.16666666666666666 + 0.2;
    const double frequency = Random(2) * 3.0 + 1.0;

    const double cx = t.width * 0.5;
    const double cy = t.height * 0.5;
    const double inverseWidth = 1.0 / t.width;
    FillPolarMapOracle(t, cx, cy, [&](double r, double theta) {
        return PolarPoint{r - (0.5 * std::sin(r * inverseWidth * frequency) + shift), theta};
    });

    t.noFade = (Random(2) == 1) ? 1 : 0;
    t.fadeHint = 0;
    t.centreHint = 0;
}

// The whole picture grows by the magnification every frame.
inline void OracleFastZoomer(Transform& t) {
    const double magnification = 1.1 + Random(7) * 0.03571428571428571;
    const double m = 1.0 / magnification;

    const double cx = t.width * 0.5;
    const double cy = t.height * 0.5;
    int n = 0;
    for (int iy = 0; iy < t.height; ++iy) {
        const double sy = (iy - cy) * m + cy;
        for (int ix = 0; ix < t.width; ++ix, ++n) t.SetEntry(n, (ix - cx) * m + cx, sy);
    }

    t.noFade = 0;
    t.fadeHint = 1;
    t.centreHint = 1;
}

// Eight mirrored copies of one wedge: the source depends only on |X² − Y²|
// and |X·Y|, and always lies in the lower right quarter.
inline void OracleKaleidoscope(Transform& t) {
    const double s = (Random(2) * 0.5 + 1.7) / t.width;

    const double w = t.width;
    const double h = t.height;
    const double halfWidth = w * 0.5;
    const double halfHeight = h * 0.5;
    int n = 0;
    for (int iy = 0; iy < t.height; ++iy) {
        const double y = (iy - halfHeight) * s;
        const double y2 = y * y;
        for (int ix = 0; ix < t.width; ++ix, ++n) {
            const double x = (ix - halfWidth) * s;
            const double sx = (std::sqrt(std::fabs(x * x - y2)) * 0.5 + 0.505) * w;
            const double sy = ((std::sqrt(std::fabs(x * y)) - 0.01) + 1.0) * 0.5 * h;
            t.SetEntry(n, sx, sy);
        }
    }

    t.noFade = 0;
    t.fadeHint = 1;
    t.centreHint = 1;
}

// ---- from sliding_transforms
// Columns at the entering edge that copy a column from the far side.
constexpr int kOracleWrapBand = 11;

// Rows slide sideways at a speed that varies across the t.width; what leaves on
// one side comes back on the other through the wrap band.
inline void OracleUndulatingSlider(Transform& t) {
    const double frequency = Random(3) * 0.5 * 0.04;
    const double speed = Random(5) + 0.9;
    const double direction = (Random(1) == 0) ? 1.0 : -1.0;
    const double depth = Random(3) * 0.1 + 0.4;

    // The source column depends on the column alone: one cosine per column.
    std::vector<double> columnSource(static_cast<size_t>(t.width));
    const double w = t.width;
    for (int ix = 0; ix < t.width; ++ix) {
        const double x = ix;
        if (direction > 0.0 && ix < kOracleWrapBand) {
            columnSource[ix] = x + w - 12.0;
        } else if (direction < 0.0 && ix > t.width - 12) {
            columnSource[ix] = x + 13.0 - w;
        } else {
            columnSource[ix] = x - ((std::cos(x * frequency) * depth + 1.0) * direction) * speed;
        }
    }

    int n = 0;
    for (int iy = 0; iy < t.height; ++iy) {
        const double y = iy;
        for (int ix = 0; ix < t.width; ++ix, ++n) t.SetEntry(n, columnSource[ix], y);
    }

    t.fadeHint = 1;
    t.centreHint = 1;
    t.noFade = (Random(2) != 0) ? 1 : 0;
}

// A fixed fractional shift of the whole picture: the fractions blend
// neighbours, so trails soften as they drift.
inline void OracleDiagonalFade(Transform& t) {
    const double p = Random(10) * 0.2;
    double dx = Random(10) * 0.2 * p + 0.1;
    const double q = Random(10) * 0.2;
    double dy = Random(10) * 0.2 * q + 0.1;
    if (Random(1) != 0) dx = -dx;
    if (Random(1) != 0) dy = -dy;

    int n = 0;
    for (int iy = 0; iy < t.height; ++iy) {
        const double sy = iy + dy;
        for (int ix = 0; ix < t.width; ++ix, ++n) t.SetEntry(n, ix + dx, sy);
    }

    t.noFade = 1;
    t.fadeHint = 0;
    t.centreHint = 0;
}

// A sideways shift with every column bent up or down along a cosine that
// covers 4.8 radians across the t.width.
inline void OraclePlainSineWave(Transform& t) {
    const double shift = Random(8) - 3.9;
    const double phase = Random(10000) * 0.01;
    const double amplitude = ((Random(4) - 1.5) * 1280.0) / t.width;
    const double frequency = 4.8 / t.width;

    std::vector<double> columnBend(static_cast<size_t>(t.width));
    for (int ix = 0; ix < t.width; ++ix) {
        const double x = ix;
        columnBend[ix] = amplitude * std::cos(x * frequency + phase);
    }

    int n = 0;
    for (int iy = 0; iy < t.height; ++iy) {
        const double y = iy;
        for (int ix = 0; ix < t.width; ++ix, ++n) {
            const double x = ix;
            t.SetEntry(n, x - shift, y + columnBend[ix]);
        }
    }

    t.noFade = 1;
    t.fadeHint = 0;
    t.centreHint = 0;
}

// ---- from tile_transforms
// Half-pixel checkerboard shift: each pixel takes the average of the 2 x 2
// block below-right (even squares) or above-left (odd squares).
inline void OracleFuzzyFade(Transform& t) {
    int n = 0;
    for (int iy = 0; iy < t.height; ++iy) {
        const double y = iy;
        for (int ix = 0; ix < t.width; ++ix, ++n) {
            const double x = ix;
            const int k = static_cast<int>(x + y);
            const double d = (k % 2 == 0) ? 0.5 : -0.5;
            t.SetEntry(n, x + d, y + d);
        }
    }

    t.noFade = 0;
    t.fadeHint = 0;
    t.centreHint = 1;
}

// Square tiles move in alternating directions by 2 x tile - 0.5 pixels; the
// half pixel averages 2 x 2 blocks on every frame.
inline void OracleShinyTiles(Transform& t) {
    const double tile = Random(3) * 5.0 + 1.0;
    const double backward = 0.5 - (tile + tile);
    const double forward = (tile + tile) - 0.5;

    int n = 0;
    for (int iy = 0; iy < t.height; ++iy) {
        const double y = iy;
        const int j = static_cast<int>(y / tile);
        const double sy = y + ((j % 2 == 0) ? backward : forward);
        for (int ix = 0; ix < t.width; ++ix, ++n) {
            const double x = ix;
            const int i = static_cast<int>(x / tile);
            t.SetEntry(n, x + ((i % 2 == 0) ? backward : forward), sy);
        }
    }

    t.noFade = 1;
    t.fadeHint = 0;
    t.centreHint = 0;
}

// 320 / W² and 240 / H² use the integer squares. Formed in 64 bits: a 32-bit
// square overflows beyond 46340 pixels, and every smaller size gives the same
// value either way.
inline double InverseSquareScale(double numerator, int size) {
    const int64_t square = static_cast<int64_t>(size) * size;
    return numerator / static_cast<double>(square);
}

// Bands of rows slide sideways against each other, bands of columns up and
// down; where they meet the picture turns in rectangular cells.
inline void OracleSpiralTiles(Transform& t) {
    const double kx = InverseSquareScale(320.0, t.width);
    const double ky = InverseSquareScale(240.0, t.height);
    const int fy = 8 * Random(8) + 32;
    const int fx = fy + 8 * Random(4) - 16;
    const int variant = Random(1);

    // The vertical move depends on the column alone.
    std::vector<double> columnWave(static_cast<size_t>(t.width));
    for (int ix = 0; ix < t.width; ++ix) {
        const double x = ix;
        columnWave[ix] = std::cos((x * fx) * kx);
    }

    int n = 0;
    for (int iy = 0; iy < t.height; ++iy) {
        const double y = iy;
        const double rowWave = std::cos((y * fy) * ky);
        if (variant == 0) {
            // A cosine of exactly 0, or NaN, moves the positive way.
            const double sx0 = (rowWave > 0.0) ? -0.8 : 0.8;
            for (int ix = 0; ix < t.width; ++ix, ++n) {
                const double x = ix;
                t.SetEntry(n, x + sx0, y + ((columnWave[ix] > 0.0) ? -0.8 : 0.8));
            }
        } else {
            for (int ix = 0; ix < t.width; ++ix, ++n) {
                const double x = ix;
                t.SetEntry(n, x + rowWave, y + columnWave[ix]);
            }
        }
    }

    t.noFade = 1;
    t.fadeHint = 0;
    t.centreHint = 0;
}

// Generates transform `index` into t's map and flags, as Transform::Generate did.
inline void Generate(Transform& t, int index) {
    switch (index) {
        case 0: OracleWavySpiral(t); break;
        case 1: OracleParabolicZoomer(t); break;
        case 2: OracleBubble(t); break;
        case 3: OracleFastZoomer(t); break;
        case 4: OracleUndulatingSlider(t); break;
        case 5: OracleFuzzyFade(t); break;
        case 6: OracleShinyTiles(t); break;
        case 7: OracleDiagonalFade(t); break;
        case 8: OracleTranslateAndSpin(t); break;
        case 9: OracleKaleidoscope(t); break;
        case 10: OracleFastReverseSpiral(t); break;
        case 11: OracleTypo(t); break;
        case 12: OracleFlower(t); break;
        case 13: OracleSpiralTiles(t); break;
        case 14: OraclePlainSineWave(t); break;
        default: break;
    }
}

}  // namespace oracle
