// The window behind the desktop icons and the thread that owns it.
//
// Sections: what both threads share; finding the shell's windows; the layer
// thread (attach, watch, leave); the render thread's side.
//
// Why the layer thread can never be held by the render thread: it takes no
// lock, waits on no event or handle of the render thread's, and sends it
// nothing; the render thread reads two words and blits. The thread holds a
// reference on the library and ends with FreeLibraryAndExitThread, so even a
// thread that Stop gave up waiting for never runs unloaded code.
#include "desktop/desktop_layer_win32.h"

#include "host/dpi_awareness.h"

namespace {
constexpr char kLayerClass[] = "VeluneDesktopLayer";
constexpr char kWatchClass[] = "VeluneDesktopWatch";
constexpr UINT kSpawnWorker = 0x052C;     // Progman: make the WorkerW behind the icons
constexpr UINT kReattach = WM_APP + 1;
constexpr UINT kRemakePlain = WM_APP + 2;
constexpr UINT_PTR kCheckTimer = 1;
constexpr UINT kCheckMs = 200;            // how soon a lost window is noticed
constexpr UINT kShellAnswerMs = 1000;     // a hung shell does not hold the layer thread longer
constexpr DWORD kStartMs = 5000;
constexpr DWORD kStopMs = 5000;
}  // namespace

struct DesktopLayer::Shared {
    volatile LONG references = 2;  // the owner and the thread
    volatile LONG generation = 0;
    HWND volatile window = nullptr;
    volatile LONG covered = 0;
    volatile LONG layeredRefused = 0;  // the window is layered, its attributes were refused
    HINSTANCE instance = nullptr;
    HMODULE pinned = nullptr;
    RECT monitor = {0, 0, 0, 0};
    HANDLE ready = nullptr;
    // The layer thread's alone.
    HWND watcher = nullptr;
    HWND parent = nullptr;
    bool dropping = false;
    bool plainOnly = false;  // a layered window showed nothing: plain ones from now on
    UINT taskbarCreated = 0;
};

namespace {
using Shared = DesktopLayer::Shared;

void Release(Shared* shared) {
    if (InterlockedDecrement(&shared->references) != 0) return;
    if (shared->ready != nullptr) CloseHandle(shared->ready);
    delete shared;
}

// --- finding the shell's windows

bool IsClass(HWND window, const char* name) {
    char found[32];
    return GetClassNameA(window, found, sizeof found) > 0 && lstrcmpiA(found, name) == 0;
}

BOOL CALLBACK FindIconHolder(HWND window, LPARAM result) {
    if (FindWindowExA(window, nullptr, "SHELLDLL_DefView", nullptr) == nullptr) return TRUE;
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
}

HWND IconHolder() {
    HWND holder = nullptr;
    EnumWindows(FindIconHolder, reinterpret_cast<LPARAM>(&holder));
    return holder;
}

struct Place {
    HWND parent = nullptr;
    HWND below = HWND_TOP;  // the sibling ours goes right under
    bool layered = false;
};

bool Visible(HWND window) { return window != nullptr && IsWindowVisible(window) && !IsIconic(window); }

// Shown and as large as the monitor: a window Explorer keeps for something
// else (a hidden or small WorkerW) would hold the picture where nobody sees it.
bool CoversMonitor(HWND window, const RECT& monitor) {
    RECT r;
    return Visible(window) && GetWindowRect(window, &r) && r.left <= monitor.left && r.top <= monitor.top &&
           r.right >= monitor.right && r.bottom >= monitor.bottom;
}

// Where ours goes, or no parent. `ask`: first ask Progman for its WorkerW,
// which Explorer makes only on request; a hung shell is not waited for.
Place FindPlace(const RECT& monitor, bool ask) {
    Place place;
    HWND progman = FindWindowA("Progman", nullptr);
    if (progman == nullptr) return place;
    if (ask) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(progman, kSpawnWorker, 0xD, 0x1, SMTO_NORMAL | SMTO_ABORTIFHUNG, kShellAnswerMs, &answer);
    }
    // 24H2: everything inside Progman; ours between the icons and the WorkerW.
    HWND icons = FindWindowExA(progman, nullptr, "SHELLDLL_DefView", nullptr);
    if (icons != nullptr && FindWindowExA(progman, nullptr, "WorkerW", nullptr) != nullptr) {
        if (!CoversMonitor(progman, monitor)) return place;
        place.parent = progman;
        place.below = icons;
        place.layered = true;
        return place;
    }
    // Before 24H2: the first top-level WorkerW behind the window holding the
    // icons that is shown and covers the monitor (Explorer has other WorkerW
    // windows; only that one is the wallpaper's).
    HWND holder = IconHolder();
    if (holder == nullptr) return place;
    for (HWND w = FindWindowExA(nullptr, holder, "WorkerW", nullptr); w != nullptr;
         w = FindWindowExA(nullptr, w, "WorkerW", nullptr)) {
        if (CoversMonitor(w, monitor)) {
            place.parent = w;
            break;
        }
    }
    return place;
}

