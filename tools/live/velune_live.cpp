// velune-live: the engine in a desktop window, moved by the sound the desktop
// plays (the default output's monitor), a chosen source or the microphone.
// One thread draws; PulseAudio's own thread records into the ring.
#include <SDL.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "audio/sound_feed.h"
#include "live_display.h"
#include "live_options.h"
#include "live_settings.h"
#include "live_window.h"
#include "overlay/info_overlay.h"
#include "pixels/compose.h"
#include "pulse_capture.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "scene_keys.h"
#include "sound_status.h"
#include "text_painter.h"
#include "transform/transform.h"
#include "video/frame_pacer.h"

namespace {

std::atomic<bool> stopRequested{false};

void OnSignal(int) { stopRequested = true; }

int64_t SteadyMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// The plug-in's Windows key code for an SDL key, 0 for keys it leaves alone.
int SceneKeyCode(SDL_Keycode k) {
    switch (k) {
        case SDLK_SPACE: return kKeySpace;
        case SDLK_F4: return kKeyF4;
        case SDLK_F5: return kKeyF5;
        case SDLK_F6: return kKeyF6;
        case SDLK_F7: return kKeyF7;
        case SDLK_F8: return kKeyF8;
        case SDLK_F9: return kKeyF9;
        case SDLK_F12: return kKeyF12;
        default: return 0;
    }
}

struct Run {
    LiveOptions options;
    LiveSettings settings;
    std::string settingsPath;
    LiveWindow window;
    TextPainter text;
    bool haveText = false;
    SoundRing ring;
    PulseCapture capture{&ring};
    audio::SoundFeed feed;
    FramePacer pacer;
    InfoOverlayState info;
    InfoLines infoLines;
    unsigned char audio[2][2][576] = {};  // spectrum, then waveform
    char statusLine[512] = {};
    FILE* trace = nullptr;
    uint32_t soundStartMs = 0;
    bool wasCapturing = false;
};

// The message's top row, above the picture's bottom.
constexpr int kLiveMessageRise = 20;

// Overlays in the picture's own coordinates, scaled with it, as the plug-in
// draws them on its compose surface.
void DrawOverlays(Run& r, Scene& scene, LiveDisplay& display, uint32_t nowMs, bool statusShown) {
    const PictureRect a = r.window.PictureArea();
    if (!r.haveText || a.h <= 0) return;
    const double scale = static_cast<double>(a.h) / display.height;
    SDL_Renderer* renderer = r.window.Renderer();
    r.text.SetPixelHeight(renderer, static_cast<int>(10 * scale + 0.5));
    auto X = [&](int x) { return a.x + static_cast<int>(x * scale); };
    auto Y = [&](int y) { return a.y + static_cast<int>(y * scale); };
    // The text's top sits where GDI puts it, a little above the line's cell.
    switch (NextInfoStep(kCompose32, r.info.show, r.info.frameCount)) {
        case InfoStep::kNothing: break;
        case InfoStep::kStartClock:
            r.info.startTime = nowMs;
            ++r.info.frameCount;
            break;
        case InfoStep::kDraw: {
            int outW = 0, outH = 0;
            SDL_GetRendererOutputSize(renderer, &outW, &outH);
            const InfoValues v{r.info.frameCount, r.info.startTime, nowMs, display.width, display.height,
                               outW, outH, 32, scene.songTitle, scene.playPosition};
            FormatInfoLines(v, &r.infoLines);
            for (int i = 0; i < kInfoLineCount; ++i) {
                r.text.Draw(renderer, r.infoLines.text[i], X(kInfoTextX), Y(kInfoFirstLineY + i * kInfoLineSpacing));
            }
            ++r.info.frameCount;
            break;
        }
    }
    if (TakeMessageFrame(kCompose32, &display.messageFramesLeft)) {
        r.text.Draw(renderer, display.messageText, X(kMessageTextX), Y(display.height - kLiveMessageRise));
    }
    if (statusShown) r.text.Draw(renderer, r.statusLine, X(kInfoTextX), Y(8));
}

// The trace's word for the sound: 0 connecting, 1 no server, 2 no source,
// 3 capturing, 4 capturing but nothing arrives.
int TraceState(const CaptureStatus& s, uint32_t quietMs) {
    if (s.state == CaptureState::kCapturing && quietMs >= kQuietLineMs) return 4;
    return static_cast<int>(s.state);
}

void HandleKey(Run& r, Scene& scene, LiveDisplay& display, const SDL_KeyboardEvent& key, bool* quit) {
    const SDL_Keycode k = key.keysym.sym;
    if (k == SDLK_ESCAPE) {
        *quit = true;
    } else if (k == SDLK_F1) {
        r.window.SetFullScreen(true);
    } else if (k == SDLK_F2) {
        r.window.SetFullScreen(false);
    } else if (k == SDLK_F11 || (k == SDLK_RETURN && (key.keysym.mod & KMOD_ALT) != 0)) {
        r.window.SetFullScreen(!r.window.FullScreen());
    } else if (const int code = SceneKeyCode(k)) {
        ApplySceneKey(code, scene, display, r.info);
    }
}

void SaveOnExit(Run& r, const Scene& scene, const LiveDisplay& display) {
    LiveSettings s = r.settings;
    // Locks given on the command line were for this run only.
    if (r.options.renderer < 0) s.preferedRenderer = scene.lockedRenderer;
    if (r.options.transform < 0) s.preferedTransform = scene.lockedTransform;
    s.showSongTitle = scene.showSongTitle;
    if (display.transform != nullptr) s.transformChoice = display.transform->GetEnabledMask();
    s.fullScreen = r.window.FullScreen();
    r.window.WindowedSize(&s.windowWidth, &s.windowHeight);
    if (!SaveLiveSettings(r.settingsPath, s)) {
        fprintf(stderr, "velune-live: cannot save the settings to %s\n", r.settingsPath.c_str());
    }
}

int Live(Run& r) {
    const LiveOptions& o = r.options;
    LiveSettings& s = r.settings;
    const int frameW = o.frameWidth > 0 ? o.frameWidth : s.frameWidth;
    const int frameH = o.frameHeight > 0 ? o.frameHeight : s.frameHeight;
    const int windowW = o.windowWidth > 0 ? o.windowWidth : s.windowWidth;
    const int windowH = o.windowHeight > 0 ? o.windowHeight : s.windowHeight;
    const bool fullScreen = o.fullScreen >= 0 ? o.fullScreen != 0 : s.fullScreen != 0;
    r.pacer.SetMaxFrameRate(o.maxFrameRate >= 0 ? ValidMaxFrameRate(o.maxFrameRate) : s.maxFrameRate);

    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        fprintf(stderr, "velune-live: no display: %s\n", SDL_GetError());
        return 1;
    }
    if (!r.window.Open(windowW, windowH, fullScreen, frameW, frameH)) {
        fprintf(stderr, "velune-live: cannot open the window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    r.haveText = r.text.Open();
    if (!r.haveText) fprintf(stderr, "velune-live: no font found (set VELUNE_FONT); the picture goes without text\n");

    if (o.seeded) SeedRandom(o.seed);
    LiveDisplay display(frameW, frameH);
    Scene scene(&display);
    scene.SetEnabledMask(s.rendererChoice);
    scene.framesPerScene = o.framesPerScene != 0 ? o.framesPerScene : s.framesPerScene;
    scene.lockedRenderer = o.renderer >= 0 ? o.renderer : s.preferedRenderer;
    scene.lockedTransform = o.transform >= 0 ? o.transform : s.preferedTransform;
    scene.showSongTitle = s.showSongTitle;
    if (!display.Resize(scene, frameW, frameH)) {
        fprintf(stderr, "velune-live: out of memory for a %dx%d picture\n", frameW, frameH);
        return 1;
    }
    display.transform->SetEnabledMask(s.transformChoice);
    scene.Start();

    const std::string source = !o.source.empty() ? o.source : s.source;
    r.capture.Start(o.microphone ? nullptr : source.empty() ? kDefaultMonitor : source.c_str());

    long frame = 0;
    bool quit = false;
    while (!quit && !stopRequested) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            if (e.type == SDL_QUIT) quit = true;
            if (e.type == SDL_KEYDOWN) HandleKey(r, scene, display, e.key, &quit);
        }
        const int64_t early = r.pacer.EarlyBy(SteadyMicros());
        if (early > 0) std::this_thread::sleep_for(std::chrono::microseconds(early));
        r.pacer.BeginFrame(SteadyMicros());

        const uint32_t now = SDL_GetTicks();
        const CaptureStatus status = r.capture.Status();
        const bool capturing = status.state == CaptureState::kCapturing;
        // The play position is the time the sound has been heard, so a
        // source found again counts as a new song.
        if (capturing && !r.wasCapturing) {
            r.soundStartMs = now;
            display.songIndex++;
        }
        r.wasCapturing = capturing;
        display.positionMs = capturing ? static_cast<int>(now - r.soundStartMs) : 0;

        r.feed.Next(r.ring, now, r.audio[0], r.audio[1]);
        scene.Frame(&r.audio[0][0][0], &r.audio[1][0][0]);
        r.window.DrawFrame(display.frameBuffer);
        const uint32_t quiet = r.feed.QuietFor(now);
        const bool statusShown = SoundStatusLine(status, quiet, r.statusLine, sizeof r.statusLine);
        DrawOverlays(r, scene, display, now, statusShown);
        ++frame;
        if (r.trace != nullptr) {
            fprintf(r.trace, "%ld %lld %d\n", frame, static_cast<long long>(SteadyMicros() / 1000),
                    TraceState(status, quiet));
            fflush(r.trace);
        }
        if (!o.captureDir.empty() && frame % o.captureEvery == 0) {
            char path[4096];
            snprintf(path, sizeof path, "%s/frame-%06ld.bmp", o.captureDir.c_str(), frame);
            r.window.SaveBmp(path);
        }
        r.window.Present();
        display.SwapFrameBuffers();
        if (o.frames > 0 && frame >= o.frames) quit = true;
    }
    r.capture.Stop();
    SaveOnExit(r, scene, display);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Run* r = new Run();  // too large for the stack: the ring and the analyzer
    std::string error;
    if (!ParseLiveOptions(argc, argv, &r->options, &error)) {
        fprintf(stderr, "velune-live: %s\n%s", error.c_str(), kLiveUsage);
        return 2;
    }
    if (r->options.help) {
        fputs(kLiveUsage, stdout);
        return 0;
    }
    if (r->options.listSources) return ListSources(stdout, stderr) ? 0 : 1;
    r->settingsPath = LiveSettingsPath();
    LoadLiveSettings(r->settingsPath, &r->settings);
    if (!r->options.trace.empty()) {
        r->trace = fopen(r->options.trace.c_str(), "w");
        if (r->trace == nullptr) {
            fprintf(stderr, "velune-live: cannot write %s\n", r->options.trace.c_str());
            return 2;
        }
    }
    signal(SIGINT, OnSignal);
    signal(SIGTERM, OnSignal);
    const int rc = Live(*r);
    if (r->trace != nullptr) fclose(r->trace);
    delete r;
    SDL_Quit();
    return rc;
}
