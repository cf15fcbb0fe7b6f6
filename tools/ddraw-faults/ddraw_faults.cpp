// A ddraw.dll that stands in front of the system's and makes its calls fail
// on cue, for the desktop tests. It hands out the real objects and swaps a
// few entries of their interface tables (one table per interface, shared by
// every object of it), so everything not named here is the real DirectDraw.
//
// Put beside a copy of the player (never beside the shared one) and run with
// WINEDLLOVERRIDES=ddraw=n,b. Environment:
//   VELUNE_DDRAW_FAULT  lost | activate | busy | bltfail | setmode | vidmem |
//                       nooverlay | create (DirectDrawCreate refused) |
//                       overlay (reported in the caps, and made) |
//                       slowblt (each blit to the screen takes 25 ms, and one
//                       whose window was destroyed meanwhile fails with
//                       DDERR_GENERIC, as Windows answers it) |
//                       unplug (the primary monitor is listed with a device
//                       of its own, and from VELUNE_DDRAW_AT that monitor is
//                       unplugged: the device is no longer listed, its
//                       surfaces are lost, and it refuses every mode) |
//                       childblit (no overlay; a blit through a clipper
//                       bound to a child window refused, as the desktop
//                       compositor may) | layered (no overlay;
//                       SetLayeredWindowAttributes and UpdateLayeredWindow
//                       refused to the caller of DirectDrawCreate, as to a
//                       program that does not declare Windows 8)
//   VELUNE_DDRAW_AT     the presentation (lost, activate, busy) or the call
//                       (setmode: SetDisplayMode; vidmem: primary surface
//                       creation) from which the fault starts, 1-based
//   VELUNE_DDRAW_LOG    file that receives what happened, line by line
//   VELUNE_DDRAW_MODES  reverse | insert: the display modes listed backwards,
//                       or with three more sizes listed first, as another
//                       driver or monitor offers them
//   VELUNE_DDRAW_DEVICES absent: DirectDrawEnumerateExA lists, after the
//                       default device, one of a monitor that is not there
//                       (\\.\DISPLAY9), as a display just unplugged does;
//                       DirectDraw created on it fails. Every creation is
//                       logged with the device it was asked for.
#define CINTERFACE
#include <windows.h>
#include <ddraw.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum class Fault { kNone, kLost, kActivate, kBusy, kBltFail, kSetMode, kVidMem, kNoOverlay, kCreate, kOverlay, kSlowBlt, kUnplug, kChildBlit, kLayered };

enum class Modes { kAsIs, kReverse, kInsert };

struct State {
    Fault fault = Fault::kNone;
    Modes modes = Modes::kAsIs;
    bool absentDevice = false;
    struct {
        GUID guid;
        char name[40];
    } devices[8];                // the monitors' devices the system listed
    int deviceCount = 0;
    int at = 1;
    char logPath[MAX_PATH] = {};
    int presents = 0;            // presentations attempted (primary blits, overlay updates)
    int presentedAfter = 0;      // that succeeded after the fault began
    int overlayUpdates = 0;      // that succeeded
    int setModes = 0;
    int primaries = 0;
    int busyLeft = 0;
    int childBlitsRefused = 0;
    bool lost = false;           // surfaces lost until the mode is set again
    bool begun = false;
    HWND window = nullptr;       // of the last SetCooperativeLevel
    bool unplugged = false;
    bool creatingOnDevice = false;       // DirectDrawCreate on the unpluggable device
    IDirectDraw4* onDevice[8] = {};      // the objects made on it
    int onDeviceCount = 0;
    IDirectDrawSurface4* primary = nullptr;
};
State state;

void Log(const char* format, ...) {
    if (!state.logPath[0]) return;
    FILE* f = std::fopen(state.logPath, "a");
    if (!f) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(f, format, args);
    va_end(args);
    std::fputc('\n', f);
    std::fclose(f);
}

// The real entries, kept before they are swapped.
decltype(IDirectDrawVtbl::QueryInterface) realQueryInterface;
decltype(IDirectDraw4Vtbl::CreateSurface) realCreateSurface;
decltype(IDirectDraw4Vtbl::SetCooperativeLevel) realSetCooperativeLevel;
decltype(IDirectDraw4Vtbl::SetDisplayMode) realSetDisplayMode;
decltype(IDirectDraw4Vtbl::RestoreDisplayMode) realRestoreDisplayMode;
decltype(IDirectDraw4Vtbl::GetCaps) realGetCaps;
decltype(IDirectDraw4Vtbl::EnumDisplayModes) realEnumDisplayModes;
decltype(IDirectDrawSurface4Vtbl::Blt) realBlt;
decltype(IDirectDrawSurface4Vtbl::Lock) realLock;
decltype(IDirectDrawSurface4Vtbl::IsLost) realIsLost;
decltype(IDirectDrawSurface4Vtbl::Restore) realRestore;
decltype(IDirectDrawSurface4Vtbl::UpdateOverlay) realUpdateOverlay;

