#include "render_options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio_decoder.h"
#include "scene/scene.h"
#include "transform/transform.h"

const char* const kRenderUsage =
    "usage: velune-render [options]\n"
    "  --renderer N|all   lock renderer N (0-13), or render each in turn; default random scenes\n"
    "  --transform N      lock transform N (0-14); default random\n"
    "  --seed S           random seed (default 1)\n"
    "  --frames N         frames to run (default: the whole audio, or 200 of generated audio)\n"
    "  --size WxH         frame size (default 640x480)\n"
    "  --every K          write every K-th frame as PNG; 0 writes only the last (default without --video)\n"
    "  --scene-frames N   frames per scene, -1 never switch (default 500)\n"
    "  --fps F            frames per second of audio time (default 30)\n"
    "  --input FILE       play an audio file (MP3, FLAC, Ogg, Opus, AAC/M4A, WAV...); repeat for a playlist\n"
    "  --wav FILE         the same as --input\n"
    "  --audio KIND       generated audio: songs, beats, sweep, pan, silence (default songs)\n"
    "  --out DIR          folder for the PNG files (default .)\n"
    "  --video FILE       write a video with the sound: .mp4/.mkv (H.264, AAC) or .webm (VP9, Opus);\n"
    "                     default with --input and no --out/--every: the song's name with .mp4, here\n"
    "  --overwrite        replace an existing video (a single render refuses otherwise)\n"
    "  --start TIME       begin this far into the audio, e.g. 90 or 1:30 (default 0)\n"
    "  --duration TIME    render this much of the audio (default: to the end)\n"
    "  --input-dir DIR    a batch: one video per song of DIR (MP4 named after the song), songs whose\n"
    "                     video exists skipped; needs --video-dir\n"
    "  --video-dir DIR    folder for the batch's videos\n"
    "  --jobs N           songs of a batch rendered at once (default: one per core)\n"
    "  --crf N            video quality, lower is better (H.264 0-51, default 23; VP9 0-63, default 32)\n"
    "  --bitrate KBPS     video bit rate instead of --crf\n"
    "  --preset NAME      encoder speed: x264's ultrafast..placebo (default superfast), VP9's 0-9 (default 8)\n"
    "  --vcodec NAME      video encoder, e.g. libx264, libvpx-vp9, ffv1\n"
    "  --acodec NAME      audio encoder, e.g. aac, libopus, flac (default: copy the song when every\n"
    "                     player of the container takes it, else AAC or Opus)\n"
    "  --audio-bitrate KBPS  bit rate of encoded sound (default 192 for AAC, 160 for Opus)\n"
    "  --threads N        encoder threads (default: one per core)\n"
    "  --queue N          frames rendered ahead of the encoder (default 4; 0 encodes on the same thread)\n"
    "  --quiet            no progress lines or bar\n"
    "  --progress         a line a second for programs: progress done=N total=N elapsed=S left=S\n"
    "  --verbose          FFmpeg's own messages too\n"
    "  --version          print the version\n"
    "  --help             print this\n";

namespace {

bool ParseInt(const char* text, long low, long high, int* value) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < low || v > high) return false;
    *value = static_cast<int>(v);
    return true;
}

// A path or name: taken as it is, but never empty.
bool ParseText(const char* text, std::string* value) {
    *value = text;
    return text[0] != '\0';
}

}  // namespace

bool ParseTime(const char* text, double* seconds) {
    double total = 0.0;
    const char* p = text;
    for (int part = 0; part < 3; ++part) {
        char* end = nullptr;
        const double v = std::strtod(p, &end);
        if (end == p || !(v >= 0.0) || v > 1e7) return false;
        total = total * 60.0 + v;
        if (*end == '\0') {
            *seconds = total;
            return true;
        }
        if (*end != ':') return false;
        p = end + 1;
    }
    return false;
}

