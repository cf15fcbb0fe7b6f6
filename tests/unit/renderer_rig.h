#pragma once
// A scene on a TestDisplay for calling one renderer directly. Renderer state
// is static and shared by every test, so a test either starts a scene
// (firstFrame) or checks what holds from any state.
#include <set>
#include <utility>
#include <vector>

#include "scene/random.h"
#include "test_display.h"

using Render = void (Scene::*)();
inline constexpr Render kRenderers[kRendererCount] = {
    &Scene::RenderPlainVanillaWaveforms, &Scene::RenderWavyCircle,     &Scene::RenderMovingVolumeCircle,
    &Scene::RenderShiveringLines,        &Scene::RenderSpectralSpheres, &Scene::RenderHypnotizer,
    &Scene::RenderVolumeLines,           &Scene::RenderSparkles,        &Scene::RenderPaintDrops,
    &Scene::RenderOrbitingParticlesBeat, &Scene::RenderOrbitingParticlesVolume,
    &Scene::RenderSnow,                  &Scene::RenderSpectrumSplash,  &Scene::RenderFloatingTriangle,
};

// The C library's generator that Random draws from, for counting draws and
// for knowing a seed's results ahead.
struct Msvcrt {
    uint32_t state;
    int Next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
    int Draw(int n) { return Next() % (n + 1); }
};

// Random draws made between two generator states.
inline int DrawsBetween(uint32_t from, uint32_t to) {
    Msvcrt g{from};
    int n = 0;
    while (g.state != to && n < 10000000) {
        g.Next();
        ++n;
    }
    return n;
}

// The first seed from `first` on whose draws satisfy `match` (given a fresh
// Msvcrt); the generator is left seeded with it.
template <typename Match>
uint32_t SeedWhere(Match match, uint32_t first = 1) {
    for (uint32_t seed = first; seed < first + 1000000; ++seed) {
        Msvcrt g{seed};
        if (match(g)) {
            SeedRandom(seed);
            return seed;
        }
    }
    return 0;
}

// An angle in (-period/2, period/2].
inline double WrapAngle(double a, double period = 6.283185307179586) {
    while (a > period / 2) a -= period;
    while (a <= -period / 2) a += period;
    return a;
}

// Spin of an orbiting figure on a scene's first frame: one draw of seven
// values either way, 6.283 / ((draw - 3) x step + base).
inline double TableSpin(int draw, double step, double base) { return 6.283 / ((draw - 3) * step + base); }

struct RendererRig {
    TestDisplay display;
    Scene scene;
    TestAudio audio;

    RendererRig(int w, int h, bool withTransform = true) : display(w, h, withTransform), scene(&display) {
        ResetLastPlayPosition();
        scene.framesPerScene = -1;
        Prime();
    }
    // A frame with no renderer: sizes and audio in place, the picture cleared.
    void Prime() {
        for (int i = 0; i < kRendererCount; ++i) scene.activeRenderers[i] = 0;
        scene.applyTransform = 0;
        scene.Frame(audio.spectrum, audio.waveform);
    }
    void Volumes(double left, double right, double mid, double peak) {
        scene.volumeLeft = left;
        scene.volumeRight = right;
        scene.volumeMid = mid;
        scene.volumePeak = peak;
    }
    uint32_t At(int x, int y) const { return display.frameBuffer[y * display.width + x]; }
    // Draws made by one call, e.g. of a renderer.
    template <typename Call>
    int DrawsOf(Call call) {
        const uint32_t before = RandomState();
        call();
        return DrawsBetween(before, RandomState());
    }
    // For each of the seven first draws, starts a scene on a seed that gives it,
    // then returns the mean turn per frame of the angle that `angle` reads off
    // a frame cleared before each call.
    template <typename Render, typename Angle>
    std::vector<double> MeasuredSpins(Render render, Angle angle, double period = 6.283185307179586) {
        std::vector<double> spins;
        render();  // the renderer's colours exist before the seeded draw
        for (int draw = 0; draw <= 6; ++draw) {
            SeedWhere([&](Msvcrt& g) { return g.Draw(6) == draw; });
            scene.firstFrame = 1;
            double previous = 0.0, sum = 0.0;
            for (int frame = 0; frame <= 6; ++frame) {
                Fill(0);
                render();
                scene.firstFrame = 0;
                const double a = angle();
                if (frame > 0) sum += WrapAngle(a - previous, period);
                previous = a;
            }
            spins.push_back(sum / 6);
        }
        return spins;
    }
    void Fill(uint32_t colour) {
        for (int i = 0; i < display.width * display.height; ++i) display.frameBuffer[i] = colour;
    }
    // Calls f(x, y, colour) for every lit pixel; cheaper than Lit() in long runs.
    template <typename F>
    void EachLit(F f) const {
        const uint32_t* p = display.frameBuffer;
        for (int y = 0; y < display.height; ++y)
            for (int x = 0; x < display.width; ++x, ++p)
                if (*p != 0) f(x, y, *p);
    }
    std::set<std::pair<int, int>> Lit() const {
        std::set<std::pair<int, int>> lit;
        for (int y = 0; y < display.height; ++y)
            for (int x = 0; x < display.width; ++x)
                if (At(x, y) != 0) lit.insert({x, y});
        return lit;
    }
    std::vector<bool> Mask() const {
        std::vector<bool> m(static_cast<size_t>(display.width) * display.height);
        for (size_t i = 0; i < m.size(); ++i) m[i] = display.frameBuffer[i] != 0;
        return m;
    }
    // Nothing drawn past the picture: the spare row and pixel stay zero.
    bool SpareUntouched() const {
        for (int i = display.width * display.height; i < FrameBufferPixels(display.width, display.height); ++i)
            if (display.frameBuffer[i] != 0) return false;
        return true;
    }
};