template <typename Table>
void Writable(Table* table, void (*edit)(Table*)) {
    DWORD old = 0;
    VirtualProtect(table, sizeof *table, PAGE_EXECUTE_READWRITE, &old);
    edit(table);
    VirtualProtect(table, sizeof *table, old, &old);
}

DWORD WINAPI ActivateLater(LPVOID window) {
    Sleep(1000);
    Log("fault activate on");
    PostMessageA(static_cast<HWND>(window), WM_ACTIVATEAPP, TRUE, 0);
    return 0;
}

// A presentation is about to be attempted: the faults keyed to frames begin.
void Present() {
    ++state.presents;
    if (state.begun || state.presents < state.at) return;
    if (state.fault == Fault::kLost) {
        state.begun = state.lost = true;
        Log("fault lost at presentation %d", state.presents);
    } else if (state.fault == Fault::kActivate) {
        state.begun = true;
        // As Windows does when another program is activated: the exclusive
        // display is gone, and the focus comes back a second later.
        Log("fault activate off at presentation %d", state.presents);
        state.lost = true;
        HWND window = state.window;
        PostMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
        HANDLE later = CreateThread(nullptr, 0, ActivateLater, window, 0, nullptr);
        if (later) CloseHandle(later);
    } else if (state.fault == Fault::kUnplug) {
        state.begun = state.lost = state.unplugged = true;
        Log("fault unplug at presentation %d", state.presents);
    } else if (state.fault == Fault::kBusy) {
        state.begun = true;
        state.busyLeft = 60;
        Log("fault busy at presentation %d", state.presents);
    }
}

// Busy card: without a wait flag always busy; with it, every third call
// stays busy past the wait.
bool StillDrawing(bool waited) {
    if (state.busyLeft <= 0) return false;
    --state.busyLeft;
    if (!waited) {
        Log("busy refused a call without the wait flag");
        return true;
    }
    return state.busyLeft % 3 == 0;
}

void NotePresented(HRESULT result) {
    if (SUCCEEDED(result) && state.begun && !state.lost) {
        if (state.presentedAfter == 0) Log("presenting again at presentation %d", state.presents);
        ++state.presentedAfter;
    }
}

bool NoOverlays() {
    return state.fault == Fault::kNoOverlay || state.fault == Fault::kChildBlit || state.fault == Fault::kLayered;
}

// The primary's clipper is bound to a child window (ours behind the icons).
bool IntoChildWindow(IDirectDrawSurface4* primary) {
    IDirectDrawClipper* clipper = nullptr;
    if (FAILED(primary->lpVtbl->GetClipper(primary, &clipper)) || clipper == nullptr) return false;
    HWND window = nullptr;
    clipper->lpVtbl->GetHWnd(clipper, &window);
    clipper->lpVtbl->Release(clipper);
    const bool child = window != nullptr && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0;
    if (child) {
        ++state.childBlitsRefused;
        if (state.childBlitsRefused == 1) Log("blit into a child window refused");
    }
    return child;
}

BOOL WINAPI RefusedLayeredAttributes(HWND, COLORREF, BYTE, DWORD) {
    Log("layered attributes refused");
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

BOOL WINAPI RefusedLayeredUpdate(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD) {
    static bool logged = false;
    if (!logged) Log("layered update refused");
    logged = true;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

// The module's imports of SetLayeredWindowAttributes and UpdateLayeredWindow
// go to the refusals.
void RefuseLayeredAttributes(HMODULE module) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0; ++d) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + d->Name), "user32.dll") != 0 || d->OriginalFirstThunk == 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            const char* name = reinterpret_cast<char*>(byName->Name);
            void* refusal = std::strcmp(name, "SetLayeredWindowAttributes") == 0
                                ? reinterpret_cast<void*>(RefusedLayeredAttributes)
                                : std::strcmp(name, "UpdateLayeredWindow") == 0 ? reinterpret_cast<void*>(RefusedLayeredUpdate)
                                                                                : nullptr;
            if (refusal == nullptr) continue;
            DWORD kept = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &kept);
            slots->u1.Function = reinterpret_cast<DWORD_PTR>(refusal);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, kept, &kept);
            Log("%s of the caller refused from now on", name);
        }
    }
}

