#pragma once
// Reports of the display: a box titled "Error". A fatal one stops the plug-in,
// never the player: the display is handed back first so the box can be seen,
// then the player is asked to stop the plug-in (the quit message Esc sends)
// and Render answers non-zero from then on; Quit still runs.
#include <windows.h>

// Returns to its caller in every case; nothing is shown for DDERR_SURFACEBUSY.
void ReportDirectDrawError(const char* message, HRESULT result, int endProcess);
void ReportError(const char* message, int endProcess);

// True once a fatal report was made in this run.
bool PluginStopped();
// A new run (Init) or its end (Quit).
void ResetPluginStop();
// True while a report's box is open: its modal loop dispatches the display
// window's messages, and nothing may rebuild the display meanwhile.
bool ReportShowing();

// Called once, before the first fatal box: leave exclusive mode, give back
// the display mode, the cursor and the wallpaper. One at a time.
void SetFatalReportHook(void (*hook)(void* context), void* context);

// While one exists, a fatal report posts no quit message: in Init a failed
// start is answered by Init's result, and in Quit the player is stopping already.
class NoStopRequest {
public:
    NoStopRequest();
    ~NoStopRequest();
    NoStopRequest(const NoStopRequest&) = delete;
    NoStopRequest& operator=(const NoStopRequest&) = delete;

private:
    bool outer;
};

// While one exists, failures are expected (another program may still hold the
// display while it is rebuilt): they are counted, not shown, and stop nothing.
class QuietReports {
public:
    QuietReports();
    ~QuietReports();
    QuietReports(const QuietReports&) = delete;
    QuietReports& operator=(const QuietReports&) = delete;
    int Failures() const;

private:
    int outer;
    int start;
};
