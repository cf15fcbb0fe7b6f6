#include "live_options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const char kLiveUsage[] =
    "usage: velune-live [options]\n"
    "Shows Velune in a window, moved by the sound the desktop plays.\n"
    "  --source NAME       record this PulseAudio/PipeWire source instead\n"
    "  --mic               record the default input (the microphone)\n"
    "  --list-sources      print the sources' names and descriptions, then exit\n"
    "  --size WxH          the picture's size (default 640x480); the window scales it\n"
    "  --window WxH        the window's size\n"
    "  --fullscreen        start in full screen (F1, F11; F2 or F11 back)\n"
    "  --max-fps N         frame-rate cap, 10..240, 0 for none (default 60)\n"
    "  --renderer N, --transform N   lock a renderer (0..13) or transform (0..14)\n"
    "  --frames-per-scene N          -1 never changes scene by itself\n"
    "  --seed N            the engine's random seed\n"
    "  --frames N          stop after N frames\n"
    "  --capture-dir DIR   write the window's picture as BMP files (for tests)\n"
    "  --capture-every N   only every Nth frame\n"
    "  --trace FILE        one line per frame: number, steady clock ms, sound state\n"
    "Keys: Space, F4-F9, F12 as in the plug-in; F1/F2 or F11 full screen; Esc quits.\n"
    "Settings: $XDG_CONFIG_HOME/velune/velune-live.ini\n";

namespace {

bool ParseInt(const char* text, long low, long high, long* out) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    const long v = strtol(text, &end, 10);
    if (*end != '\0' || v < low || v > high) return false;
    *out = v;
    return true;
}

bool ParseSize(const char* text, int* w, int* h) {
    if (text == nullptr) return false;
    int a = 0, b = 0;
    char tail = 0;
    if (sscanf(text, "%dx%d%c", &a, &b, &tail) != 2 || a < 16 || b < 16 || a > 16384 || b > 16384) return false;
    *w = a;
    *h = b;
    return true;
}

}  // namespace

bool ParseLiveOptions(int argc, char** argv, LiveOptions* o, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        long n = 0;
        bool ok = true;
        bool takesValue = true;
        if (a == "--help" || a == "-h") {
            o->help = true;
            takesValue = false;
        } else if (a == "--list-sources") {
            o->listSources = true;
            takesValue = false;
        } else if (a == "--mic") {
            o->microphone = true;
            takesValue = false;
        } else if (a == "--fullscreen") {
            o->fullScreen = 1;
            takesValue = false;
        } else if (a == "--source") {
            ok = v != nullptr && *v != '\0';
            if (ok) o->source = v;
        } else if (a == "--size") {
            ok = ParseSize(v, &o->frameWidth, &o->frameHeight);
        } else if (a == "--window") {
            ok = ParseSize(v, &o->windowWidth, &o->windowHeight);
        } else if (a == "--max-fps") {
            ok = ParseInt(v, 0, 240, &n);
            o->maxFrameRate = static_cast<int>(n);
        } else if (a == "--renderer") {
            ok = ParseInt(v, 0, 13, &n);
            o->renderer = static_cast<int>(n);
        } else if (a == "--transform") {
            ok = ParseInt(v, 0, 14, &n);
            o->transform = static_cast<int>(n);
        } else if (a == "--frames-per-scene") {
            ok = ParseInt(v, -1, 100000, &n) && n != 0;
            o->framesPerScene = static_cast<int>(n);
        } else if (a == "--seed") {
            ok = ParseInt(v, 0, 0xFFFFFFFFL, &n);
            o->seeded = true;
            o->seed = static_cast<uint32_t>(n);
        } else if (a == "--frames") {
            ok = ParseInt(v, 1, 1000000000L, &n);
            o->frames = n;
        } else if (a == "--capture-dir") {
            ok = v != nullptr && *v != '\0';
            if (ok) o->captureDir = v;
        } else if (a == "--capture-every") {
            ok = ParseInt(v, 1, 100000, &n);
            o->captureEvery = static_cast<int>(n);
        } else if (a == "--trace") {
            ok = v != nullptr && *v != '\0';
            if (ok) o->trace = v;
        } else {
            *error = "unknown option " + a;
            return false;
        }
        if (!ok) {
            *error = v == nullptr ? a + " needs a value" : "bad value for " + a + ": " + v;
            return false;
        }
        if (takesValue) ++i;
    }
    if (o->microphone && !o->source.empty()) {
        *error = "--mic and --source name two sources";
        return false;
    }
    return true;
}