HRESULT WINAPI Blt(IDirectDrawSurface4* self, RECT* to, IDirectDrawSurface4* from, RECT* source, DWORD flags,
                   DDBLTFX* effects) {
    const bool toScreen = self == state.primary;
    if (toScreen) Present();
    if (state.lost) return DDERR_SURFACELOST;
    if (toScreen && state.fault == Fault::kBltFail && state.presents >= state.at) {
        Log("blit to the screen failed at presentation %d", state.presents);
        return DDERR_GENERIC;
    }
    if (toScreen && state.fault == Fault::kSlowBlt) {
        Sleep(25);
        if (!IsWindow(state.window)) {
            Log("blit to a destroyed window failed");
            return DDERR_GENERIC;
        }
    }
    if (toScreen && state.fault == Fault::kChildBlit && IntoChildWindow(self)) return DDERR_GENERIC;
    if (StillDrawing((flags & DDBLT_WAIT) != 0)) return DDERR_WASSTILLDRAWING;
    const HRESULT result = realBlt(self, to, from, source, flags, effects);
    if (toScreen) NotePresented(result);
    return result;
}

HRESULT WINAPI UpdateOverlay(IDirectDrawSurface4* self, RECT* source, IDirectDrawSurface4* to, RECT* target,
                             DWORD flags, DDOVERLAYFX* effects) {
    Present();
    if (state.lost) return DDERR_SURFACELOST;
    const HRESULT result = realUpdateOverlay(self, source, to, target, flags, effects);
    if (SUCCEEDED(result)) ++state.overlayUpdates;
    NotePresented(result);
    return result;
}

HRESULT WINAPI Lock(IDirectDrawSurface4* self, RECT* rect, DDSURFACEDESC2* desc, DWORD flags, HANDLE event) {
    if (state.lost) return DDERR_SURFACELOST;
    if (StillDrawing((flags & DDLOCK_WAIT) != 0)) return DDERR_WASSTILLDRAWING;
    return realLock(self, rect, desc, flags, event);
}

HRESULT WINAPI IsLost(IDirectDrawSurface4* self) { return state.lost ? DDERR_SURFACELOST : realIsLost(self); }

HRESULT WINAPI Restore(IDirectDrawSurface4* self) {
    if (state.lost) {
        Log("restore refused: wrong mode");
        return DDERR_WRONGMODE;
    }
    return realRestore(self);
}

void PatchSurfaceTable(IDirectDrawSurface4* surface) {
    static bool done = false;
    if (done || !surface) return;
    done = true;
    Writable<IDirectDrawSurface4Vtbl>(const_cast<IDirectDrawSurface4Vtbl*>(surface->lpVtbl), [](IDirectDrawSurface4Vtbl* t) {
        realBlt = t->Blt;
        realLock = t->Lock;
        realIsLost = t->IsLost;
        realRestore = t->Restore;
        realUpdateOverlay = t->UpdateOverlay;
        t->Blt = Blt;
        t->Lock = Lock;
        t->IsLost = IsLost;
        t->Restore = Restore;
        t->UpdateOverlay = UpdateOverlay;
    });
}

HRESULT WINAPI CreateSurface(IDirectDraw4* self, DDSURFACEDESC2* desc, IDirectDrawSurface4** out, IUnknown* outer) {
    const DWORD caps = desc ? desc->ddsCaps.dwCaps : 0;
    if (NoOverlays() && (caps & DDSCAPS_OVERLAY)) {
        Log("overlay refused");
        return DDERR_NOOVERLAYHW;
    }
    if (caps & DDSCAPS_PRIMARYSURFACE) {
        ++state.primaries;
        if (state.fault == Fault::kVidMem && state.primaries >= state.at) {
            Log("primary surface %d refused: out of video memory", state.primaries);
            return DDERR_OUTOFVIDEOMEMORY;
        }
    }
    const HRESULT result = realCreateSurface(self, desc, out, outer);
    if (SUCCEEDED(result) && out && *out) {
        PatchSurfaceTable(*out);
        if (caps & DDSCAPS_PRIMARYSURFACE) state.primary = *out;
    }
    return result;
}