bool ParseRenderOptions(int argc, char** argv, RenderOptions* o, std::string* message) {
    static const char* const kValued[] = {
        "--renderer", "--transform", "--seed",   "--frames",    "--size",    "--every",     "--scene-frames",
        "--fps",      "--wav",       "--input",  "--video",     "--vcodec",  "--input-dir", "--video-dir",
        "--jobs",     "--threads",   "--queue",  "--preset",    "--acodec",  "--crf",       "--bitrate",
        "--audio",    "--out",       "--start",  "--duration",  "--audio-bitrate"};
    bool outputChosen = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        bool* flag = std::strcmp(arg, "--quiet") == 0       ? &o->quiet
                     : std::strcmp(arg, "--verbose") == 0   ? &o->verbose
                     : std::strcmp(arg, "--progress") == 0  ? &o->progressLines
                     : std::strcmp(arg, "--overwrite") == 0 ? &o->overwrite
                     : std::strcmp(arg, "--version") == 0   ? &o->version
                     : std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0 ? &o->help
                                                                                      : nullptr;
        if (flag != nullptr) {
            *flag = true;
            if (o->help || o->version) return true;
            continue;
        }
        bool known = false;
        for (const char* name : kValued) known = known || std::strcmp(arg, name) == 0;
        if (!known) {
            *message = std::string("unknown option ") + arg + " (--help lists them)";
            return false;
        }
        if (i + 1 >= argc) {
            *message = std::string("missing value after ") + arg;
            return false;
        }
        outputChosen = outputChosen || std::strcmp(arg, "--video") == 0 || std::strcmp(arg, "--every") == 0 ||
                       std::strcmp(arg, "--out") == 0 || (std::strcmp(arg, "--renderer") == 0 &&
                                                          std::strcmp(argv[i + 1], "all") == 0);
        const char* value = argv[++i];
        bool ok = true;
        if (std::strcmp(arg, "--renderer") == 0) {
            o->allRenderers = std::strcmp(value, "all") == 0;
            ok = o->allRenderers || ParseInt(value, 0, kRendererCount - 1, &o->renderer);
        } else if (std::strcmp(arg, "--transform") == 0) {
            ok = ParseInt(value, 0, kTransformCount - 1, &o->transform);
        } else if (std::strcmp(arg, "--seed") == 0) {
            int s = 0;
            ok = ParseInt(value, 0, 2147483647L, &s);
            o->seed = static_cast<uint32_t>(s);
        } else if (std::strcmp(arg, "--frames") == 0) {
            ok = ParseInt(value, 1, 1000000, &o->frames);
        } else if (std::strcmp(arg, "--size") == 0) {
            int w = 0, h = 0;
            char tail = 0;
            ok = std::sscanf(value, "%dx%d%c", &w, &h, &tail) == 2 && w >= 1 && h >= 1 && w <= 8192 && h <= 8192;
            o->width = w;
            o->height = h;
        } else if (std::strcmp(arg, "--every") == 0) {
            ok = ParseInt(value, 0, 1000000, &o->every);
        } else if (std::strcmp(arg, "--scene-frames") == 0) {
            ok = ParseInt(value, -1, 1000000, &o->framesPerScene);
        } else if (std::strcmp(arg, "--fps") == 0) {
            int fps = 0;
            ok = ParseInt(value, 1, 1000, &fps);
            o->fps = fps;
        } else if (std::strcmp(arg, "--wav") == 0 || std::strcmp(arg, "--input") == 0) {
            o->inputs.push_back(value);
            ok = value[0] != '\0';
        } else if (std::strcmp(arg, "--video") == 0) {
            ok = ParseText(value, &o->video);
        } else if (std::strcmp(arg, "--vcodec") == 0) {
            o->videoCodec = value;
        } else if (std::strcmp(arg, "--input-dir") == 0) {
            ok = ParseText(value, &o->inputDir);
        } else if (std::strcmp(arg, "--video-dir") == 0) {
            ok = ParseText(value, &o->videoDir);
        } else if (std::strcmp(arg, "--jobs") == 0) {
            ok = ParseInt(value, 1, 256, &o->jobs);
        } else if (std::strcmp(arg, "--threads") == 0) {
            ok = ParseInt(value, 1, 256, &o->threads);
        } else if (std::strcmp(arg, "--queue") == 0) {
            ok = ParseInt(value, 0, 64, &o->queue);
        } else if (std::strcmp(arg, "--preset") == 0) {
            ok = ParseText(value, &o->preset);
        } else if (std::strcmp(arg, "--acodec") == 0) {
            o->audioCodec = value;
        } else if (std::strcmp(arg, "--crf") == 0) {
            ok = ParseInt(value, 0, 63, &o->crf);
        } else if (std::strcmp(arg, "--audio-bitrate") == 0) {
            ok = ParseInt(value, 6, 1000, &o->audioBitrateKbps);
        } else if (std::strcmp(arg, "--start") == 0) {
            ok = ParseTime(value, &o->start);
        } else if (std::strcmp(arg, "--duration") == 0) {
            ok = ParseTime(value, &o->duration) && o->duration > 0.0;
        } else if (std::strcmp(arg, "--bitrate") == 0) {
            ok = ParseInt(value, 1, 1000000, &o->bitrateKbps);
        } else if (std::strcmp(arg, "--audio") == 0) {
            o->audio = value;
            ok = o->audio == "songs" || o->audio == "beats" || o->audio == "sweep" || o->audio == "pan" ||
                 o->audio == "silence";
        } else if (std::strcmp(arg, "--out") == 0) {
            o->out = value;
        }
        if (!ok) {
            *message = std::string("bad value for ") + arg + ": " + value;
            return false;
        }
    }
    if (!o->video.empty() && o->allRenderers) {
        *message = "--renderer all writes PNG files only; choose one renderer for --video";
        return false;
    }
    if (o->inputDir.empty() != o->videoDir.empty()) {
        *message = "--input-dir and --video-dir go together";
        return false;
    }
    if (!o->inputDir.empty() && (!o->inputs.empty() || !o->video.empty() || o->allRenderers || o->every >= 0)) {
        *message = "a batch (--input-dir) takes no --input, --video, --every or --renderer all";
        return false;
    }
    if (o->inputDir.empty() && !o->inputs.empty() && !outputChosen) {
        o->video = TitleFromFileName(o->inputs[0]) + ".mp4";
        o->videoByDefault = true;
    }
    if (o->every < 0) o->every = o->video.empty() && o->inputDir.empty() ? 0 : -1;
    return true;
}
