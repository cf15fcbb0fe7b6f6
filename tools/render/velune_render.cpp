// velune-render: the engine without a screen. Drives the same Scene, Transform
// and displacement step as the plug-in and writes frames as PNG files, or a
// video with the song's sound in it.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audio/synth.h"
#include "batch_render.h"
#include "interrupt.h"
#include "library_log.h"
#include "memory_playlist.h"
#include "playlist_reader.h"
#include "png_writer.h"
#include "progress_bar.h"
#include "render_display.h"
#include "render_options.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "transform/transform.h"
#include "version.h"
#include "video_pipeline.h"
#include "video_writer.h"

namespace {

constexpr int kGeneratedFrames = 200;

// Generated audio; songs from files are read as the frames need them.
void MakeAudio(const RenderOptions& o, int frames, std::vector<audio::Track>* tracks) {
    if (!o.inputs.empty()) return;
    // Two songs, so the second begins half-way and the title changes.
    const double seconds = (o.start + frames / o.fps) * 0.5 + 1.0;
    if (o.audio == "songs") {
        *tracks = audio::MakeTrackList(2, seconds, o.seed);
        return;
    }
    audio::Track t;
    t.title = "Velune Test " + o.audio;
    if (o.audio == "beats") audio::AppendBeats(t.pcm, seconds * 2, 120.0, 0.9, 0.0, o.seed);
    if (o.audio == "sweep") audio::AppendSweep(t.pcm, seconds * 2, 40.0, 12000.0, 0.8, 0.0);
    if (o.audio == "pan") audio::AppendPanningTone(t.pcm, seconds * 2, 440.0, 0.8, 4.0);
    if (o.audio == "silence") audio::AppendSilence(t.pcm, seconds * 2);
    tracks->push_back(std::move(t));
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

// How many frames a run renders: `limit`, or fewer where the audio ends first.
struct FramePlan {
    int limit = 0;
    bool untilTheEnd = false;
};

FramePlan PlanFrames(const RenderOptions& o) {
    FramePlan plan;
    plan.untilTheEnd = o.frames == 0 && !o.inputs.empty();
    if (o.frames > 0) plan.limit = o.frames;
    else if (o.duration > 0.0) plan.limit = static_cast<int>(std::min(1e9, std::ceil(o.duration * o.fps - 1e-9)));
    else plan.limit = o.inputs.empty() ? kGeneratedFrames : 1000000000;
    return plan;
}

struct RunResult {
    bool ok = true;
    int64_t frames = 0;
    int64_t decodeErrors = 0;
};

// One run of the engine from a fresh display and scene; renderer state lives
// on in the renderers' statics, as it does in the plug-in. Stops early, with
// what was done kept, on Ctrl+C.
RunResult Run(const RenderOptions& o, int renderer, const FramePlan& plan, const std::vector<audio::Track>& tracks,
              VideoPipeline* video, SongProgress* progress) {
    RunResult result;
    SeedRandom(o.seed);
    std::unique_ptr<PlaylistSource> sound;
    if (o.inputs.empty()) sound = std::make_unique<MemoryPlaylist>(tracks);
    else sound = std::make_unique<PlaylistReader>(o.inputs, tracks, RenderDisplay::kRate);
    RenderDisplay display(o.width, o.height, std::move(sound), o.fps);
    std::string error;
    if (!display.OpenAudio(o.start, &error)) {
        std::fprintf(stderr, "velune-render: %s\n", error.c_str());
        result.ok = false;
        return result;
    }
    Scene scene(&display);
    scene.lockedRenderer = renderer;
    scene.lockedTransform = o.transform;
    scene.framesPerScene = o.framesPerScene;
    display.Attach(scene);
    scene.Start();

    std::string prefix = "random";
    if (renderer >= 0)
        prefix = (renderer < 10 ? "0" : "") + std::to_string(renderer) + "-" + Slug(kRendererNames[renderer]);

    // The containers' lengths until the end is reached.
    int64_t total = plan.limit;
    if (plan.untilTheEnd || o.duration > 0.0)
        total = std::min<int64_t>(plan.limit, static_cast<int64_t>(std::ceil(display.EstimatedSeconds() * o.fps)));
    if (progress != nullptr) progress->total = std::max<int64_t>(total, 1);
    ProgressBar bar(video != nullptr ? ChooseProgressStyle(o.quiet, o.progressLines) : ProgressStyle::kNone, total,
                    o.fps);
    const bool sceneLines = !o.quiet && !o.progressLines && !bar.Enabled() && progress == nullptr;
    unsigned char spectrum[2][576], waveform[2][576];
    for (int frame = 1; frame <= plan.limit && !Interrupted(); ++frame) {
        if (plan.untilTheEnd && !display.HasAudioAt(frame - 1)) break;
        display.NextAudioFrame(spectrum, waveform);
        const int messageBefore = display.messageFramesLeft;
        scene.Frame(&spectrum[0][0], &waveform[0][0]);
        if (sceneLines && (scene.frameCounter == 0 || frame == 1) && display.transform != nullptr) {
            std::printf("frame %d: %s with %s\n", frame, kRendererNames[scene.GetCurrentRenderer()],
                        kTransformNames[display.transform->currentIndex]);
        }
        if (sceneLines && display.messageFramesLeft > messageBefore)
            std::printf("frame %d: message \"%s\"\n", frame, display.messageText);

        const bool last = frame == plan.limit || (plan.untilTheEnd && !display.HasAudioAt(frame));
        if ((o.every > 0 && frame % o.every == 0) || (o.every == 0 && last)) {
            char number[16];
            std::snprintf(number, sizeof(number), "-%05d", frame);
            const std::string path = o.out + "/" + prefix + (o.every == 0 ? "" : number) + ".png";
            if (!WritePng(path, display.frameBuffer, o.width, o.height)) {
                const int why = errno;
                std::fprintf(stderr, "velune-render: cannot write %s (%s); the frames before it stay\n", path.c_str(),
                             std::strerror(why));
                result.ok = false;
                break;
            }
            if (!o.quiet) std::printf("wrote %s\n", path.c_str());
        }
        if (video != nullptr) {
            if (!video->Push(display.frameBuffer, &error)) {
                bar.Finish(frame - 1);
                std::fprintf(stderr, "velune-render: %s\n", error.c_str());
                result.ok = false;
                return result;
            }
            bar.Update(frame);
            if (progress != nullptr) progress->done = frame;
        }
        display.Flip();
    }
    if (plan.untilTheEnd && display.FrameIndex() == 0 && !Interrupted() && result.ok) {
        std::fprintf(stderr, "velune-render: no audio from %s on; the songs are shorter\n",
                     FormatDuration(o.start).c_str());
        result.ok = false;
    }
    if (!display.AudioError().empty()) {
        std::fprintf(stderr, "velune-render: %s\n", display.AudioError().c_str());
        result.ok = false;
    }
    if (video != nullptr) bar.Finish(display.FrameIndex());
    result.frames = display.FrameIndex();
    result.decodeErrors = display.DecodeErrors();
    if (progress != nullptr) progress->decodeErrors = result.decodeErrors;
    return result;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// With `progress`, a song of a batch: an interrupted one is dropped, so
// that the next batch renders it again instead of skipping it.
using Clock = std::chrono::steady_clock;

std::string DecodeErrorText(int64_t errors) {
    return " with " + std::to_string(errors) + (errors == 1 ? " decode error" : " decode errors");
}

// `start`: when the run began.
int RenderVideo(const RenderOptions& o, const FramePlan& plan, const std::vector<audio::Track>& tracks,
                Clock::time_point start, SongProgress* progress) {
    // The finished video replaces its path, which must not be a song of the run.
    for (const std::string& input : o.inputs) {
        if (SameFile(input, o.video)) {
            std::fprintf(stderr, "velune-render: the video %s would replace its own input\n", o.video.c_str());
            return 1;
        }
    }
    struct stat existing;
    if (progress == nullptr && !o.overwrite && stat(o.video.c_str(), &existing) == 0) {
        std::fprintf(stderr, "velune-render: %s exists; --overwrite replaces it\n", o.video.c_str());
        return 1;
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
    settings.audioBitrateKbps = o.audioBitrateKbps;
    settings.start = o.start;
    VideoWriter video;
    std::string error;
    if (!video.Open(settings, tracks, o.inputs, &error)) {
        std::fprintf(stderr, "velune-render: %s\n", error.c_str());
        return 1;
    }
    if (o.videoByDefault && !o.quiet) std::printf("writing %s (--video names it otherwise)\n", o.video.c_str());
    VideoPipeline pipeline(video, o.queue);
    RunResult run;
    if (!pipeline.Start(&error) || !(run = Run(o, o.renderer, plan, tracks, &pipeline, progress)).ok ||
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
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
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
    const std::string damaged = run.decodeErrors > 0 ? DecodeErrorText(run.decodeErrors) : "";
    if (!o.quiet) {
        std::printf("wrote %s: %dx%d at %d fps, %s\n%s%s\n", o.video.c_str(), o.width, o.height, settings.fps,
                    video.Description().c_str(),
                    FormatSummary(written, o.fps, seconds, static_cast<int64_t>(st.st_size)).c_str(),
                    damaged.empty() ? "" : (", rendered" + damaged).c_str());
    }
    if (!damaged.empty())
        std::fprintf(stderr, "velune-render: %s: the song is damaged; rendered%s\n", o.inputs[0].c_str(),
                     damaged.c_str());
    return 0;
}

int RenderSong(const RenderOptions& o, SongProgress* progress) {
    const Clock::time_point start = Clock::now();
    const FramePlan plan = PlanFrames(o);
    std::vector<audio::Track> tracks;
    MakeAudio(o, plan.limit, &tracks);
    if (o.every >= 0) mkdir(o.out.c_str(), 0777);  // an existing folder is fine

    if (!o.video.empty()) return RenderVideo(o, plan, tracks, start, progress);
    if (!o.allRenderers) return Run(o, o.renderer, plan, tracks, nullptr, nullptr).ok ? 0 : 1;
    for (int r = 0; r < kRendererCount && !Interrupted(); ++r)
        if (!Run(o, r, plan, tracks, nullptr, nullptr).ok) return 1;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    RenderOptions o;
    std::string message;
    if (!ParseRenderOptions(argc, argv, &o, &message)) {
        std::fprintf(stderr, "velune-render: %s\n", message.c_str());
        return 2;
    }
    if (o.help) {
        std::printf("%s", kRenderUsage);
        return 0;
    }
    if (o.version) {
        std::printf("velune-render %s\n", VELUNE_VERSION_TEXT);
        return 0;
    }
    CatchInterrupts();
    RouteLibraryLog(o.verbose);
    if (o.inputDir.empty()) return RenderSong(o, nullptr);

    BatchOptions batch;
    batch.inputDir = o.inputDir;
    batch.videoDir = o.videoDir;
    batch.jobs = o.jobs;
    batch.fps = o.fps;
    batch.quiet = o.quiet;
    batch.progressLines = o.progressLines;
    return RenderBatch(batch, [&o](const std::string& song, const std::string& video, int threads,
                                   SongProgress* progress) {
        RenderOptions one = o;
        one.inputs = {song};
        one.video = video;
        one.threads = o.threads > 0 ? o.threads : threads;
        one.progressLines = false;  // the batch's own line speaks for it
        return RenderSong(one, progress);
    });
}