// --- the layer thread

Shared* SharedOf(HWND window) { return reinterpret_cast<Shared*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

void Publish(Shared* shared, HWND window) {
    InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&shared->window), window);
    InterlockedIncrement(&shared->generation);
}

// Our window goes; the shell's windows are not touched.
void Drop(Shared* shared) {
    HWND window = shared->window;
    if (window == nullptr) return;
    Publish(shared, nullptr);
    shared->dropping = true;
    if (IsWindow(window)) DestroyWindow(window);
    shared->dropping = false;
    shared->parent = nullptr;
}

bool Attach(Shared* shared) {
    const Place place = FindPlace(shared->monitor, true);
    if (place.parent == nullptr) {
        Drop(shared);
        return false;
    }
    POINT origin = {shared->monitor.left, shared->monitor.top};
    ScreenToClient(place.parent, &origin);
    const int width = shared->monitor.right - shared->monitor.left;
    const int height = shared->monitor.bottom - shared->monitor.top;
    HWND window = shared->window;
    if (window == nullptr || !IsWindow(window) || GetParent(window) != place.parent) {
        Drop(shared);
        // No notices to the parent: its thread is another process's, and may hang.
        const bool layered = place.layered && !shared->plainOnly;
        const DWORD extended =
            WS_EX_NOPARENTNOTIFY | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE | (layered ? WS_EX_LAYERED : 0);
        window = CreateWindowExA(extended, kLayerClass, "", WS_CHILD | WS_CLIPSIBLINGS, origin.x, origin.y, width,
                                 height, place.parent, nullptr, shared->instance, nullptr);
        // A layered child needs a program that declares Windows 8 or later,
        // which the player may not: a plain child is the next best.
        if (window == nullptr && layered)
            window = CreateWindowExA(extended & ~WS_EX_LAYERED, kLayerClass, "", WS_CHILD | WS_CLIPSIBLINGS, origin.x,
                                     origin.y, width, height, place.parent, nullptr, shared->instance, nullptr);
        if (window == nullptr) return false;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(shared));
        // Refused attributes leave the window unseen until UpdateLayeredWindow
        // gives it pixels: the render thread then presents that way.
        const bool isLayered = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
        const bool refused = isLayered && !SetLayeredWindowAttributes(window, 0, 255, LWA_ALPHA);
        InterlockedExchange(&shared->layeredRefused, refused ? 1 : 0);
        shared->parent = place.parent;
    }
    SetWindowPos(window, place.below, origin.x, origin.y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (window != shared->window) Publish(shared, window);
    return true;
}

// Looked at again every check: the shell can hide, shrink or replace the
// window ours is in without telling anyone.
bool StillAttached(const Shared* shared) {
    HWND window = shared->window;
    return window != nullptr && IsWindow(window) && IsWindow(shared->parent) && GetParent(window) == shared->parent &&
           FindPlace(shared->monitor, false).parent == shared->parent;
}

// A visible window of another program as large as the monitor, in front.
bool MonitorCovered(const Shared* shared) {
    HWND front = GetForegroundWindow();
    if (front == nullptr || front == GetDesktopWindow() || !Visible(front)) return false;
    DWORD process = 0;
    GetWindowThreadProcessId(front, &process);
    if (process == GetCurrentProcessId() || IsClass(front, "Progman") || IsClass(front, "WorkerW")) return false;
    return CoversMonitor(front, shared->monitor);
}

// A game, a full-screen video or a presentation, as the shell knows it
// (Vista and later; it also sees programs that never take the foreground).
bool UserBusy() {
    enum { kBusy = 2, kFullScreenDirect3D = 3, kPresentation = 4 };  // QUERY_USER_NOTIFICATION_STATE
    using Fn = HRESULT(WINAPI*)(int*);
    static const Fn query = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("shell32.dll"), "SHQueryUserNotificationState")));
    int state = 0;
    if (query == nullptr || FAILED(query(&state))) return false;
    return state == kBusy || state == kFullScreenDirect3D || state == kPresentation;
}