// Overlay hardware as a card that has it reports it.
HRESULT WINAPI GetCaps(IDirectDraw4* self, DDCAPS* driver, DDCAPS* emulation) {
    const HRESULT result = realGetCaps(self, driver, emulation);
    if (SUCCEEDED(result) && driver && state.fault == Fault::kOverlay) {
        driver->dwCaps |= DDCAPS_OVERLAY;
        driver->dwMaxVisibleOverlays = 1;
        driver->dwCurrVisibleOverlays = 0;
    }
    return result;
}

bool OnUnpluggedDevice(IDirectDraw4* self) {
    if (!state.unplugged) return false;
    for (int i = 0; i < state.onDeviceCount; ++i)
        if (state.onDevice[i] == self) return true;
    return false;
}

HRESULT WINAPI SetCooperativeLevel(IDirectDraw4* self, HWND window, DWORD flags) {
    if ((flags & DDSCL_EXCLUSIVE) && OnUnpluggedDevice(self)) {
        Log("exclusive level refused: the monitor is gone");
        return DDERR_GENERIC;
    }
    state.window = window;
    return realSetCooperativeLevel(self, window, flags);
}

// Setting a mode again is what brings lost surfaces back.
void ModeSetAgain(const char* how) {
    if (!state.lost) return;
    state.lost = false;
    Log("mode set again (%s)", how);
}

HRESULT WINAPI SetDisplayMode(IDirectDraw4* self, DWORD width, DWORD height, DWORD bits, DWORD refresh, DWORD flags) {
    ++state.setModes;
    if (OnUnpluggedDevice(self)) {
        Log("display mode refused: the monitor is gone");
        return DDERR_GENERIC;
    }
    if (state.fault == Fault::kSetMode && state.setModes >= state.at) {
        Log("display mode %lux%lux%lu refused", width, height, bits);
        return DDERR_INVALIDMODE;
    }
    const HRESULT result = realSetDisplayMode(self, width, height, bits, refresh, flags);
    if (SUCCEEDED(result)) ModeSetAgain("SetDisplayMode");
    return result;
}

HRESULT WINAPI RestoreDisplayMode(IDirectDraw4* self) {
    const HRESULT result = realRestoreDisplayMode(self);
    if (SUCCEEDED(result)) ModeSetAgain("RestoreDisplayMode");
    return result;
}

struct ModeList {
    DDSURFACEDESC2 modes[512];
    int count = 0;
};

HRESULT WINAPI Collect(DDSURFACEDESC2* desc, void* context) {
    ModeList* list = static_cast<ModeList*>(context);
    if (list->count < 512) list->modes[list->count++] = *desc;
    return DDENUMRET_OK;
}

HRESULT WINAPI EnumDisplayModes(IDirectDraw4* self, DWORD flags, DDSURFACEDESC2* filter, void* context,
                                LPDDENUMMODESCALLBACK2 callback) {
    if (state.modes == Modes::kAsIs) return realEnumDisplayModes(self, flags, filter, context, callback);
    static ModeList list;
    list.count = 0;
    const HRESULT result = realEnumDisplayModes(self, flags, filter, &list, Collect);
    if (FAILED(result) || list.count == 0) return result;
    if (state.modes == Modes::kInsert) {
        const DWORD sizes[][2] = {{352, 240}, {720, 480}, {1152, 864}};
        for (const auto& size : sizes) {
            DDSURFACEDESC2 extra = list.modes[0];
            extra.dwWidth = size[0];
            extra.dwHeight = size[1];
            extra.ddpfPixelFormat.dwRGBBitCount = 32;
            if (callback(&extra, context) == DDENUMRET_CANCEL) return DD_OK;
        }
        for (int i = 0; i < list.count; ++i)
            if (callback(&list.modes[i], context) == DDENUMRET_CANCEL) break;
    } else {
        for (int i = list.count - 1; i >= 0; --i)
            if (callback(&list.modes[i], context) == DDENUMRET_CANCEL) break;
    }
    return DD_OK;
}

