#include "live_settings.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "scene/scene.h"
#include "transform/transform.h"
#include "video/frame_pacer.h"

namespace {

constexpr char kSection[] = "[Velune v1.06]";

struct IntKey {
    const char* name;
    int LiveSettings::*field;
};

const IntKey kIntKeys[] = {
    {"Frames_Per_Scene", &LiveSettings::framesPerScene},
    {"Prefered_Renderer", &LiveSettings::preferedRenderer},
    {"Prefered_Transform", &LiveSettings::preferedTransform},
    {"Show_Song_Title", &LiveSettings::showSongTitle},
    {"Renderer_Choice", &LiveSettings::rendererChoice},
    {"Transform_Choice", &LiveSettings::transformChoice},
    {"Max_Frame_Rate", &LiveSettings::maxFrameRate},
    {"Frame_Width", &LiveSettings::frameWidth},
    {"Frame_Height", &LiveSettings::frameHeight},
    {"Window_Width", &LiveSettings::windowWidth},
    {"Window_Height", &LiveSettings::windowHeight},
    {"Full_Screen", &LiveSettings::fullScreen},
};
constexpr char kSourceKey[] = "Source";

void Trim(std::string* s) {
    const size_t begin = s->find_first_not_of(" \t\r\n");
    const size_t end = s->find_last_not_of(" \t\r\n");
    *s = begin == std::string::npos ? std::string() : s->substr(begin, end - begin + 1);
}

void Validate(LiveSettings* s) {
    if (s->framesPerScene != -1) s->framesPerScene = std::clamp(s->framesPerScene, 1, 100000);
    if (s->preferedRenderer < -1 || s->preferedRenderer >= kRendererCount) s->preferedRenderer = -1;
    if (s->preferedTransform < -1 || s->preferedTransform >= kTransformCount) s->preferedTransform = -1;
    s->showSongTitle = s->showSongTitle != 0;
    s->maxFrameRate = ValidMaxFrameRate(s->maxFrameRate);
    s->frameWidth = std::clamp(s->frameWidth, 64, 3840);
    s->frameHeight = std::clamp(s->frameHeight, 48, 2160);
    s->windowWidth = std::clamp(s->windowWidth, 64, 16384);
    s->windowHeight = std::clamp(s->windowHeight, 48, 16384);
    s->fullScreen = s->fullScreen != 0;
}

}  // namespace

std::string LiveSettingsPath() {
    const char* config = getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return std::string(config) + "/velune/velune-live.ini";
    const char* home = getenv("HOME");
    if (home != nullptr && home[0] != '\0') return std::string(home) + "/.config/velune/velune-live.ini";
    return std::string();
}

void LoadLiveSettings(const std::string& path, LiveSettings* s) {
    FILE* f = path.empty() ? nullptr : fopen(path.c_str(), "r");
    if (f != nullptr) {
        char line[1024];
        bool inSection = false;
        while (fgets(line, sizeof line, f) != nullptr) {
            std::string text(line);
            Trim(&text);
            if (text.empty() || text[0] == ';' || text[0] == '#') continue;
            if (text[0] == '[') {
                inSection = text == kSection;
                continue;
            }
            const size_t eq = text.find('=');
            if (!inSection || eq == std::string::npos) continue;
            std::string key = text.substr(0, eq), value = text.substr(eq + 1);
            Trim(&key);
            Trim(&value);
            if (key == kSourceKey) {
                s->source = value;
                continue;
            }
            for (const IntKey& k : kIntKeys) {
                // As the plug-in reads them: a number's leading digits, 0 when none.
                if (key == k.name) s->*k.field = static_cast<int>(strtol(value.c_str(), nullptr, 10));
            }
        }
        fclose(f);
    }
    Validate(s);
}

bool SaveLiveSettings(const std::string& path, const LiveSettings& s) {
    if (path.empty()) return false;
    // Every folder of the path, as mkdir -p would.
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        mkdir(path.substr(0, slash).c_str(), 0755);
    }
    const std::string temporary = path + ".new";
    FILE* f = fopen(temporary.c_str(), "w");
    if (f == nullptr) return false;
    fprintf(f, "%s\n", kSection);
    for (const IntKey& k : kIntKeys) fprintf(f, "%s=%d\n", k.name, s.*k.field);
    fprintf(f, "%s=%s\n", kSourceKey, s.source.c_str());
    const bool written = fclose(f) == 0;
    return written && rename(temporary.c_str(), path.c_str()) == 0;
}
