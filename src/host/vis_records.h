#pragma once
// The player's visualization plug-in records: the header the player asks for and
// the module record it fills before each frame. Shared by the DLL, the stand-in
// player and the tests, so it pulls in no Windows header.
#include <cstddef>

#include "version.h"

struct VisModule;

#if defined(_WIN32)
#define VIS_CDECL __cdecl
#else
#define VIS_CDECL
#endif

struct VisModule {
    const char* description;
    void* hwndParent;    // the player's main window
    void* hDllInstance;  // this library
    int sRate;
    int nCh;
    int latencyMs;
    int delayMs;         // pause the player leaves between frames
    int spectrumNch;
    int waveformNch;
    unsigned char spectrumData[2][576];
    unsigned char waveformData[2][576];
    void(VIS_CDECL* Config)(VisModule* module);
    int(VIS_CDECL* Init)(VisModule* module);
    int(VIS_CDECL* Render)(VisModule* module);
    void(VIS_CDECL* Quit)(VisModule* module);
    void* userData;
};

struct VisHeader {
    int version;
    const char* description;
    VisModule*(VIS_CDECL* getModule)(int index);
};

typedef VisHeader*(VIS_CDECL* VisGetHeaderFn)();

constexpr int kVisHeaderVersion = 0x101;
// Name and version come from the one place the installer reads too.
#define VELUNE_DESCRIPTION VELUNE_NAME " v" VELUNE_VERSION_TEXT

#if defined(_WIN32) && !defined(_WIN64)
static_assert(offsetof(VisModule, description) == 0, "module layout");
static_assert(offsetof(VisModule, hwndParent) == 4, "module layout");
static_assert(offsetof(VisModule, hDllInstance) == 8, "module layout");
static_assert(offsetof(VisModule, sRate) == 12, "module layout");
static_assert(offsetof(VisModule, nCh) == 16, "module layout");
static_assert(offsetof(VisModule, latencyMs) == 20, "module layout");
static_assert(offsetof(VisModule, delayMs) == 24, "module layout");
static_assert(offsetof(VisModule, spectrumNch) == 28, "module layout");
static_assert(offsetof(VisModule, waveformNch) == 32, "module layout");
static_assert(offsetof(VisModule, spectrumData) == 36, "module layout");
static_assert(offsetof(VisModule, waveformData) == 1188, "module layout");
static_assert(offsetof(VisModule, Config) == 2340, "module layout");
static_assert(offsetof(VisModule, Init) == 2344, "module layout");
static_assert(offsetof(VisModule, Render) == 2348, "module layout");
static_assert(offsetof(VisModule, Quit) == 2352, "module layout");
static_assert(offsetof(VisModule, userData) == 2356, "module layout");
static_assert(sizeof(VisModule) == 2360, "module layout");
static_assert(sizeof(VisHeader) == 12, "header layout");
#endif
