#pragma once
// A scene on a TestDisplay for calling one renderer directly. Renderer state
// is static and shared by every test, so a test either starts a scene
// (firstFrame) or checks what holds from any state.
#include <cstring>
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
    void FillWave(uint8_t byte) { memset(audio.waveform, byte, sizeof(audio.waveform)); }
    void Volumes(double left, double right, double mid, double peak) {
        scene.volumeLeft = left;
        scene.volumeRight = right;
        scene.volumeMid = mid;
        scene.volumePeak = peak;
    }
    int Width() const { return display.width; }
    int Height() const { return display.height; }
    uint32_t At(int x, int y) const { return display.frameBuffer[y * display.width + x]; }
    void Fill(uint32_t colour) {
        for (int i = 0; i < display.width * display.height; ++i) display.frameBuffer[i] = colour;
    }
    std::vector<bool> Mask() const {
        std::vector<bool> m(static_cast<size_t>(display.width) * display.height);
        for (size_t i = 0; i < m.size(); ++i) m[i] = display.frameBuffer[i] != 0;
        return m;
    }
    int LitCount() const {
        int count = 0;
        for (int i = 0; i < display.width * display.height; ++i) count += display.frameBuffer[i] != 0;
        return count;
    }
    // Nothing drawn past the picture: the spare row and pixel stay zero.
    bool SpareUntouched() const {
        for (int i = display.width * display.height; i < FrameBufferPixels(display.width, display.height); ++i)
            if (display.frameBuffer[i] != 0) return false;
        return true;
    }
};

// Random draws between two generator states (the msvcrt step).
inline int DrawsBetween(uint32_t from, uint32_t to) {
    int n = 0;
    for (uint32_t s = from; s != to && n < 10000000; ++n) s = s * 214013u + 2531011u;
    return n;
}
