// The browser's host of the engine: what the DLL's module operations and
// display window do, as functions the page calls. Two kinds of run:
//  - generated: the playlist and analyzer of velune-render, frame for frame,
//    so the page shows exactly the PNG that tool writes;
//  - live: the page hands over the spectrum and waveform bytes of each frame
//    and the song's position and title, as a player does.
// Everything the page reads lives here and is allocated once per size.
#include <emscripten/emscripten.h>

#include <cstring>
#include <memory>
#include <vector>

#include "audio/synth.h"
#include "live_display.h"
#include "overlay/info_overlay.h"
#include "pixels/compose.h"
#include "pixels/rgba.h"
#include "render_display.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "transform/transform.h"

namespace {

constexpr double kGeneratedFps = 30.0;  // velune-render's default

struct Host {
    std::vector<audio::Track> tracks;           // generated runs only
    std::unique_ptr<RenderDisplay> generated;   // one of these two is the display
    std::unique_ptr<LiveDisplay> live;
    std::unique_ptr<Scene> scene;
    SceneDisplay* display = nullptr;
    unsigned char audio[2][2][576] = {};        // spectrum, then waveform; channel 0 first
    std::vector<uint8_t> rgba;
    int showInfo = 0;
    int infoFrameCount = 0;
    uint32_t infoStartTime = 0;
    InfoLines infoLines;
    char infoText[kInfoLineCount * kInfoLineBytes];
    audio::Pcm tune;
};

Host host;

void Stop() {
    host.scene.reset();
    host.generated.reset();
    host.live.reset();
    host.display = nullptr;
}

bool SizeRgba() {
    host.rgba.assign(static_cast<size_t>(host.display->width) * host.display->height * 4, 0);
    return true;
}

}  // namespace

