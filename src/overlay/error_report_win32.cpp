#include "overlay/error_report_win32.h"

#include "host/plugin_entry.h"
#include "overlay/error_text.h"
#include "video/display_gate_win32.h"

namespace {
struct StopState {
    bool stopped = false;
    bool showing = false;
    bool noStopRequest = false;
    int quietDepth = 0;
    int quietFailures = 0;
    void (*hook)(void*) = nullptr;
    void* hookContext = nullptr;
};
StopState state;

void ShowAndStop(const char* text, int endProcess) {
    // One box per run: after the first fatal one, teardown stays silent.
    if (state.stopped || state.showing) {
        if (endProcess) state.stopped = true;
        return;
    }
    state.showing = true;
    if (endProcess) {
        state.stopped = true;
        // The box would be hidden behind an exclusive display.
        if (state.hook != nullptr) state.hook(state.hookContext);
    }
    {
        // The box's loop runs the player's windows too: at its own settings.
        AsCaller asCaller;
        display_gate::Release gate;
        // No owner: the display window may be hidden or half torn down.
        MessageBoxA(nullptr, text, "Error", MB_OK);
    }
    state.showing = false;
    if (endProcess && !state.noStopRequest) PostQuitMessage(0);
}

bool Quieted() {
    if (state.quietDepth == 0) return false;
    ++state.quietFailures;
    return true;
}
}  // namespace

void ReportDirectDrawError(const char* message, HRESULT result, int endProcess) {
    char text[kErrorTextBytes];
    if (!FormatDirectDrawError(text, message, static_cast<uint32_t>(result))) return;
    if (Quieted()) return;
    ShowAndStop(text, endProcess);
}

void ReportError(const char* message, int endProcess) {
    if (Quieted()) return;
    ShowAndStop(message, endProcess);
}

bool PluginStopped() { return state.stopped; }
void ResetPluginStop() { state.stopped = false; }
bool ReportShowing() { return state.showing; }

void SetFatalReportHook(void (*hook)(void*), void* context) {
    state.hook = hook;
    state.hookContext = context;
}

NoStopRequest::NoStopRequest() : outer(state.noStopRequest) { state.noStopRequest = true; }
NoStopRequest::~NoStopRequest() { state.noStopRequest = outer; }

QuietReports::QuietReports() : outer(state.quietDepth), start(state.quietFailures) { ++state.quietDepth; }
QuietReports::~QuietReports() { state.quietDepth = outer; }
int QuietReports::Failures() const { return state.quietFailures - start; }
