// The display modes each display mode offers, filtered by depth and by the
// video-memory estimate, with the names the configuration panel lists.
#include <cstdio>
#include <cstring>

#include "overlay/error_report_win32.h"
#include "video/mode_filter.h"
#include "video/video.h"

namespace {
struct EnumContext {
    int counting;
    int list;
    Video* video;
    int filled;  // records written in the filling pass
};

HRESULT WINAPI ModeCallback(LPDDSURFACEDESC2 desc, LPVOID context) {
    EnumContext* c = static_cast<EnumContext*>(context);
    Video* v = c->video;
    const DWORD bits = desc->ddpfPixelFormat.dwRGBBitCount;
    const MemoryLimits limits = {v->memoryLimitFullScreen, v->memoryLimitBackground};
    if (!ModeAccepted(c->list, desc->dwWidth, desc->dwHeight, bits, limits)) return DDENUMRET_OK;
    if (c->counting) {
        v->modeCounts[c->list] += 1;
        return DDENUMRET_OK;
    }
    // The driver may offer more modes the second time round; the lists hold
    // only what was counted.
    if (c->filled >= v->modeCounts[c->list]) return DDENUMRET_OK;
    const int i = c->filled++;
    v->modeRecords[c->list][i] = *desc;
    snprintf(v->modeNames[c->list][i], kModeNameBytes, "%dx%dx%d", static_cast<int>(desc->dwWidth),
             static_cast<int>(desc->dwHeight), static_cast<int>(bits));
    return DDENUMRET_OK;
}
}  // namespace

bool Video::QueryDisplayMode(DDSURFACEDESC2* desc, const char* failure) {
    memset(desc, 0, sizeof *desc);
    desc->dwSize = sizeof *desc;
    lastResult = directDraw->GetDisplayMode(desc);
    if (FAILED(lastResult)) {
        ReportDirectDrawError(failure, lastResult, 1);
        return false;
    }
    return true;
}

void Video::GetTotalVideoMemory() {
    DDSURFACEDESC2 desc;
    if (!QueryDisplayMode(&desc, "Video::GetTotalVideoMemory(), failed to retrive primary surface properties")) return;
    DDSCAPS2 caps;
    memset(&caps, 0, sizeof caps);
    DWORD total = 0;
    lastResult = directDraw->GetAvailableVidMem(&caps, &total, nullptr);
    if (FAILED(lastResult)) total = 0;
    const MemoryLimits limits =
        EstimateMemoryLimits(desc.dwWidth, desc.dwHeight, desc.ddpfPixelFormat.dwRGBBitCount, total);
    memoryLimitFullScreen = limits.fullScreen;
    memoryLimitBackground = limits.background;
}

void Video::EnumerateModes() {
    FreeModeLists();
    for (int list = 0; list < kDisplayModeCount; ++list) {
        EnumContext context = {1, list, this, 0};
        lastResult = directDraw->EnumDisplayModes(0, nullptr, &context, ModeCallback);
        if (FAILED(lastResult)) {
            ReportDirectDrawError("Error counting display modes", lastResult, 1);
            modeCounts[list] = 0;
            continue;
        }
        const int count = modeCounts[list];
        if (count == 0) continue;
        modeRecords[list] = new DDSURFACEDESC2[count];
        modeNames[list] = new char*[count];
        for (int i = 0; i < count; ++i) {
            modeNames[list][i] = new char[kModeNameBytes];
            modeNames[list][i][0] = '\0';
        }
        context.counting = 0;
        lastResult = directDraw->EnumDisplayModes(0, nullptr, &context, ModeCallback);
        if (FAILED(lastResult)) ReportDirectDrawError("Error enumerating display modes", lastResult, 1);
        // Fewer modes the second time: the unfilled tail is not offered.
        for (int i = context.filled; i < count; ++i) delete[] modeNames[list][i];
        modeCounts[list] = context.filled;
    }
    if (modeCounts[0] == 0 && modeCounts[1] == 0 && modeCounts[2] == 0)
        ReportError("No compatible video modes available", 1);
}

void Video::FreeModeLists() {
    for (int list = 0; list < kDisplayModeCount; ++list) {
        if (modeNames[list] != nullptr) {
            for (int i = 0; i < modeCounts[list]; ++i) delete[] modeNames[list][i];
            delete[] modeNames[list];
        }
        delete[] modeRecords[list];
        modeRecords[list] = nullptr;
        modeNames[list] = nullptr;
        modeCounts[list] = 0;
    }
}