extern "C" {

// Starts a fresh engine. generatedFrames > 0 plays velune-render's generated
// songs for a run of that many frames; 0 takes the audio from the page.
// renderer and transform lock one (-1: random); framesPerScene -1 never switches.
EMSCRIPTEN_KEEPALIVE int velune_start(int width, int height, int renderer, int transform, int seed,
                                      int framesPerScene, int generatedFrames) {
    Stop();
    if (width < 1 || height < 1 || width > 8192 || height > 8192) return 0;
    SeedRandom(static_cast<uint32_t>(seed));
    ResetLastPlayPosition();
    if (generatedFrames > 0) {
        // As velune-render: two songs, the second beginning half-way.
        host.tracks = audio::MakeTrackList(2, generatedFrames / kGeneratedFps * 0.5 + 1.0, static_cast<uint32_t>(seed));
        host.generated.reset(new RenderDisplay(width, height, host.tracks, kGeneratedFps));
        host.display = host.generated.get();
    } else {
        host.tracks.clear();
        host.live.reset(new LiveDisplay(width, height));
        host.display = host.live.get();
    }
    if (host.display->frameBuffer == nullptr) return 0;
    host.scene.reset(new Scene(host.display));
    host.scene->lockedRenderer = renderer >= 0 && renderer < kRendererCount ? renderer : -1;
    host.scene->lockedTransform = transform >= 0 && transform < kTransformCount ? transform : -1;
    host.scene->framesPerScene = framesPerScene;
    if (host.generated) {
        host.generated->Attach(*host.scene);
    } else if (!host.live->Resize(*host.scene, width, height)) {
        return 0;
    }
    host.scene->Start();
    host.infoFrameCount = 0;
    return SizeRgba();
}

// A new frame size for a live run; the scene and its locks stay.
EMSCRIPTEN_KEEPALIVE int velune_resize(int width, int height) {
    if (!host.live || width < 1 || height < 1 || width > 8192 || height > 8192) return 0;
    if (!host.live->Resize(*host.scene, width, height)) return 0;
    host.infoFrameCount = 0;
    return SizeRgba();
}

// The page writes each frame's 2 x 576 spectrum bytes and then 2 x 576
// waveform bytes here.
EMSCRIPTEN_KEEPALIVE unsigned char* velune_audio() { return &host.audio[0][0][0]; }

// The player's answers for the next polls. The title buffer holds 255
// characters and a terminator.
EMSCRIPTEN_KEEPALIVE void velune_set_position(int positionMs, int songIndex) {
    if (!host.live) return;
    // A song started while nothing played begins at the position the idle
    // page reported, 0, which the scene would not take for a new song.
    if (songIndex != host.live->songIndex) ResetLastPlayPosition();
    host.live->positionMs = positionMs;
    host.live->songIndex = songIndex;
}
EMSCRIPTEN_KEEPALIVE char* velune_title() { return host.live ? host.live->title : nullptr; }

// One engine frame: audio in, scene step, RGBA out, buffers exchanged.
EMSCRIPTEN_KEEPALIVE void velune_frame() {
    if (!host.scene) return;
    if (host.generated) host.generated->NextAudioFrame(host.audio[0], host.audio[1]);
    host.scene->Frame(&host.audio[0][0][0], &host.audio[1][0][0]);
    ConvertToRgba(host.display->frameBuffer, host.rgba.data(), host.display->width * host.display->height);
    if (host.generated) {
        host.generated->Flip();
    } else {
        host.display->SwapFrameBuffers();
    }
}

EMSCRIPTEN_KEEPALIVE uint8_t* velune_rgba() { return host.rgba.data(); }
EMSCRIPTEN_KEEPALIVE int velune_width() { return host.display ? host.display->width : 0; }
EMSCRIPTEN_KEEPALIVE int velune_height() { return host.display ? host.display->height : 0; }

// The display window's keys, by their Windows key code: Space, F4 to F9, F12.
// Returns the code when the key is the plug-in's, 0 when it would go to the player.
EMSCRIPTEN_KEEPALIVE int velune_key(int code) {
    if (!host.scene) return 0;
    Scene& s = *host.scene;
    switch (code) {
        case 32: s.ChooseScene(0, 0); break;
        case 115:
            host.showInfo = !host.showInfo;
            host.infoFrameCount = 0;
            break;
        case 116: s.ChooseScene(1, 2); break;
        case 117: s.ChooseScene(2, 1); break;
        case 118:
            if (s.lockedRenderer != -1) {
                s.lockedRenderer = -1;
                host.display->SetMessage("Renderer Unlocked");
            } else {
                for (int k = 0; k < s.rendererCount; ++k)
                    if (s.activeRenderers[k] == 1) s.lockedRenderer = k;
                host.display->SetMessage("Renderer Locked");
            }
            break;
        case 119:
            if (s.lockedTransform != -1) {
                s.lockedTransform = -1;
                host.display->SetMessage("Transform Unlocked");
            } else {
                s.lockedTransform = host.display->transform != nullptr ? host.display->transform->currentIndex : -1;
                host.display->SetMessage("Transform Locked");
            }
            break;
        case 120:
            s.showSongTitle = !s.showSongTitle;
            host.display->SetMessage(s.showSongTitle ? "Song Title Display On" : "Song Title Display Off");
            break;
        case 123: s.ChooseScene(666, 1); break;
        default: return 0;
    }
    return code;
}

// The transient message to draw over this frame, or null; counts the frame off.
EMSCRIPTEN_KEEPALIVE const char* velune_message() {
    if (!host.display || !TakeMessageFrame(kCompose32, &host.display->messageFramesLeft)) return nullptr;
    return host.display->messageText;
}

// The information overlay's six lines, joined by newlines, or null on frames
// that draw none; nowMs is the page's millisecond clock.
EMSCRIPTEN_KEEPALIVE const char* velune_info(double nowMs, int canvasWidth, int canvasHeight) {
    if (!host.scene) return nullptr;
    const uint32_t now = static_cast<uint32_t>(static_cast<uint64_t>(nowMs));
    switch (NextInfoStep(kCompose32, host.showInfo, host.infoFrameCount)) {
        case InfoStep::kNothing: return nullptr;
        case InfoStep::kStartClock:
            host.infoStartTime = now;
            ++host.infoFrameCount;
            return nullptr;
        case InfoStep::kDraw: break;
    }
    const InfoValues v{host.infoFrameCount, host.infoStartTime, now, host.display->width, host.display->height,
                       canvasWidth, canvasHeight, 32, host.scene->songTitle, host.scene->playPosition};
    FormatInfoLines(v, &host.infoLines);
    ++host.infoFrameCount;
    char* out = host.infoText;
    for (int i = 0; i < kInfoLineCount; ++i) {
        memcpy(out, host.infoLines.text[i], static_cast<size_t>(host.infoLines.length[i]));
        out += host.infoLines.length[i];
        *out++ = i + 1 < kInfoLineCount ? '\n' : '\0';
    }
    return host.infoText;
}

// The renderers and transforms by index, as the page's pickers list them.
EMSCRIPTEN_KEEPALIVE int velune_renderer_count() { return kRendererCount; }
EMSCRIPTEN_KEEPALIVE int velune_transform_count() { return kTransformCount; }
EMSCRIPTEN_KEEPALIVE const char* velune_renderer_name(int index) {
    return index >= 0 && index < kRendererCount ? kRendererNames[index] : "";
}
EMSCRIPTEN_KEEPALIVE const char* velune_transform_name(int index) {
    return index >= 0 && index < kTransformCount ? kTransformNames[index] : "";
}
EMSCRIPTEN_KEEPALIVE int velune_renderer() { return host.scene ? host.scene->GetCurrentRenderer() : -1; }
EMSCRIPTEN_KEEPALIVE int velune_transform() {
    return host.display && host.display->transform ? host.display->transform->currentIndex : -1;
}
EMSCRIPTEN_KEEPALIVE int velune_renderer_locked() { return host.scene ? host.scene->lockedRenderer != -1 : 0; }
EMSCRIPTEN_KEEPALIVE int velune_transform_locked() { return host.scene ? host.scene->lockedTransform != -1 : 0; }

// The renderer the user picked by name becomes the only one, transform kept;
// a lock moves with the pick, since the user chose it over the locked one.
EMSCRIPTEN_KEEPALIVE void velune_pick_renderer(int index) {
    if (!host.scene || index < 0 || index >= kRendererCount) return;
    Scene& s = *host.scene;
    for (int k = 0; k < s.rendererCount; ++k) s.activeRenderers[k] = k == index;
    if (s.lockedRenderer != -1) s.lockedRenderer = index;
    s.ChooseScene(2, 2);
}

// The picked transform, with a new map, as stepping to it would give.
EMSCRIPTEN_KEEPALIVE void velune_pick_transform(int index) {
    if (!host.scene || !host.display->transform || index < 0 || index >= kTransformCount) return;
    Scene& s = *host.scene;
    if (s.lockedTransform != -1) s.lockedTransform = index;
    host.display->transform->currentIndex = (index + kTransformCount - 1) % kTransformCount;
    s.ChooseScene(2, 1);
}

// Drops the locks velune_start set that a shared scene did not have, so it
// opens on its renderer and transform and then moves on as it did.
EMSCRIPTEN_KEEPALIVE void velune_unlock(int renderer, int transform) {
    if (!host.scene) return;
    if (renderer) host.scene->lockedRenderer = -1;
    if (transform) host.scene->lockedTransform = -1;
}

// The built-in tune: one of the synthesizer's songs as interleaved 16-bit
// stereo at 44.1 kHz; velune_tune_frames() gives its length.
EMSCRIPTEN_KEEPALIVE const int16_t* velune_make_tune(int variant, double seconds, int seed) {
    host.tune = audio::MakeSong(variant, seconds, static_cast<uint32_t>(seed));
    return host.tune.samples.data();
}
EMSCRIPTEN_KEEPALIVE int velune_tune_frames() { return static_cast<int>(host.tune.Frames()); }

}  // extern "C"
