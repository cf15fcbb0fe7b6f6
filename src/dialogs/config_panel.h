#pragma once
// The configuration panel: a modeless dialog on the display window's thread
// that sets the display mode and resolution (applied by "Done"), the scene
// length, the overlay and delay options, and the current renderer's and
// transform's part in random selection.
#include <windows.h>

class Video;

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

INT_PTR CALLBACK ConfigPanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
