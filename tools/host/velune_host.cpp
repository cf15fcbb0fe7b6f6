// velune-host: a stand-in for the player. It loads a visualization plug-in,
// feeds it audio frame by frame from a playlist, answers its queries and takes
// the keys it forwards; options script keys, moves and screen captures for
// tests and the demo.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audio/analyzer.h"
#include "audio/wav_file.h"
#include "frame_intervals.h"
#include "host/vis_records.h"
#include "host_options.h"
#include "player_exit.h"
#include "player_window.h"
#include "plugin_calls.h"
#include "plugin_loader.h"
#include "screen_capture.h"
#include "shell/shell_windows.h"

namespace {

constexpr UINT kTrayCallback = WM_USER + 10;
constexpr int kTrayIconId = 106;

bool FillPlaylist(const HostOptions& options, Playlist& playlist, std::string& error) {
    for (const std::string& path : options.wavFiles) {
        audio::Track track;
        std::string reason;
        if (!audio::ReadWav(path, &track.pcm, &reason)) {
            error = "cannot play " + path + ": " + reason;
            return false;
        }
        const size_t slash = path.find_last_of("/\\");
        track.title = path.substr(slash == std::string::npos ? 0 : slash + 1);
        const size_t dot = track.title.rfind('.');
        if (dot != std::string::npos && dot > 0) track.title.erase(dot);
        playlist.Add(std::move(track));
    }
    for (int i = 0; i < options.silentSongs; ++i) {
        audio::Track track;
        track.title = "Velune Silent Song " + std::to_string(i + 1);
        audio::AppendSilence(track.pcm, options.songSeconds);
        playlist.Add(std::move(track));
    }
    const int songs = playlist.Empty() && options.songs == 0 ? 2 : options.songs;
    for (audio::Track& track : audio::MakeTrackList(songs, options.songSeconds, options.seed))
        playlist.Add(std::move(track));
    return true;
}

bool IsDialog(HWND window) {
    char name[16];
    return window && GetClassNameA(window, name, sizeof name) && lstrcmpA(name, "#32770") == 0;
}

// Many players hand each message to IsDialogMessage of its dialog first, which
// gives modeless dialogs Tab, Enter and Esc; others do not.
void Dispatch(MSG& message, bool dialogMessages) {
    if (dialogMessages && message.hwnd) {
        HWND top = GetAncestor(message.hwnd, GA_ROOT);
        if (IsDialog(top) && IsDialogMessageA(top, &message)) return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

// Runs the messages of this thread; false once the plug-in asked to stop.
bool PumpMessages(bool dialogMessages) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) return false;
        Dispatch(message, dialogMessages);
    }
    return true;
}