HRESULT WINAPI QueryInterface(IDirectDraw* self, REFIID riid, void** out) {
    const HRESULT result = realQueryInterface(self, riid, out);
    if (SUCCEEDED(result) && IsEqualGUID(riid, IID_IDirectDraw4)) {
        // An object of another device may come at the address of one released.
        IDirectDraw4* made = static_cast<IDirectDraw4*>(*out);
        for (int i = 0; i < state.onDeviceCount; ++i)
            if (state.onDevice[i] == made) state.onDevice[i] = nullptr;
        if (state.creatingOnDevice && state.onDeviceCount < 8) state.onDevice[state.onDeviceCount++] = made;
        state.creatingOnDevice = false;
    }
    static bool done = false;
    if (SUCCEEDED(result) && !done && IsEqualGUID(riid, IID_IDirectDraw4)) {
        done = true;
        IDirectDraw4* four = static_cast<IDirectDraw4*>(*out);
        Writable<IDirectDraw4Vtbl>(const_cast<IDirectDraw4Vtbl*>(four->lpVtbl), [](IDirectDraw4Vtbl* t) {
            realCreateSurface = t->CreateSurface;
            realSetCooperativeLevel = t->SetCooperativeLevel;
            realSetDisplayMode = t->SetDisplayMode;
            realRestoreDisplayMode = t->RestoreDisplayMode;
            realGetCaps = t->GetCaps;
            t->GetCaps = GetCaps;
            realEnumDisplayModes = t->EnumDisplayModes;
            t->EnumDisplayModes = EnumDisplayModes;
            t->CreateSurface = CreateSurface;
            t->SetCooperativeLevel = SetCooperativeLevel;
            t->SetDisplayMode = SetDisplayMode;
            t->RestoreDisplayMode = RestoreDisplayMode;
        });
    }
    return result;
}

void ReadSettings() {
    char text[64] = {};
    GetEnvironmentVariableA("VELUNE_DDRAW_LOG", state.logPath, sizeof state.logPath);
    if (GetEnvironmentVariableA("VELUNE_DDRAW_AT", text, sizeof text)) state.at = std::atoi(text);
    text[0] = '\0';
    GetEnvironmentVariableA("VELUNE_DDRAW_FAULT", text, sizeof text);
    const struct {
        const char* name;
        Fault fault;
    } names[] = {{"lost", Fault::kLost},       {"activate", Fault::kActivate}, {"busy", Fault::kBusy},
                 {"bltfail", Fault::kBltFail}, {"setmode", Fault::kSetMode}, {"vidmem", Fault::kVidMem},     {"nooverlay", Fault::kNoOverlay},
                 {"create", Fault::kCreate},   {"overlay", Fault::kOverlay},   {"slowblt", Fault::kSlowBlt},
                 {"unplug", Fault::kUnplug},
                 {"childblit", Fault::kChildBlit}, {"layered", Fault::kLayered}};
    for (const auto& n : names)
        if (std::strcmp(text, n.name) == 0) state.fault = n.fault;
    Log("proxy loaded, fault %s at %d", text[0] ? text : "none", state.at);
    text[0] = '\0';
    GetEnvironmentVariableA("VELUNE_DDRAW_MODES", text, sizeof text);
    if (std::strcmp(text, "reverse") == 0) state.modes = Modes::kReverse;
    if (std::strcmp(text, "insert") == 0) state.modes = Modes::kInsert;
    text[0] = '\0';
    GetEnvironmentVariableA("VELUNE_DDRAW_DEVICES", text, sizeof text);
    state.absentDevice = std::strcmp(text, "absent") == 0;
}

const GUID kAbsentDevice = {0x5e1f0a70, 0x0d15, 0x4c9a, {0x9a, 0x11, 0x0b, 0x5e, 0x47, 0x0d, 0x15, 0x09}};
const GUID kUnpluggableDevice = {0x5e1f0a70, 0x0d15, 0x4c9a, {0x9a, 0x11, 0x0b, 0x5e, 0x47, 0x0d, 0x15, 0x0a}};

HMODULE SystemDirectDraw() {
    static HMODULE real = nullptr;
    if (real) return real;
    char path[MAX_PATH];
    const UINT n = GetSystemDirectoryA(path, MAX_PATH - 16);
    if (n == 0 || n >= MAX_PATH - 16) return nullptr;
    std::strcat(path, "\\ddraw.dll");
    real = LoadLibraryA(path);
    return real;
}

// Which device a creation asked for, by the name the enumeration gave it.
void LogDevice(const GUID* guid) {
    if (!guid) {
        Log("DirectDraw on the default device");
        return;
    }
    if (IsEqualGUID(*guid, kAbsentDevice)) {
        Log("DirectDraw on the absent device");
        return;
    }
    if (IsEqualGUID(*guid, kUnpluggableDevice)) {
        Log("DirectDraw on the unpluggable device");
        return;
    }
    for (int i = 0; i < state.deviceCount; ++i) {
        if (IsEqualGUID(*guid, state.devices[i].guid)) {
            Log("DirectDraw on the device of %s", state.devices[i].name);
            return;
        }
    }
    Log("DirectDraw on an unlisted device");
}

