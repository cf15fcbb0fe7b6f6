// Waveform renderers: 0 Plain-Vanilla Waveforms, 1 Wavy Circle,
// 2 Moving Volume Cicle, 3 Shivering Lines.
#include <cmath>

#include "scene/color_cycler.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "transform/fast_trig.h"
#include "transform/transform.h"

namespace {

bool CentreHint(const Scene& s) {
    const Transform* t = s.CurrentTransform();
    return t != nullptr && t->centreHint != 0;
}

}  // namespace

void Scene::RenderPlainVanillaWaveforms() {
    static ColorCycler c1, c2, c3;
    static int style = 0;
    static double phase = 0.0;

    applyTransform = 1;
    c3.SetLeader(&c2);
    c2.SetLeader(&c1);
    if (firstFrame != 0) style = Random(1) == 0 ? 1 : 0;

    const int offset = static_cast<int>(fasttrig::Sin(phase) * heightD * 0.45454545454545453);
    const double baseLeft = halfHeight + offset;
    const double baseRight = halfHeight - offset;
    const double baseMid = halfHeight;
    const double xScale = 575.0 / widthD;
    const double amp = heightD / 1024;

    const uint32_t col1 = c1.Step();
    const uint32_t col2 = c2.Step();
    const uint32_t col3 = c3.Step();

    double prevL = baseLeft + amp * waveLeft[0];
    double prevR = baseRight + amp * waveRight[0];
    double prevM = baseMid + amp * waveMid[0];
    for (int x = 1; x <= width - 2; ++x) {
        const int i = static_cast<int>(x * xScale);
        const double curL = baseLeft + amp * waveLeft[i];
        const double curR = baseRight + amp * waveRight[i];
        const double curM = baseMid + amp * waveMid[i];
        if (style == 0) {
            DrawLine(x - 1, prevL, x, curL, col1, false);
            DrawLine(x - 1, prevR, x, curR, col2, false);
            DrawLine(x - 1, prevM, x, curM, col3, true);
            prevL = curL;
            prevR = curR;
        } else {
            DrawLine(x - 1, prevM, x, curM, col3, false);
        }
        prevM = curM;
    }
    phase += 0.01;
}

void Scene::RenderWavyCircle() {
    static ColorCycler a, b, c, d, e;
    static int colourMode = 0;
    static double starPhase = 0.0;

    applyTransform = 1;
    Transform* t = CurrentTransform();
    if (t != nullptr && t->fadeHint == 1) t->noFade = 0;
    if (firstFrame != 0) colourMode = Random(1);

    const double baseRadius = heightD * volumeMid / 64;
    const uint32_t ring = colourMode == 0 ? a.Step() : 0xFFFFFFu;
    // Over a centred transform the ring is a fresh seed each frame; elsewhere
    // crossings brighten.
    const bool centred = CentreHint(*this);

    for (int i = 0; i < 1152; ++i) {
        const double angle = i * 0.005454166666666666;
        // Out through the samples and back, so the ring closes on itself.
        const int j = i < kAudioSamples ? i : 1151 - i;
        const double r = waveMid[j] / 8 + baseRadius;
        PlotPixel(halfWidthD + r * fasttrig::Sin(angle), halfHeightD + r * fasttrig::Cos(angle), ring, !centred);
    }

    if (!centred) return;
    b.Step();
    c.Step();
    d.Step();
    e.Step();
    const double k = std::fabs(2 * fasttrig::Sin(starPhase));
    PutPixel(halfWidth - 1, halfHeight, b.ScaledStep(k));
    PutPixel(halfWidth + 1, halfHeight, c.ScaledStep(k));
    PutPixel(halfWidth, halfHeight + 1, d.ScaledStep(k));
    PutPixel(halfWidth, halfHeight - 1, e.ScaledStep(k));
    starPhase += 1.0;
}

