// The native side of the browser speed comparison: the same work as the
// page's bench address (generated audio analysed, one scene step, the RGBA
// conversion, the buffer exchange), timed alone, as milliseconds per frame.
// Usage: velune_web_bench_native WIDTH HEIGHT RENDERER TRANSFORM FRAMES
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "audio/synth.h"
#include "pixels/rgba.h"
#include "render_display.h"
#include "scene/random.h"
#include "scene/scene.h"

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT RENDERER TRANSFORM FRAMES\n", argv[0]);
        return 2;
    }
    const int w = std::atoi(argv[1]), h = std::atoi(argv[2]);
    const int frames = std::atoi(argv[5]);
    if (w < 1 || h < 1 || frames < 1) return 2;
    SeedRandom(3);
    const std::vector<audio::Track> tracks = audio::MakeTrackList(2, frames / 30.0 * 0.5 + 1.0, 3);
    RenderDisplay display(w, h, tracks, 30.0);
    Scene scene(&display);
    scene.lockedRenderer = std::atoi(argv[3]);
    scene.lockedTransform = std::atoi(argv[4]);
    display.Attach(scene);
    scene.Start();
    std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
    unsigned char spectrum[2][576], waveform[2][576];
    double spent = 0.0;
    for (int i = 0; i < frames; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        display.NextAudioFrame(spectrum, waveform);
        scene.Frame(&spectrum[0][0], &waveform[0][0]);
        ConvertToRgba(display.frameBuffer, rgba.data(), w * h);
        display.Flip();
        spent += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    }
    std::printf("%.4f\n", spent / frames);
    return 0;
}