LRESULT CALLBACK LayerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCHITTEST:
        // Clicks, right-clicks and drag-selection on the empty desktop are
        // the shell's: the icon view right above us takes them.
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        // Not passed up: the parent's thread is the shell's.
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        // Nothing painted: a monitor with no frame on it (covered, lost,
        // stopping) shows the user's wallpaper through ours, not black.
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_NCDESTROY: {
        // Destroyed under us (the shell rebuilt its desktop): attach again.
        Shared* shared = SharedOf(window);
        if (shared != nullptr && !shared->dropping && shared->window == window) {
            Publish(shared, nullptr);
            PostMessageA(shared->watcher, kReattach, 0, 0);
        }
        break;
    }
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK WatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Shared* shared = SharedOf(window);
    if (shared == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    if (message == kRemakePlain) {
        shared->plainOnly = true;
        Drop(shared);
        Attach(shared);
        return 0;
    }
    if (message == shared->taskbarCreated || message == kReattach || message == WM_SETTINGCHANGE ||
        message == WM_THEMECHANGED || message == WM_DISPLAYCHANGE || message == WM_DWMCOMPOSITIONCHANGED) {
        // Explorer restarted, or rebuilt its desktop for a new wallpaper,
        // theme or display: our place may be another window now.
        Attach(shared);
    } else if (message == WM_TIMER && wParam == kCheckTimer) {
        if (!StillAttached(shared)) Attach(shared);
        InterlockedExchange(&shared->covered, MonitorCovered(shared) || UserBusy() ? 1 : 0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterClasses(HINSTANCE instance) {
    WNDCLASSA layer = {};
    layer.lpfnWndProc = LayerProc;
    layer.hInstance = instance;
    layer.lpszClassName = kLayerClass;
    RegisterClassA(&layer);
    WNDCLASSA watch = {};
    watch.lpfnWndProc = WatchProc;
    watch.hInstance = instance;
    watch.lpszClassName = kWatchClass;
    RegisterClassA(&watch);
}

DWORD WINAPI LayerThread(LPVOID context) {
    Shared* shared = static_cast<Shared*>(context);
    HMODULE pinned = shared->pinned;
    // The monitor's rectangle is in real pixels, as the render thread sees it.
    dpi::SetThreadContext(dpi::PluginContext());
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // the queue, before anyone posts to it
    RegisterClasses(shared->instance);
    shared->taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    // Top-level and hidden: broadcasts reach it (a message-only window gets none).
    shared->watcher = CreateWindowExA(WS_EX_TOOLWINDOW, kWatchClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      shared->instance, nullptr);
    if (shared->watcher != nullptr) {
        SetWindowLongPtrA(shared->watcher, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(shared));
        Attach(shared);
        SetTimer(shared->watcher, kCheckTimer, kCheckMs, nullptr);
    }
    SetEvent(shared->ready);
    while (shared->watcher != nullptr && GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    Drop(shared);
    if (shared->watcher != nullptr) DestroyWindow(shared->watcher);
    UnregisterClassA(kLayerClass, shared->instance);
    UnregisterClassA(kWatchClass, shared->instance);
    Release(shared);
    FreeLibraryAndExitThread(pinned, 0);
    return 0;
}
}  // namespace

// --- the owner's side (the render thread)

DesktopLayer::~DesktopLayer() { Stop(); }

bool DesktopLayer::Available() {
    // Reads only: no message goes to the shell from the render thread.
    HWND progman = FindWindowA("Progman", nullptr);
    return progman != nullptr && (FindWindowExA(progman, nullptr, "SHELLDLL_DefView", nullptr) != nullptr ||
                                  IconHolder() != nullptr);
}

bool DesktopLayer::Start(HINSTANCE instance, const RECT& monitor) {
    Stop();
    this->monitor = monitor;
    shared = new Shared;
    shared->instance = instance;
    shared->monitor = monitor;
    shared->ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (shared->ready == nullptr ||
        !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(reinterpret_cast<void*>(LayerThread)), &shared->pinned)) {
        shared->references = 1;
        Release(shared);
        shared = nullptr;
        return false;
    }
    DWORD id = 0;
    thread = CreateThread(nullptr, 0, LayerThread, shared, 0, &id);
    if (thread == nullptr) {
        FreeLibrary(shared->pinned);
        shared->references = 1;
        Release(shared);
        shared = nullptr;
        return false;
    }
    WaitForSingleObject(shared->ready, kStartMs);
    return Window() != nullptr;
}

void DesktopLayer::Stop() {
    if (shared == nullptr) return;
    PostThreadMessageA(GetThreadId(thread), WM_QUIT, 0, 0);
    // The thread ends on its own even when this gives up: it pinned the library.
    WaitForSingleObject(thread, kStopMs);
    CloseHandle(thread);
    thread = nullptr;
    Release(shared);
    shared = nullptr;
}

LONG DesktopLayer::Generation() const {
    return shared == nullptr ? 0 : InterlockedCompareExchange(&shared->generation, 0, 0);
}

HWND DesktopLayer::Window() const {
    if (shared == nullptr) return nullptr;
    return static_cast<HWND>(
        InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&shared->window), nullptr, nullptr));
}

void DesktopLayer::RemakePlain() {
    if (shared != nullptr && shared->watcher != nullptr) PostMessageA(shared->watcher, kRemakePlain, 0, 0);
}

bool DesktopLayer::LayeredRefused() const {
    return shared != nullptr && InterlockedCompareExchange(&shared->layeredRefused, 0, 0) != 0;
}

bool DesktopLayer::Covered() const { return shared != nullptr && InterlockedCompareExchange(&shared->covered, 0, 0) != 0; }
