#pragma once
// A window of ours behind the desktop icons, for Background where no overlay
// exists. The desktop belongs to the shell's process, and a child window ties
// its thread's input to the parent's: so the window is made and owned by a
// thread of its own that only pumps messages and never waits on the render
// thread. The render thread only reads the handle and blits to it.
//
// The shell's windows, found by class name each time:
//   classic (Windows 8, 10, 11 before 24H2): the top-level holder of
//     SHELLDLL_DefView, and behind it the top-level WorkerW that Progman makes
//     when sent 0x052C; ours becomes that WorkerW's child.
//   Windows 11 24H2: Progman holds SHELLDLL_DefView and a WorkerW; ours is a
//     layered child of Progman between the two.
#include <windows.h>

class DesktopLayer {
public:
    DesktopLayer() = default;
    ~DesktopLayer();
    DesktopLayer(const DesktopLayer&) = delete;
    DesktopLayer& operator=(const DesktopLayer&) = delete;

    // Whether a shell offers a place behind its icons now.
    static bool Available();

    // Starts the thread and waits, briefly, for the first attachment; true when
    // the window is in place. `monitor`: the screen rectangle to cover.
    bool Start(HINSTANCE instance, const RECT& monitor);
    // Destroys the window and ends the thread; the shell's windows are left as
    // they were.
    void Stop();
    bool Running() const { return shared != nullptr; }
    const RECT& Monitor() const { return monitor; }

    // Read by the render thread, written by the layer's thread. Generation
    // changes whenever the window is replaced or goes; a window read between
    // two equal generations belongs to them.
    LONG Generation() const;
    HWND Window() const;
    // A full-screen program covers the monitor, or the user is in a game or
    // a presentation: nothing of ours is seen.
    bool Covered() const;
    // The window is layered and refused its attributes: only
    // UpdateLayeredWindow shows anything in it. Valid with its generation.
    bool LayeredRefused() const;
    // Layered windows show nothing here either way: a plain one replaces
    // ours (a new generation), and so do later ones.
    void RemakePlain();

    struct Shared;  // what both threads hold; the last one out frees it

private:
    Shared* shared = nullptr;
    HANDLE thread = nullptr;
    RECT monitor = {0, 0, 0, 0};
};
