#include "player_options.h"

#include <cstdlib>
#include <cstring>

const char kPlayerUsage[] =
    "usage: velune [--source loopback|device|FILE.wav] [--dll PATH] [--frames N]\n"
    "              [--capture-every N] [--capture-prefix PATH] [--log FILE] [--stop-file PATH]\n"
    "Velune for whatever the computer plays: vis_velune.dll hosted as a player hosts it,\n"
    "fed by the default output (loopback), the default recording device, or a WAV file.\n";

namespace {

bool Count(const char* text, int* out) {
    if (text == nullptr) return false;
    char* end = nullptr;
    const long v = strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || v < 1 || v > 100000000) return false;
    *out = static_cast<int>(v);
    return true;
}

}  // namespace

bool ParsePlayerOptions(int argc, char** argv, PlayerOptions* o, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = v != nullptr;
        if (a == "--source" && ok) {
            if (strcmp(v, "loopback") == 0) {
                o->source = SoundSource::kLoopback;
            } else if (strcmp(v, "device") == 0) {
                o->source = SoundSource::kCaptureDevice;
            } else {
                o->source = SoundSource::kFile;
                o->file = v;
            }
        } else if (a == "--dll" && ok) {
            o->dllPath = v;
        } else if (a == "--frames") {
            ok = Count(v, &o->frames);
        } else if (a == "--capture-every") {
            ok = Count(v, &o->captureEvery);
        } else if (a == "--capture-prefix" && ok) {
            o->capturePrefix = v;
        } else if (a == "--log" && ok) {
            o->logPath = v;
        } else if (a == "--stop-file" && ok) {
            o->stopFile = v;
        } else {
            *error = ok || a.rfind("--", 0) != 0 ? "unknown option " + a : a + " needs a value";
            if (!ok && a != "--source" && a != "--dll" && a != "--frames" && a != "--capture-every" &&
                a != "--capture-prefix" && a != "--log" && a != "--stop-file")
                *error = "unknown option " + a;
            return false;
        }
        if (!ok) {
            *error = "bad value for " + a;
            return false;
        }
        ++i;
    }
    return true;
}