struct Forward {
    LPDDENUMCALLBACKEXA callback;
    void* context;
    bool stopped;
};

BOOL WINAPI ForwardDevice(GUID* guid, LPSTR description, LPSTR name, LPVOID context, HMONITOR monitor) {
    Forward* forward = static_cast<Forward*>(context);
    if (guid && state.deviceCount < 8) {
        state.devices[state.deviceCount].guid = *guid;
        std::snprintf(state.devices[state.deviceCount].name, sizeof state.devices[0].name, "%s", name ? name : "?");
        ++state.deviceCount;
    }
    if (!forward->callback(guid, description, name, forward->context, monitor)) return forward->stopped = true, FALSE;
    if (!guid && state.fault == Fault::kUnplug && !state.unplugged) {
        char description[] = "Primary display, to be unplugged";
        char name[] = "\\\\.\\DISPLAY1";
        GUID device = kUnpluggableDevice;
        const POINT origin = {0, 0};
        if (!forward->callback(&device, description, name, forward->context,
                               MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY)))
            return forward->stopped = true, FALSE;
    }
    if (!guid && state.absentDevice) {
        char absentDescription[] = "Unplugged display";
        char absentName[] = "\\\\.\\DISPLAY9";
        GUID absent = kAbsentDevice;
        if (!forward->callback(&absent, absentDescription, absentName, forward->context,
                               reinterpret_cast<HMONITOR>(static_cast<INT_PTR>(0x7A7A))))
            return forward->stopped = true, FALSE;
    }
    return TRUE;
}

}  // namespace

extern "C" HRESULT WINAPI DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags) {
    using Enumerate = HRESULT(WINAPI*)(LPDDENUMCALLBACKEXA, LPVOID, DWORD);
    const HMODULE real = SystemDirectDraw();
    const Enumerate enumerate =
        real ? reinterpret_cast<Enumerate>(reinterpret_cast<void*>(GetProcAddress(real, "DirectDrawEnumerateExA")))
             : nullptr;
    if (!enumerate) return DDERR_GENERIC;
    state.deviceCount = 0;
    Forward forward = {callback, context, false};
    return enumerate(ForwardDevice, &forward, flags);
}

extern "C" HRESULT WINAPI DirectDrawCreate(GUID* guid, IDirectDraw** out, IUnknown* outer) {
    static bool layeredRefused = false;
    HMODULE caller = nullptr;
    if (state.fault == Fault::kLayered && !layeredRefused &&
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(__builtin_return_address(0)), &caller)) {
        layeredRefused = true;
        RefuseLayeredAttributes(caller);
    }
    if (state.fault == Fault::kCreate) {
        Log("DirectDrawCreate refused");
        if (out) *out = nullptr;
        return DDERR_NODIRECTDRAWHW;
    }
    using Create = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);
    static Create create = nullptr;
    LogDevice(guid);
    if (guid && IsEqualGUID(*guid, kAbsentDevice)) return DDERR_INVALIDDIRECTDRAWGUID;
    state.creatingOnDevice = guid && IsEqualGUID(*guid, kUnpluggableDevice);
    if (state.creatingOnDevice) {
        if (state.unplugged) return DDERR_INVALIDDIRECTDRAWGUID;
        guid = nullptr;  // the real DirectDraw of the primary monitor
    }
    if (!create) {
        HMODULE real = SystemDirectDraw();
        create = real ? reinterpret_cast<Create>(reinterpret_cast<void*>(GetProcAddress(real, "DirectDrawCreate")))
                      : nullptr;
        if (!create) {
            Log("no system ddraw.dll");
            return DDERR_GENERIC;
        }
    }
    const HRESULT result = create(guid, out, outer);
    static bool done = false;
    if (SUCCEEDED(result) && out && *out && !done) {
        done = true;
        Writable<IDirectDrawVtbl>(const_cast<IDirectDrawVtbl*>((*out)->lpVtbl), [](IDirectDrawVtbl* t) {
            realQueryInterface = t->QueryInterface;
            t->QueryInterface = QueryInterface;
        });
    }
    return result;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) ReadSettings();
    if (reason == DLL_PROCESS_DETACH)
        Log("end: %d presentations, %d presented after the fault began, %d mode sets, %d overlay updates, "
            "%d blits into a child refused",
            state.presents, state.presentedAfter, state.setModes, state.overlayUpdates, state.childBlitsRefused);
    return TRUE;
}
