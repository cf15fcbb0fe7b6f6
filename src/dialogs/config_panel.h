#pragma once
// The configuration panel: a modeless dialog on the display window's thread
// that sets the display mode and resolution (applied by "Done"), the scene
// length, the overlay and delay options, and the current renderer's and
// transform's part in random selection.
#include <windows.h>

#include <atomic>

class Video;

// Posted to the panel by the Render thread after a scene choice: the panel's
// own thread shows the new renderer and transform.
constexpr UINT kRefreshConfigPanel = WM_APP + 2;

class ConfigPanel {
public:
    ConfigPanel();
    virtual ~ConfigPanel();
    ConfigPanel(const ConfigPanel&) = delete;
    ConfigPanel& operator=(const ConfigPanel&) = delete;

    // Shows the current renderer and transform with their "On" boxes.
    void Refresh();
    // Drops a display mode or resolution picked but not applied.
    void DiscardPendingMode();

    HWND dialog = nullptr;
    Video* video = nullptr;
    HWND resolutionList = nullptr;
    HWND sceneLengthLabel = nullptr;
    HWND sliderMinLabel = nullptr;
    HWND sliderMaxLabel = nullptr;
    HWND sceneLengthSlider = nullptr;
    HWND backgroundButton = nullptr;
    HWND overlayNote = nullptr;
    HWND rendererLabel = nullptr;
    HWND transformLabel = nullptr;
    // Any int: a hand-edited settings file can hold "-2147483648".
    char numberText[16] = {};

    // --- used by the dialog procedure
    void FillResolutionList(int mode);
    void PickDisplayMode(int mode);
    void ShowSceneLength();
    void SliderMoved();
};

// The open panel's dialog, or null: what other threads may touch of it.
extern std::atomic<HWND> configPanelDialog;

// Takes the open panel out of theConfigPanel; true for the one caller that
// may delete it (the panel's own thread and Quit can race for it).
bool ClaimConfigPanel(ConfigPanel* panel);

INT_PTR CALLBACK ConfigPanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