void Scene::RenderMovingVolumeCircle() {
    static ColorCycler a, b;
    static double centreX = 0.0;
    static bool movingRight = true;

    applyTransform = 1;
    if (movingRight) {
        centreX += 1.0;
        if (centreX > widthD - 1.0) {
            centreX = widthD - 1.0;
            movingRight = false;
        }
    } else {
        centreX -= 1.0;
        if (centreX < 0.0) {
            centreX = 0.0;
            movingRight = true;
        }
    }

    const uint32_t colour = a.Step();
    const double radius = heightD * volumeMid * volumeMid / 2048;
    for (int k = 0; k < 360; ++k) {
        const double angle = k * 0.017453333333333335;
        PlotPixel(centreX + radius * fasttrig::Cos(angle), halfHeightD + radius * fasttrig::Sin(angle), colour, false);
    }

    if (!CentreHint(*this)) return;
    b.Step();
    for (int y = 0; y < height; ++y) {
        // Stepped on every row, drawn or not, so the colour runs down the line.
        const uint32_t rowColour = b.Step();
        const double sample = waveMid[y % kAudioSamples];
        if (!(sample > -1.0e6 && sample < 1.0e6)) continue;
        const int x = halfWidth + static_cast<int>(sample);
        if (x < 0 || x > maxX) continue;
        frameBuffer[y * width + x] |= rowColour;
    }
}

void Scene::RenderShiveringLines() {
    static ColorCycler p, q;  // p draws line 1, q line 0
    static int segments = 0;
    static int turns[2][20];  // entry k of a line is turns[line][k - 1]

    if (firstFrame != 0) {
        volumePeak *= 0.5;
        applyTransform = Random(3) == 0 ? 1 : 0;
        segments = 3 * Random(2) + 7;
    }

    const bool beat = volumePeak * 0.8 < volumeMid;
    if (beat || firstFrame != 0) {
        for (int line = 0; line < 2; ++line) {
            // Line 0 leaves the top edge at an x and turns at a y; line 1 leaves
            // the left edge at a y. Odd entries are on the starting axis.
            for (int k = 1; k <= segments; ++k) {
                const bool isX = (k % 2 == 1) == (line == 0);
                if (k < segments) {
                    turns[line][k - 1] = Random(isX ? width : height);
                } else {
                    turns[line][k - 1] = isX ? width : height;  // the last run reaches the far edge
                }
            }
        }
    }

    const double amp = heightD / 2048;
    int wobble = 0;  // of the latest step in this frame, of either line
    for (int line = 0; line < 2; ++line) {
        ColorCycler& cycler = line == 0 ? q : p;
        const double* wave = line == 0 ? waveLeft : waveRight;
        const uint32_t c0 = cycler.Step();
        const uint32_t c1 = cycler.ScaledStep(0.8);
        const uint32_t c2 = cycler.ScaledStep(0.2);

        int baseX = line == 0 ? turns[0][0] : 0;
        int baseY = line == 0 ? 0 : turns[1][0];
        bool horizontal = line == 1;
        int s = -1;
        for (int run = 1; run < segments; ++run) {
            const int target = turns[line][run];
            int m = horizontal ? baseX : baseY;
            int steps = 0;
            while (m != target) {
                // A run longer than this ends the whole figure for the frame.
                if (++steps > 1000) return;
                m += m <= target ? 1 : -1;
                if (++s > 1151) s = 0;
                const int i = s < kAudioSamples ? s : 1151 - s;
                wobble = static_cast<int>(wave[i] * amp);
                const int x = horizontal ? m : baseX + wobble;
                const int y = horizontal ? baseY + wobble : m;
                if (x < 3 || x > width - 3 || y < 3 || y > height - 3) continue;
                // Five pixels thick, brightest in the middle.
                uint32_t* centre = frameBuffer + y * width + x;
                const int across = horizontal ? width : 1;
                centre[0] = c0;
                centre[-across] = c1;
                centre[across] = c1;
                centre[-2 * across] = c2;
                centre[2 * across] = c2;
            }
            if (horizontal) {
                baseY += wobble;
                baseX = m - wobble;
            } else {
                baseX += wobble;
                baseY = m - wobble;
            }
            horizontal = !horizontal;
        }
    }
}
