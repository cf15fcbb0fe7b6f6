// velune-render: the engine without a screen. Drives the same Scene, Transform
// and displacement step as the plug-in and writes frames as PNG files, or a
// video with the song's sound in it.
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audio/synth.h"
#include "audio_decoder.h"
#include "batch_render.h"
#include "interrupt.h"
#include "playlist_clock.h"
#include "png_writer.h"
#include "progress_bar.h"
#include "render_display.h"
#include "render_options.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "transform/transform.h"
#include "video_pipeline.h"
#include "video_writer.h"

namespace {

constexpr int kGeneratedFrames = 200;

bool LoadAudio(const RenderOptions& o, int frames, std::vector<audio::Track>* tracks) {
    for (const std::string& path : o.inputs) {
        audio::Track t;
        std::string error;
        if (!DecodeAudioFile(path, &t, &error)) {
            std::fprintf(stderr, "velune-render: %s: %s\n", path.c_str(), error.c_str());
            return false;
        }
        tracks->push_back(std::move(t));
    }
    if (!o.inputs.empty()) return true;
    // Two songs, so the second begins half-way and the title changes.
    const double seconds = frames / o.fps * 0.5 + 1.0;
    if (o.audio == "songs") {
        *tracks = audio::MakeTrackList(2, seconds, o.seed);
        return true;
    }
    audio::Track t;
    t.title = "Velune Test " + o.audio;
    if (o.audio == "beats") audio::AppendBeats(t.pcm, seconds * 2, 120.0, 0.9, 0.0, o.seed);
    if (o.audio == "sweep") audio::AppendSweep(t.pcm, seconds * 2, 40.0, 12000.0, 0.8, 0.0);
    if (o.audio == "pan") audio::AppendPanningTone(t.pcm, seconds * 2, 440.0, 0.8, 4.0);
    if (o.audio == "silence") audio::AppendSilence(t.pcm, seconds * 2);
    tracks->push_back(std::move(t));
    return true;
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
// on in the renderers' statics, as it does in the plug-in. Stops early, with
// what was done kept, on Ctrl+C.
bool Run(const RenderOptions& o, int renderer, int frames, const std::vector<audio::Track>& tracks,
         VideoPipeline* video, SongProgress* progress) {
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

    ProgressBar bar(video != nullptr && !o.quiet && isatty(STDERR_FILENO), frames, o.fps);
    const bool sceneLines = !o.quiet && !bar.Enabled() && progress == nullptr;  // the bar owns a terminal
    unsigned char spectrum[2][576], waveform[2][576];
    for (int frame = 1; frame <= frames && !Interrupted(); ++frame) {
        display.NextAudioFrame(spectrum, waveform);
        const int messageBefore = display.messageFramesLeft;
        scene.Frame(&spectrum[0][0], &waveform[0][0]);
        if (sceneLines && (scene.frameCounter == 0 || frame == 1) && display.transform != nullptr) {
            std::printf("frame %d: %s with %s\n", frame, kRendererNames[scene.GetCurrentRenderer()],
                        kTransformNames[display.transform->currentIndex]);
        }
        if (sceneLines && display.messageFramesLeft > messageBefore)
            std::printf("frame %d: message \"%s\"\n", frame, display.messageText);

        const bool last = frame == frames;
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
        if (video != nullptr) {
            std::string error;
            if (!video->Push(display.frameBuffer, &error)) {
                bar.Finish(frame - 1);
                std::fprintf(stderr, "velune-render: %s\n", error.c_str());
                return false;
            }
            bar.Update(frame);
            if (progress != nullptr) progress->done = frame;
        }
        display.Flip();
    }
    bar.Finish(display.FrameIndex());
    return true;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// With `progress`, a song of a batch: an interrupted one is dropped, so
// that the next batch renders it again instead of skipping it.
int RenderVideo(const RenderOptions& o, int frames, const std::vector<audio::Track>& tracks, SongProgress* progress) {
    // The finished video replaces its path, which must not be a song of the run.
    for (const std::string& input : o.inputs) {
        if (SameFile(input, o.video)) {
            std::fprintf(stderr, "velune-render: the video %s would replace its own input\n", o.video.c_str());
            return 1;
        }
    }
    VideoSettings settings;
    settings.path = o.video;
    settings.width = o.width;
    settings.height = o.height;
    settings.fps = static_cast<int>(o.fps);
    settings.videoCodec = o.videoCodec;
    settings.audioCodec = o.audioCodec;
    settings.crf = o.crf;
    settings.bitrateKbps = o.bitrateKbps;
    settings.preset = o.preset;
    settings.threads = o.threads;
    VideoWriter video;
    std::string error;
    if (!video.Open(settings, tracks, o.inputs, &error)) {
        std::fprintf(stderr, "velune-render: %s\n", error.c_str());
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    VideoPipeline pipeline(video, o.queue);
    if (!pipeline.Start(&error) || !Run(o, o.renderer, frames, tracks, &pipeline, progress) ||
        !pipeline.Drain(&error)) {
        if (!error.empty()) std::fprintf(stderr, "velune-render: %s\n", error.c_str());
        return 1;  // the writer removes its file
    }
    // Read once: a Ctrl+C while the file is finished changes nothing of it.
    const bool stopped = Interrupted();
    if (stopped && progress != nullptr) return 130;  // the writer removes its file
    if (stopped && video.FramesWritten() == 0) {
        std::fprintf(stderr, "velune-render: interrupted before the first frame; nothing written\n");
        return 130;
    }
    if (!video.Finish(&error)) {
        std::fprintf(stderr, "velune-render: %s\n", error.c_str());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int64_t written = video.FramesWritten();
    const std::string length = FormatDuration(static_cast<double>(written) / o.fps);
    if (stopped) {
        std::fprintf(stderr, "velune-render: interrupted; %s holds the first %lld frames (%s)\n", o.video.c_str(),
                     static_cast<long long>(written), length.c_str());
        return 130;
    }
    struct stat st = {};
    stat(o.video.c_str(), &st);
    if (progress != nullptr) progress->bytes = static_cast<int64_t>(st.st_size);
    if (!o.quiet) {
        std::printf("wrote %s: %dx%d at %d fps, %s\n%s\n", o.video.c_str(), o.width, o.height, settings.fps,
                    video.Description().c_str(),
                    FormatSummary(written, o.fps, seconds, static_cast<int64_t>(st.st_size)).c_str());
    }
    return 0;
}

int RenderSong(const RenderOptions& o, SongProgress* progress) {
    std::vector<audio::Track> tracks;
    if (!LoadAudio(o, o.frames > 0 ? o.frames : kGeneratedFrames, &tracks)) return 1;
    int frames = o.frames;
    if (frames == 0) {
        const int64_t cover = PlaylistClock(tracks).FramesToCover(o.fps);
        frames = o.inputs.empty() ? kGeneratedFrames : static_cast<int>(cover < 1000000000 ? cover : 1000000000);
    }
    if (progress != nullptr) progress->total = frames;
    if (o.every >= 0) mkdir(o.out.c_str(), 0777);  // an existing folder is fine

    if (!o.video.empty()) return RenderVideo(o, frames, tracks, progress);
    if (!o.allRenderers) return Run(o, o.renderer, frames, tracks, nullptr, nullptr) ? 0 : 1;
    for (int r = 0; r < kRendererCount && !Interrupted(); ++r)
        if (!Run(o, r, frames, tracks, nullptr, nullptr)) return 1;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    RenderOptions o;
    std::string message;
    if (!ParseRenderOptions(argc, argv, &o, &message)) {
        std::fprintf(stderr, "%s\n", message.c_str());
        return 2;
    }
    CatchInterrupts();
    // Our own messages name the file and the cause; the libraries' chatter
    // would only bury them.
    av_log_set_level(o.quiet ? AV_LOG_FATAL : AV_LOG_ERROR);
    if (o.inputDir.empty()) return RenderSong(o, nullptr);

    BatchOptions batch;
    batch.inputDir = o.inputDir;
    batch.videoDir = o.videoDir;
    batch.jobs = o.jobs;
    batch.fps = o.fps;
    batch.quiet = o.quiet;
    return RenderBatch(batch, [&o](const std::string& song, const std::string& video, int threads,
                                   SongProgress* progress) {
        RenderOptions one = o;
        one.inputs = {song};
        one.video = video;
        one.threads = o.threads > 0 ? o.threads : threads;
        return RenderSong(one, progress);
    });
}
