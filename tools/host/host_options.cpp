#include "host_options.h"

#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

bool ParseInt(const std::string& text, int& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 0);
    if (*end != '\0' || v < -1000000000L || v > 1000000000L) return false;
    value = static_cast<int>(v);
    return true;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// "FRAME:REST" into the frame and REST.
bool SplitFrame(const std::string& arg, int& frame, std::string& rest) {
    const size_t colon = arg.find(':');
    if (colon == std::string::npos) return false;
    rest = arg.substr(colon + 1);
    return ParseInt(arg.substr(0, colon), frame) && frame >= 1;
}

// A command line passes through the ANSI code page: other characters come as
// \uXXXX (four hex digits, a UTF-16 unit each).
std::wstring DecodeTitle(const std::string& text) {
    std::wstring title;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 5 < text.size() && text[i + 1] == 'u') {
            char* end = nullptr;
            const std::string hex = text.substr(i + 2, 4);
            const unsigned long unit = std::strtoul(hex.c_str(), &end, 16);
            if (hex.size() == 4 && *end == '\0') {
                title.push_back(static_cast<wchar_t>(unit));
                i += 5;
                continue;
            }
        }
        title.push_back(static_cast<wchar_t>(static_cast<unsigned char>(text[i])));
    }
    return title;
}

}  // namespace

bool ParseKeyName(const std::string& name, unsigned& key, bool& alt) {
    std::string n = Lower(name);
    alt = n.compare(0, 4, "alt+") == 0;
    if (alt) n = n.substr(4);
    static const struct {
        const char* name;
        unsigned key;
    } kNamed[] = {{"tab", VK_TAB}, {"esc", VK_ESCAPE}, {"escape", VK_ESCAPE}, {"space", VK_SPACE},
                  {"enter", VK_RETURN}, {"return", VK_RETURN}};
    for (const auto& k : kNamed) {
        if (n == k.name) {
            key = k.key;
            return true;
        }
    }
    int number = 0;
    if (n.size() >= 2 && n[0] == 'f' && ParseInt(n.substr(1), number) && number >= 1 && number <= 24) {
        key = VK_F1 + static_cast<unsigned>(number - 1);
        return true;
    }
    if (n.size() == 1 && std::isalnum(static_cast<unsigned char>(n[0]))) {
        key = static_cast<unsigned>(std::toupper(static_cast<unsigned char>(n[0])));
        return true;
    }
    if (n.size() > 1 && ParseInt(n, number) && number > 0 && number < 256) {
        key = static_cast<unsigned>(number);
        return true;
    }
    return false;
}