BOOL CALLBACK MatchDisplayWindow(HWND window, LPARAM found) {
    char name[64];
    if (GetClassNameA(window, name, sizeof name) && lstrcmpA(name, VELUNE_DESCRIPTION) == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CountDialog(HWND window, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && IsDialog(window))
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// Visible dialogs of the player, whichever thread runs them: the plug-in's
// configuration panel and About box.
int CountDialogs() {
    int count = 0;
    EnumWindows(CountDialog, reinterpret_cast<LPARAM>(&count));
    return count;
}

// The display window belongs to the thread that called Init.
HWND FindDisplayWindow(DWORD initThread) {
    HWND found = nullptr;
    EnumThreadWindows(initThread, MatchDisplayWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The stand-in desktop shell inside the player: the screen then shows what
// the plug-in puts among its windows, which Wine composes only within one
// process.
DWORD WINAPI ShellThread(LPVOID layout24h2) {
    shell::Options options;
    options.layout24h2 = layout24h2 != nullptr;
    shell::Run(options);
    return 0;
}

bool StartShell(const std::string& layout) {
    HANDLE thread = CreateThread(nullptr, 0, ShellThread, reinterpret_cast<LPVOID>(static_cast<INT_PTR>(layout == "24h2")), 0, nullptr);
    if (thread == nullptr) return false;
    CloseHandle(thread);
    for (int i = 0; i < 200 && FindWindowA("Progman", nullptr) == nullptr; ++i) Sleep(25);
    return true;
}

DWORD WINAPI ConfigThread(LPVOID context) {
    PlayerState& state = *static_cast<PlayerState*>(context);
    SetPlayerPrecision(state.fpuBits);
    CallConfig(state, "its own thread");
    return 0;
}

class Player {
public:
    Player(const HostOptions& options, PlayerState& state, HWND window, VisModule* module)
        : options(options), state(state), window(window), module(module) {}
    ~Player();

    // Renders until the frame count is reached or the plug-in asks to stop.
    void Run();
    DWORD initThread = GetCurrentThreadId();

private:
    void StartConfigs(int frame);
    void SendEvents(int frame);
    void NoteDisplayWindow(int frame);
    void Capture(int frame);

    const HostOptions& options;
    PlayerState& state;
    HWND window;
    VisModule* module;
    HWND display = nullptr;
    RECT lastRect = {};
    int lastVisible = -1;
    int lastDialogs = 0;
    std::unique_ptr<audio::Analyzer> analyzer{new audio::Analyzer};
    std::vector<HANDLE> configThreads;
};

// Config threads end when the plug-in's Quit has closed its dialogs; the
// library must not be unloaded under them.
Player::~Player() {
    for (HANDLE thread : configThreads) {
        if (WaitForSingleObject(thread, 30000) != WAIT_OBJECT_0) state.log.Line(state.frame, "config thread still running");
        CloseHandle(thread);
    }
}

void Player::StartConfigs(int frame) {
    for (int at : options.configFrames)
        if (at == frame) PostMessageA(window, kRunConfig, 0, 0);
    for (int at : options.configThreadFrames) {
        if (at != frame) continue;
        HANDLE thread = CreateThread(nullptr, 0, ConfigThread, &state, 0, nullptr);
        if (thread) configThreads.push_back(thread);
    }
}

void Player::SendEvents(int frame) {
    for (const HostEvent& event : options.events) {
        if (event.frame != frame || event.kind == HostEvent::kCapture) continue;
        if (event.kind == HostEvent::kStall) {
            // The render thread held in a long wait, its messages unread.
            state.log.Line(frame, "stall %d", event.x);
            Sleep(static_cast<DWORD>(event.x));
            state.log.Line(frame, "stall over");
            continue;
        }
        if (event.kind == HostEvent::kMainStall) {
            PostMessageA(window, kMainStall, static_cast<WPARAM>(event.x), 0);
            continue;
        }
        if (!display) {
            state.log.Line(frame, "event lost: no display window");
            continue;
        }
        if (event.kind == HostEvent::kKey) {
            LPARAM lParam = 1 | (static_cast<LPARAM>(MapVirtualKeyA(event.key, 0)) << 16);
            if (event.message == WM_SYSKEYDOWN) lParam |= 1 << 29;  // Alt held
            state.log.Line(frame, "send key message %u wparam %u lparam 0x%08lx", event.message, event.key,
                           static_cast<unsigned long>(lParam));
            PostMessageA(display, event.message, event.key, lParam);
        } else if (event.kind == HostEvent::kTray) {
            state.log.Line(frame, "send tray %u", event.message);
            PostMessageA(display, kTrayCallback, kTrayIconId, event.message);
        } else {
            state.log.Line(frame, "send move %d %d", event.x, event.y);
            SetWindowPos(display, nullptr, event.x, event.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

void Player::NoteDisplayWindow(int frame) {
    const int dialogs = CountDialogs();
    if (dialogs != lastDialogs) state.log.Line(frame, "dialogs %d", dialogs);
    lastDialogs = dialogs;
    if (!display || !IsWindow(display)) display = FindDisplayWindow(initThread);
    if (!display) return;
    RECT r;
    GetWindowRect(display, &r);
    const int visible = IsWindowVisible(display) ? 1 : 0;
    if (EqualRect(&r, &lastRect) && visible == lastVisible) return;
    lastRect = r;
    lastVisible = visible;
    state.log.Line(frame, "window %ld %ld %ld %ld visible %d", static_cast<long>(r.left), static_cast<long>(r.top),
                   static_cast<long>(r.right - r.left), static_cast<long>(r.bottom - r.top), visible);
}

void Player::Capture(int frame) {
    bool wanted = options.captureEvery > 0 && frame % options.captureEvery == 0;
    for (const HostEvent& event : options.events)
        wanted = wanted || (event.kind == HostEvent::kCapture && event.frame == frame);
    if (!wanted) return;
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "_%05d.bmp", frame);
    const std::string path = options.capturePrefix + suffix;
    const bool ok = CaptureToBmp(options.captureScreen ? nullptr : display, path);
    state.log.Line(frame, "capture %s %s", ok ? "ok" : "failed", path.c_str());
}

// The process's CPU time so far, user and kernel, in milliseconds.
int64_t CpuMilliseconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto ms = [](const FILETIME& t) {
        return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000);
    };
    return ms(kernel) + ms(user);
}

int64_t NowMilliseconds() { return NowMicroseconds() / 1000; }

void Player::Run() {
    // Render may come on a thread of its own, at the player's precision too.
    SetPlayerPrecision(options.fpuBits);
    DWORD lastTick = timeGetTime();
    // From the second frame to the end of the last one's pause: the first
    // carries the display's one-time set-up.
    int64_t runStart = 0, cpuStart = 0;
    FrameIntervals intervals(options.frames);
    for (int frame = 1; options.frames < 0 || frame <= options.frames; ++frame) {
        if (frame == 2) runStart = NowMilliseconds(), cpuStart = CpuMilliseconds();
        const DWORD frameStart = timeGetTime();
        state.frame = frame;
        NoteDisplayWindow(frame);
        SendEvents(frame);
        StartConfigs(frame);
        if (frame == options.exitFrame) PostMessageA(window, kPlayerExit, 0, 0);
        if (!PumpMessages(options.dialogMessages)) {
            state.log.Line(frame, "stop requested after %d frames", frame - 1);
            return;
        }
        {
            std::lock_guard<std::recursive_mutex> hold(state.playlistLock);
            analyzer->Analyze(state.playlist.Current().pcm, state.playlist.CurrentFrame(), module->spectrumData,
                              module->waveformData);
        }
        intervals.Start(NowMicroseconds());
        const int result = CallRender(state);
        state.log.Line(frame, "delay %d", module->delayMs);
        if (result != 0) {
            // A player stops the plug-in at once when Render says so.
            state.log.Line(frame, "render returned %d", result);
            return;
        }
        NoteDisplayWindow(frame);
        Capture(frame);

        const DWORD now = timeGetTime();
        const double step = options.frameMs > 0 ? options.frameMs : static_cast<double>(now - lastTick);
        lastTick = now;
        bool newEntry;
        {
            std::lock_guard<std::recursive_mutex> hold(state.playlistLock);
            newEntry = state.playlist.Advance(step);
        }
        if (newEntry) NoteTrackStart(window, state, "end of entry");

        // The player's pause between frames, bounded in case of a wild value.
        const int delay = module->delayMs < 0 ? 0 : (module->delayMs > 1000 ? 1000 : module->delayMs);
        if (options.coarseSleep)
            CoarseSleep(delay);
        else if (delay > 0)
            Sleep(static_cast<DWORD>(delay));
        const DWORD spent = timeGetTime() - frameStart;
        if (options.minFrameMs > 0 && spent < static_cast<DWORD>(options.minFrameMs))
            Sleep(static_cast<DWORD>(options.minFrameMs) - spent);
    }
    state.log.Line(options.frames, "timing %d frames %d ms cpu %d ms", options.frames - 1,
                   static_cast<int>(NowMilliseconds() - runStart), static_cast<int>(CpuMilliseconds() - cpuStart));
    char summary[160];
    intervals.Summary(summary, sizeof summary);
    state.log.Line(options.frames, "%s", summary);
    state.log.Line(options.frames, "frame count reached");
}

const char kUsage[] =
    "usage: velune-host [--dll PATH] [--wav FILE]... [--songs N] [--silent-songs N] [--song-seconds S]\n"
    "         [--seed N] [--null-title] [--ansi-titles] [--title TEXT]... [--frames N] [--frame-ms MS]\n"
    "         [--min-frame-ms MS] [--log FILE]\n"
    "         [--key FRAME:KEY]... [--tray FRAME:left|right]... [--move FRAME:X,Y]... [--stall FRAME:MS]...\n"
    "         [--main-stall FRAME:MS]...\n"
    "         [--capture FRAME]... [--capture-every N] [--capture-prefix PATH] [--capture-screen]\n"
    "         [--common-controls] [--dialog-messages] [--plugin-thread | --render-thread] [--config FRAME]...\n"
    "         [--config-thread FRAME]... [--fpu 53|64] [--fixed-time SECONDS] [--shell classic|24h2]\n"
    "         [--exit FRAME] [--exit-pump-ms MS] [--coarse-sleep]\n"
    "  KEY: F1..F24, Esc, Tab, Space, Enter, a letter or digit, or a key code; alt+KEY for a system key.\n"
    "  TEXT: the title of the next playlist entry, from the first; \\uXXXX for any UTF-16 unit.\n"
    "  Player keys forwarded by the plug-in: B next song, Z previous, X from the start.\n"
    "  --exit: the player closes at FRAME as Winamp does, answering messages for MS\n"
    "  (2000), then waiting for the plug-in without answering.\n"
    "  --plugin-thread: Init, Render and Quit on a thread of their own, as Winamp does.\n"
    "  --render-thread: Init, the window and Quit on the main thread, which pumps;\n"
    "  Render on another thread, as players that render from their input thread.\n"
    "  --main-stall: the main thread busy for MS, answering nothing, from FRAME.\n"
    "  --coarse-sleep: delayMs slept on a 15.625 ms tick, as at Windows' default timer;\n"
    "  the log's \"intervals\" line gives the spread of frame intervals.\n";

int Fail(const std::string& text, int code) {
    std::fprintf(stderr, "velune-host: %s\n", text.c_str());
    if (code == 2) std::fputs(kUsage, stderr);
    return code;
}

}  // namespace


namespace {

struct Session {
    const HostOptions& options;
    PlayerState& state;
    HWND window;
    VisModule* module;
    int initResult = -1;
};

// Init, the frames and Quit, all on the calling thread: the player's
// visualization thread.
// The desktop's mode, logged before Init and after Quit: the plug-in must
// give back what it found.
void LogDesktopMode(PlayerState& state) {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    state.log.Line(state.frame, "desktop %lux%lux%lu", mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel);
}

bool StartPlugin(Session& session) {
    PlayerState& state = session.state;
    LogDesktopMode(state);
    SetPlayerPrecision(session.options.fpuBits);
    session.initResult = CallInit(state);
    state.log.Line(0, "init %d", session.initResult);
    MSG pending;
    // A failed start answers with its result alone.
    if (PeekMessageA(&pending, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) state.log.Line(0, "stray quit message after init");
    return session.initResult == 0;
}

void TimedQuit(PlayerState& state) {
    const DWORD start = GetTickCount();
    CallQuit(state);
    state.log.Line(state.frame, "quit in %lu ms", static_cast<unsigned long>(GetTickCount() - start));
}

void CheckWhatQuitLeft(PlayerState& state);

void RunPlugin(Session& session) {
    if (!StartPlugin(session)) return;
    {
        Player player(session.options, session.state, session.window, session.module);
        player.Run();
        TimedQuit(session.state);
    }
    CheckWhatQuitLeft(session.state);
}

void CheckWhatQuitLeft(PlayerState& state) {
    // A plug-in that wrote past the end of a block has damaged its heap; the
    // damage may never crash the player, but it shows here.
    HANDLE heaps[64];
    const DWORD heapCount = GetProcessHeaps(64, heaps);
    for (DWORD i = 0; i < heapCount && i < 64; ++i)
        if (!HeapValidate(heaps[i], 0, nullptr)) state.log.Line(state.frame, "heap damaged");
    LogDesktopMode(state);
    // The pointer's display count as the plug-in leaves it: 0 or more is shown.
    const int shown = ShowCursor(TRUE);
    ShowCursor(FALSE);
    state.log.Line(state.frame, "cursor count %d", shown - 1);
}

DWORD WINAPI PluginThread(LPVOID context) {
    RunPlugin(*static_cast<Session*>(context));
    return 0;
}

// Pumps this thread's messages until `thread` ends; the player's own quit is
// handed on to that thread once.
void PumpUntilEnded(HANDLE thread, DWORD threadId, bool dialogMessages) {
    ResumeThread(thread);
    bool stopping = false;
    for (;;) {
        if (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0) break;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                if (!stopping) PostThreadMessageA(threadId, WM_QUIT, 0, 0);
                stopping = true;
                continue;
            }
            Dispatch(message, dialogMessages);
        }
    }
    CloseHandle(thread);
}

// The player's own thread keeps its window (the plug-in's host window)
// answering while the plug-in runs on its thread; closing the player asks the
// plug-in to stop the way its own request does.
void RunOnPluginThread(Session& session) {
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, PluginThread, &session, CREATE_SUSPENDED, &threadId);
    if (!thread) {
        session.state.log.Line(0, "cannot start the plug-in's thread");
        return;
    }
    session.state.pluginThread = thread;
    session.state.pluginThreadId = threadId;
    PumpUntilEnded(thread, threadId, session.options.dialogMessages);
}

DWORD WINAPI RenderThread(LPVOID player) {
    static_cast<Player*>(player)->Run();
    return 0;
}

// Init, the plug-in's window and Quit on the main thread, which pumps its
// messages; Render on a thread of its own, as players do that render from
// their input thread. Closing the player destroys its window, and with it
// the plug-in's (owned) window, whatever Render is doing.
void RunOnRenderThread(Session& session) {
    if (!StartPlugin(session)) return;
    PlayerState& state = session.state;
    {
        Player player(session.options, state, session.window, session.module);
        DWORD threadId = 0;
        HANDLE thread = CreateThread(nullptr, 0, RenderThread, &player, CREATE_SUSPENDED, &threadId);
        if (!thread) {
            state.log.Line(0, "cannot start the render thread");
            TimedQuit(state);
            return;
        }
        state.pluginThread = thread;
        state.pluginThreadId = threadId;
        state.destroyOnExit = true;
        PumpUntilEnded(thread, threadId, session.options.dialogMessages);
        state.pluginThread = nullptr;
        TimedQuit(state);
    }
    CheckWhatQuitLeft(state);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    for (int i = 1; i < __argc; ++i) {
        if (lstrcmpA(__argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    HostOptions options;
    std::string error;
    if (!ParseHostOptions(__argc, __argv, options, error)) return Fail(error, 2);

    // Only some players register the common controls the plug-in's panel uses.
    if (options.commonControls) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
    }

    PlayerState state;
    state.nullTitle = options.nullTitle;
    state.ansiTitles = options.ansiTitles;
    state.fpuBits = options.fpuBits;
    state.exitPumpMs = options.exitPumpMs;
    if (!options.logPath.empty() && !state.log.Open(options.logPath)) return Fail("cannot write " + options.logPath, 2);
    if (!FillPlaylist(options, state.playlist, error)) return Fail(error, 2);
    for (size_t i = 0; i < options.titles.size(); ++i) state.playlist.Rename(static_cast<int>(i), options.titles[i]);

    HWND window = CreatePlayerWindow(instance, &state);
    if (!window) return Fail("cannot create the player window", 3);

    LoadedPlugin plugin;
    if (!LoadVisPlugin(options.dllPath, &plugin, &error)) return Fail(error, 3);
    HMODULE dll = plugin.dll;
    VisModule* module = plugin.module;
    if (options.fixedTime && !FixPluginClock(dll, options.fixedTimeValue)) {
        FreeLibrary(dll);
        return Fail("the plug-in imports no clock to fix", 3);
    }
    module->hwndParent = window;
    module->hDllInstance = dll;
    state.module = module;
    // The main thread calls Config, at the same precision as the rest.
    SetPlayerPrecision(options.fpuBits);

    if (!options.shell.empty() && !StartShell(options.shell)) return Fail("cannot start the shell", 3);
    timeBeginPeriod(1);
    NoteTrackStart(window, state, "start");
    Session session{options, state, window, module};
    if (options.pluginThread)
        RunOnPluginThread(session);
    else if (options.renderThread)
        RunOnRenderThread(session);
    else
        RunPlugin(session);
    FreeLibrary(dll);
    timeEndPeriod(1);
    if (IsWindow(window)) DestroyWindow(window);
    return session.initResult == 0 ? 0 : 4;
}
