// velune.exe: Velune without Winamp. Hosts vis_velune.dll exactly as a player
// does (a main window that answers its queries, one visualization thread that
// calls Init, Render and Quit and pumps that thread's messages) and feeds it
// the sound the computer plays. The player's "song" is the sound source: its
// title says what is heard, or why nothing is, and a change of either starts
// a new song, so the plug-in writes it over the picture.
#include <windows.h>

#include <cstdio>
#include <string>

#include "audio/sound_feed.h"
#include "player_options.h"
#include "plugin_loader.h"
#include "screen_capture.h"
#include "system_sound.h"

namespace {

constexpr LPARAM kQueryPosition = 105;
constexpr LPARAM kQueryPlaylistIndex = 125;
constexpr LPARAM kQueryTitle = 212;

struct Player {
    PlayerOptions options;
    SoundRing ring;
    SystemSound sound{&ring};
    audio::SoundFeed feed;
    VisModule* module = nullptr;
    HWND window = nullptr;
    FILE* log = nullptr;
    // The main window's answers; only its thread touches them.
    int songGeneration = -1;
    DWORD songStart = 0;
    int lastPosition = 1;
    char title[256] = {};
    int result = 0;
};

Player* player = nullptr;

// The "song" of the moment: the source's state, begun when it changed. The
// plug-in takes a position that goes back for a new song, so a song lasts
// until a position above 0 was answered.
void FollowSound(Player& p) {
    const SoundStatus s = p.sound.Status();
    if (s.generation == p.songGeneration || p.lastPosition == 0) return;
    p.songGeneration = s.generation;
    p.songStart = GetTickCount();
    if (s.live) {
        snprintf(p.title, sizeof p.title, "Velune: listening to %s", s.text);
    } else {
        snprintf(p.title, sizeof p.title, "No sound: %s; trying again every second", s.text);
    }
    if (p.log != nullptr) {
        fprintf(p.log, "sound %lu %s\n", p.songStart, p.title);
        fflush(p.log);
    }
}

LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER && player != nullptr) {
        switch (lParam) {
            case kQueryPosition:
                FollowSound(*player);
                player->lastPosition = static_cast<int>(GetTickCount() - player->songStart);
                return player->lastPosition;
            case kQueryPlaylistIndex: return player->songGeneration;
            case kQueryTitle: return reinterpret_cast<LRESULT>(player->title);
            default: return 0;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The visualization thread, as a player runs it.
DWORD WINAPI VisThread(LPVOID context) {
    Player& p = *static_cast<Player*>(context);
    if (p.module->Init(p.module) != 0) {
        p.result = 4;
        return 0;
    }
    // The sound begins with the first frame, as a song a player starts.
    std::string error;
    if (!p.sound.Start(p.options.source, p.options.file, &error)) {
        fprintf(stderr, "velune: %s\n", error.c_str());
        p.result = 3;
        PostQuitMessage(0);
    }
    if (p.log != nullptr) fprintf(p.log, "started %lu\n", GetTickCount()), fflush(p.log);
    for (int frame = 1; p.options.frames == 0 || frame <= p.options.frames; ++frame) {
        MSG message;
        bool quit = false;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) quit = true;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (quit || p.result != 0) break;
        if (!p.options.stopFile.empty() && GetFileAttributesA(p.options.stopFile.c_str()) != INVALID_FILE_ATTRIBUTES) break;
        p.feed.Next(p.ring, GetTickCount(), p.module->spectrumData, p.module->waveformData);
        if (p.module->Render(p.module) != 0) break;
        if (p.options.captureEvery > 0 && frame % p.options.captureEvery == 0) {
            char path[MAX_PATH];
            snprintf(path, sizeof path, "%s_%05d.bmp", p.options.capturePrefix.c_str(), frame);
            CaptureToBmp(FindWindowA("Velune v1.06", nullptr), path);
            if (p.log != nullptr) fprintf(p.log, "capture %d %lu\n", frame, GetTickCount()), fflush(p.log);
        }
        const int delay = p.module->delayMs < 0 ? 0 : (p.module->delayMs > 1000 ? 1000 : p.module->delayMs);
        Sleep(static_cast<DWORD>(delay));
    }
    p.module->Quit(p.module);
    return 0;
}

int Fail(const std::string& text, int code) {
    std::string line = "velune: " + text + "\n";
    fputs(line.c_str(), stderr);
    if (code == 2) fputs(kPlayerUsage, stderr);
    if (GetConsoleWindow() == nullptr) MessageBoxA(nullptr, line.c_str(), "Velune", MB_OK | MB_ICONERROR);
    return code;
}

std::string BesideProgram(const char* name) {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n < sizeof path ? n : 0);
    const size_t slash = s.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : s.substr(0, slash + 1)) + name;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    static Player p;
    std::string error;
    if (!ParsePlayerOptions(__argc, __argv, &p.options, &error)) return Fail(error, 2);
    if (p.options.dllPath.empty()) p.options.dllPath = BesideProgram("vis_velune.dll");
    if (!p.options.logPath.empty() && (p.log = fopen(p.options.logPath.c_str(), "w")) == nullptr)
        return Fail("cannot write " + p.options.logPath, 2);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlayerWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = "Velune Player";
    RegisterClassA(&wc);
    // The plug-in's host window: never shown, it answers the queries.
    p.window = CreateWindowExA(0, wc.lpszClassName, "Velune", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr, nullptr,
                               instance, nullptr);
    if (p.window == nullptr) return Fail("cannot create the player window", 3);

    LoadedPlugin plugin;
    if (!LoadVisPlugin(p.options.dllPath, &plugin, &error)) return Fail(error, 3);
    p.module = plugin.module;
    p.module->hwndParent = p.window;
    p.module->hDllInstance = plugin.dll;
    p.module->sRate = audio::kSampleRate;
    p.module->nCh = 2;
    player = &p;

    timeBeginPeriod(1);
    HANDLE thread = CreateThread(nullptr, 0, VisThread, &p, 0, nullptr);
    if (thread == nullptr) return Fail("cannot start the visualization thread", 3);
    // The main window answers while the plug-in runs; closing ends both.
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    CloseHandle(thread);
    timeEndPeriod(1);
    p.sound.Stop();
    player = nullptr;
    FreeLibrary(plugin.dll);
    DestroyWindow(p.window);
    if (p.log != nullptr) fclose(p.log);
    return p.result;
}