bool ParseHostOptions(int argc, char** argv, HostOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const bool hasValue = i + 1 < argc;
        const std::string value = hasValue ? argv[i + 1] : "";
        auto needValue = [&]() {
            if (!hasValue) error = flag + " needs a value";
            return hasValue;
        };
        auto intValue = [&](int& out, int minimum) {
            if (!needValue()) return false;
            ++i;
            if (!ParseInt(value, out) || out < minimum) {
                error = "bad number for " + flag + ": " + value;
                return false;
            }
            return true;
        };
        HostEvent event{};
        std::string rest;
        if (flag == "--dll") {
            if (!needValue()) return false;
            options.dllPath = argv[++i];
        } else if (flag == "--log") {
            if (!needValue()) return false;
            options.logPath = argv[++i];
        } else if (flag == "--frames") {
            if (!intValue(options.frames, -1)) return false;
        } else if (flag == "--frame-ms") {
            if (!intValue(options.frameMs, 0)) return false;
        } else if (flag == "--min-frame-ms") {
            if (!intValue(options.minFrameMs, 0)) return false;
        } else if (flag == "--wav") {
            if (!needValue()) return false;
            options.wavFiles.push_back(argv[++i]);
        } else if (flag == "--songs") {
            if (!intValue(options.songs, 0)) return false;
        } else if (flag == "--silent-songs") {
            if (!intValue(options.silentSongs, 0)) return false;
        } else if (flag == "--song-seconds") {
            int seconds = 0;
            if (!intValue(seconds, 1)) return false;
            options.songSeconds = seconds;
        } else if (flag == "--seed") {
            int seed = 0;
            if (!intValue(seed, 0)) return false;
            options.seed = static_cast<uint32_t>(seed);
        } else if (flag == "--null-title") {
            options.nullTitle = true;
        } else if (flag == "--ansi-titles") {
            options.ansiTitles = true;
        } else if (flag == "--title") {
            if (!needValue()) return false;
            options.titles.push_back(DecodeTitle(argv[++i]));
        } else if (flag == "--capture-prefix") {
            if (!needValue()) return false;
            options.capturePrefix = argv[++i];
        } else if (flag == "--capture-every") {
            if (!intValue(options.captureEvery, 0)) return false;
        } else if (flag == "--capture-screen") {
            options.captureScreen = true;
        } else if (flag == "--shell") {
            if (!needValue()) return false;
            options.shell = argv[++i];
            if (options.shell != "classic" && options.shell != "24h2") {
                error = "--shell takes classic or 24h2";
                return false;
            }
        } else if (flag == "--common-controls") {
            options.commonControls = true;
        } else if (flag == "--dialog-messages") {
            options.dialogMessages = true;
        } else if (flag == "--plugin-thread") {
            options.pluginThread = true;
        } else if (flag == "--render-thread") {
            options.renderThread = true;
        } else if (flag == "--coarse-sleep") {
            options.coarseSleep = true;
        } else if (flag == "--config" || flag == "--config-thread") {
            int frame = 0;
            if (!intValue(frame, 1)) return false;
            (flag == "--config" ? options.configFrames : options.configThreadFrames).push_back(frame);
        } else if (flag == "--fpu") {
            if (!intValue(options.fpuBits, 0)) return false;
            if (options.fpuBits != 53 && options.fpuBits != 64) {
                error = "--fpu takes 53 or 64";
                return false;
            }
        } else if (flag == "--exit") {
            if (!intValue(options.exitFrame, 1)) return false;
        } else if (flag == "--exit-pump-ms") {
            if (!intValue(options.exitPumpMs, 0)) return false;
        } else if (flag == "--fixed-time") {
            if (!intValue(options.fixedTimeValue, 0)) return false;
            options.fixedTime = true;
        } else if (flag == "--capture" || flag == "--key" || flag == "--tray" || flag == "--move" ||
                   flag == "--stall" || flag == "--main-stall") {
            if (!needValue()) return false;
            const std::string arg = argv[++i];
            bool ok;
            if (flag == "--capture") {
                event.kind = HostEvent::kCapture;
                ok = ParseInt(arg, event.frame) && event.frame >= 1;
            } else if (!SplitFrame(arg, event.frame, rest)) {
                ok = false;
            } else if (flag == "--key") {
                bool alt = false;
                event.kind = HostEvent::kKey;
                ok = ParseKeyName(rest, event.key, alt);
                event.message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
            } else if (flag == "--stall" || flag == "--main-stall") {
                event.kind = flag == "--stall" ? HostEvent::kStall : HostEvent::kMainStall;
                ok = ParseInt(rest, event.x) && event.x >= 0;
            } else if (flag == "--tray") {
                event.kind = HostEvent::kTray;
                const std::string button = Lower(rest);
                ok = button == "left" || button == "right";
                event.message = button == "left" ? WM_LBUTTONDOWN : WM_RBUTTONDOWN;
            } else {
                event.kind = HostEvent::kMove;
                const size_t comma = rest.find(',');
                ok = comma != std::string::npos && ParseInt(rest.substr(0, comma), event.x) &&
                     ParseInt(rest.substr(comma + 1), event.y);
            }
            if (!ok) {
                error = "bad " + flag + " value: " + arg;
                return false;
            }
            options.events.push_back(event);
        } else {
            error = "unknown option " + flag;
            return false;
        }
    }
    if (options.pluginThread && options.renderThread) {
        error = "--plugin-thread and --render-thread exclude each other";
        return false;
    }
    return true;
}
