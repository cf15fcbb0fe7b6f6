// velune-render: the engine without a screen. Drives the same Scene, Transform
// and displacement step as the plug-in and writes frames as PNG files.
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/synth.h"
#include "audio/wav_file.h"
#include "png_writer.h"
#include "render_display.h"
#include "render_options.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "transform/transform.h"

namespace {

std::vector<audio::Track> LoadAudio(const RenderOptions& o, bool* ok) {
    *ok = true;
    std::vector<audio::Track> tracks;
    if (!o.wav.empty()) {
        audio::Track t;
        std::string error;
        if (!audio::ReadWav(o.wav, &t.pcm, &error)) {
            std::fprintf(stderr, "velune-render: %s: %s\n", o.wav.c_str(), error.c_str());
            *ok = false;
        }
        t.title = o.wav;
        tracks.push_back(std::move(t));
        return tracks;
    }
    // Two songs, so the second begins half-way and the title changes.
    const double seconds = o.frames / o.fps * 0.5 + 1.0;
    if (o.audio == "songs") return audio::MakeTrackList(2, seconds, o.seed);
    audio::Track t;
    t.title = "Velune Test " + o.audio;
    if (o.audio == "beats") audio::AppendBeats(t.pcm, seconds * 2, 120.0, 0.9, 0.0, o.seed);
    if (o.audio == "sweep") audio::AppendSweep(t.pcm, seconds * 2, 40.0, 12000.0, 0.8, 0.0);
    if (o.audio == "pan") audio::AppendPanningTone(t.pcm, seconds * 2, 440.0, 0.8, 4.0);
    if (o.audio == "silence") audio::AppendSilence(t.pcm, seconds * 2);
    tracks.push_back(std::move(t));
    return tracks;
}

std::string Slug(const char* name) {
    std::string s;
    for (const char* p = name; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (std::isalnum(c)) s += static_cast<char>(std::tolower(c));
        else if (!s.empty() && s.back() != '-') s += '-';
    }
    while (!s.empty() && s.back() == '-') s.pop_back();
    return s;
}

// One run of the engine from a fresh display and scene; renderer state lives
// on in the renderers' statics, as it does in the plug-in.
bool Run(const RenderOptions& o, int renderer, const std::vector<audio::Track>& tracks) {
    SeedRandom(o.seed);
    RenderDisplay display(o.width, o.height, tracks, o.fps);
    Scene scene(&display);
    scene.lockedRenderer = renderer;
    scene.lockedTransform = o.transform;
    scene.framesPerScene = o.framesPerScene;
    display.Attach(scene);
    scene.Start();

    std::string prefix = "random";
    if (renderer >= 0)
        prefix = (renderer < 10 ? "0" : "") + std::to_string(renderer) + "-" + Slug(kRendererNames[renderer]);

    unsigned char spectrum[2][576], waveform[2][576];
    for (int frame = 1; frame <= o.frames; ++frame) {
        display.NextAudioFrame(spectrum, waveform);
        const int messageBefore = display.messageFramesLeft;
        scene.Frame(&spectrum[0][0], &waveform[0][0]);
        if (!o.quiet && (scene.frameCounter == 0 || frame == 1) && display.transform != nullptr) {
            std::printf("frame %d: %s with %s\n", frame, kRendererNames[scene.GetCurrentRenderer()],
                        kTransformNames[display.transform->currentIndex]);
        }
        if (!o.quiet && display.messageFramesLeft > messageBefore)
            std::printf("frame %d: message \"%s\"\n", frame, display.messageText);

        const bool last = frame == o.frames;
        if ((o.every > 0 && frame % o.every == 0) || (o.every == 0 && last)) {
            char number[16];
            std::snprintf(number, sizeof(number), "-%05d", frame);
            const std::string path = o.out + "/" + prefix + (o.every == 0 ? "" : number) + ".png";
            if (!WritePng(path, display.frameBuffer, o.width, o.height)) {
                std::fprintf(stderr, "velune-render: cannot write %s\n", path.c_str());
                return false;
            }
            if (!o.quiet) std::printf("wrote %s\n", path.c_str());
        }
        display.Flip();
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    RenderOptions o;
    std::string message;
    if (!ParseRenderOptions(argc, argv, &o, &message)) {
        std::fprintf(stderr, "%s\n", message.c_str());
        return 2;
    }
    bool ok = true;
    const std::vector<audio::Track> tracks = LoadAudio(o, &ok);
    if (!ok) return 1;
    mkdir(o.out.c_str(), 0777);  // an existing folder is fine

    if (!o.allRenderers) return Run(o, o.renderer, tracks) ? 0 : 1;
    for (int r = 0; r < kRendererCount; ++r)
        if (!Run(o, r, tracks)) return 1;
    return 0;
}
