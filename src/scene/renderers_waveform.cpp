// Waveform renderers: 0 Plain-Vanilla Waveforms, 1 Wavy Circle,
// 2 Moving Volume Cicle, 3 Shivering Lines.
#include <cmath>

#include "scene/color_cycler.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "transform/transform.h"

void Scene::RenderPlainVanillaWaveforms() {
    static ColorCycler c1, c2, c3;
    static int style = 0;
    static double phase = 0.0;

    applyTransform = 1;
    c3.SetLeader(&c2);
    c2.SetLeader(&c1);
    if (firstFrame != 0) style = Random(1) == 0 ? 1 : 0;

    const int offset = static_cast<int>(std::sin(phase) * heightD * 0.45454545454545453);
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

void Scene::RenderWavyCircle() { applyTransform = 1; }
void Scene::RenderMovingVolumeCircle() { applyTransform = 1; }
void Scene::RenderShiveringLines() { applyTransform = 1; }
