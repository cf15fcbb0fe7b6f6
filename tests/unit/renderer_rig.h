#pragma once
// A scene on a TestDisplay for calling one renderer directly. Renderer state
// is static and shared by every test, so a test either starts a scene
// (firstFrame) or checks what holds from any state.
#include <set>
#include <utility>
#include <vector>

#include "scene/random.h"
#include "test_display.h"

struct RendererRig {
    TestDisplay display;
    Scene scene;
    TestAudio audio;

    RendererRig(int w, int h, bool withTransform = true) : display(w, h, withTransform), scene(&display) {
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
    void Fill(uint32_t colour) {
        for (int i = 0; i < display.width * display.height; ++i) display.frameBuffer[i] = colour;
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
