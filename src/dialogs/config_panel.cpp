#include "dialogs/config_panel.h"

#include <commctrl.h>

#include "dialogs/dialog_ids.h"
#include "host/plugin.h"
#include "host/x87_precision.h"
#include "overlay/error_report_win32.h"
#include "scene/scene.h"
#include "transform/transform.h"
#include "video/display_gate_win32.h"
#include "video/video.h"

namespace {

constexpr char kNever[] = "Never";
constexpr int kFramesPerStep = 100;

// The player may never have registered the trackbar class.
void RegisterTrackbar() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
}

int Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0; }

void SetCheck(HWND dialog, int id, int on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

int ModeButton(int mode) {
    static const int kButtons[kDisplayModeCount] = {IDC_MODE_FULL_SCREEN, IDC_MODE_WINDOWED, IDC_MODE_BACKGROUND};
    return kButtons[mode];
}

// The slider's position for the right end, which means "never switch".
int NeverPosition(const Scene& scene) { return scene.maxFramesPerScene / kFramesPerStep + 1; }

}  // namespace

ConfigPanel::ConfigPanel() : video(theVideo) {
    display_gate::Hold gate(display_gate::kDialogWaitMs);
    RegisterTrackbar();
    dialog = CreateDialogParamA(*video->instanceRef, MAKEINTRESOURCEA(IDD_CONFIG_PANEL), video->window,
                                ConfigPanelProc, 0);
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ShowWindow(dialog, SW_SHOWNORMAL);

    resolutionList = GetDlgItem(dialog, IDC_RESOLUTION_LIST);
    sceneLengthLabel = GetDlgItem(dialog, IDC_SCENE_LENGTH);
    sliderMinLabel = GetDlgItem(dialog, IDC_SLIDER_MIN);
    sliderMaxLabel = GetDlgItem(dialog, IDC_SLIDER_MAX);
    sceneLengthSlider = GetDlgItem(dialog, IDC_SCENE_LENGTH_SLIDER);
    backgroundButton = GetDlgItem(dialog, IDC_MODE_BACKGROUND);
    overlayNote = GetDlgItem(dialog, IDC_OVERLAY_NOTE);
    rendererLabel = GetDlgItem(dialog, IDC_RENDERER_NAME);
    transformLabel = GetDlgItem(dialog, IDC_TRANSFORM_NAME);

    const Scene& scene = *theScene;
    SetCheck(dialog, IDC_SHOW_INFO, video->showInfo);
    SetCheck(dialog, IDC_MINIMIZE_HOST, video->minimizeHost);
    SetCheck(dialog, IDC_USE_DELAY, video->useDelay);
    SetCheck(dialog, IDC_SHOW_SONG_TITLE, scene.showSongTitle);
    SetCheck(dialog, ModeButton(video->displayMode), 1);

    if (!video->BackgroundAvailable()) {
        EnableWindow(backgroundButton, FALSE);
        SetWindowTextA(overlayNote, "(Unsupported by hardware)");
        EnableWindow(overlayNote, FALSE);
    }
    // A mode without resolutions can never be applied.
    for (int mode = 0; mode < kDisplayModeCount; ++mode)
        if (video->modeCounts[mode] <= 0) EnableWindow(GetDlgItem(dialog, ModeButton(mode)), FALSE);

    FillResolutionList(video->displayMode);
    SendMessageA(resolutionList, LB_SETCURSEL, static_cast<WPARAM>(video->resolution), 0);

    wsprintfA(numberText, "%d", scene.minFramesPerScene);
    SetWindowTextA(sliderMinLabel, numberText);
    SetWindowTextA(sliderMaxLabel, kNever);
    SendMessageA(sceneLengthSlider, TBM_SETRANGE, TRUE,
                 MAKELPARAM(scene.minFramesPerScene / kFramesPerStep, NeverPosition(scene)));
    ShowSceneLength();
    SendMessageA(sceneLengthSlider, TBM_SETTICFREQ, 1, 0);
    Refresh();
    configPanelDialog = dialog;
    configPanelOpen = 1;
}

ConfigPanel::~ConfigPanel() {
    // Null when the dialog is gone already (its owner destroyed it).
    if (dialog != nullptr) {
        SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
        DestroyWindow(dialog);
    }
    configPanelDialog = nullptr;
    ConfigPanel* self = this;
    theConfigPanel.compare_exchange_strong(self, nullptr);
    configPanelOpen = 0;
}

void ConfigPanel::Refresh() {
    const Scene& scene = *theScene;
    const int renderer = scene.GetCurrentRenderer();
    SetWindowTextA(rendererLabel, scene.rendererNames[renderer]);
    SetCheck(dialog, IDC_RENDERER_ON, scene.enabledRenderers[renderer]);
    const Transform* transform = video->transform;
    if (transform == nullptr) return;
    SetWindowTextA(transformLabel, transform->names[transform->currentIndex]);
    SetCheck(dialog, IDC_TRANSFORM_ON, transform->enabled[transform->currentIndex]);
}

void ConfigPanel::DiscardPendingMode() {
    video->requestedDisplayMode = video->displayMode;
    video->requestedResolution = video->resolution;
}

void ConfigPanel::FillResolutionList(int mode) {
    SendMessageA(resolutionList, LB_RESETCONTENT, 0, 0);
    // Inserted at their places, so the list keeps the mode order despite its
    // sort style.
    for (int i = 0; i < video->modeCounts[mode]; ++i)
        SendMessageA(resolutionList, LB_INSERTSTRING, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(video->modeNames[mode][i]));
}

void ConfigPanel::PickDisplayMode(int mode) {
    if (video->modeCounts[mode] <= 0 || (mode == kBackground && !video->BackgroundAvailable())) {
        // A greyed mode clicked all the same: the pick stays where it was.
        for (int m = 0; m < kDisplayModeCount; ++m) {
            const int requested = video->requestedDisplayMode >= 0 ? video->requestedDisplayMode : video->displayMode;
            SetCheck(dialog, ModeButton(m), m == requested);
        }
        return;
    }
    display_gate::Hold gate(display_gate::kDialogWaitMs);
    FillResolutionList(mode);
    video->requestedDisplayMode = mode;
    const int pick = mode == video->displayMode ? video->resolution : 0;
    SendMessageA(resolutionList, LB_SETCURSEL, static_cast<WPARAM>(pick), 0);
    video->requestedResolution = pick;
}

void ConfigPanel::ShowSceneLength() {
    const Scene& scene = *theScene;
    if (scene.framesPerScene == -1) {
        SendMessageA(sceneLengthSlider, TBM_SETPOS, TRUE, NeverPosition(scene));
        SetWindowTextA(sceneLengthLabel, kNever);
        return;
    }
    wsprintfA(numberText, "%d", scene.framesPerScene);
    SetWindowTextA(sceneLengthLabel, numberText);
    SendMessageA(sceneLengthSlider, TBM_SETPOS, TRUE, scene.framesPerScene / kFramesPerStep);
}

void ConfigPanel::SliderMoved() {
    Scene& scene = *theScene;
    const int position = static_cast<int>(SendMessageA(sceneLengthSlider, TBM_GETPOS, 0, 0));
    scene.framesPerScene = position * kFramesPerStep;
    if (scene.framesPerScene == scene.maxFramesPerScene + kFramesPerStep) {
        scene.framesPerScene = -1;
        SetWindowTextA(sceneLengthLabel, kNever);
        return;
    }
    wsprintfA(numberText, "%d", scene.framesPerScene);
    SetWindowTextA(sceneLengthLabel, numberText);
}

namespace {

// The panel's buttons, list and boxes; false for ids it does not handle.
bool Command(ConfigPanel& panel, int id, int notification) {
    Video& video = *panel.video;
    Scene& scene = *theScene;
    if (id == IDC_RESOLUTION_LIST) {
        if (notification != LBN_SELCHANGE) return false;
        video.requestedResolution = static_cast<int>(SendMessageA(panel.resolutionList, LB_GETCURSEL, 0, 0));
        return true;
    }
    // Buttons act on a click; the boxes take their flags from what they show,
    // so a flag changed meanwhile by a key never ends up inverted.
    if (notification != BN_CLICKED) return false;
    const HWND dialog = panel.dialog;
    switch (id) {
    case IDC_SHOW_INFO:
        video.showInfo = Checked(dialog, id);
        video.infoFrameCount = 0;
        return true;
    case IDC_MODE_FULL_SCREEN:
        panel.PickDisplayMode(kFullScreen);
        return true;
    case IDC_MODE_WINDOWED:
        panel.PickDisplayMode(kWindowed);
        return true;
    case IDC_MODE_BACKGROUND:
        panel.PickDisplayMode(kBackground);
        return true;
    case IDC_DONE:
        // Carried out by the next frame, on the thread that draws it.
        video.RequestModeChange();
        if (ClaimConfigPanel(&panel)) delete &panel;
        return true;
    case IDC_MINIMIZE_HOST:
        video.minimizeHost = Checked(dialog, id);
        return true;
    case IDC_EXIT_PLUGIN:
        if (ClaimConfigPanel(&panel)) delete &panel;
        PostQuitMessage(0);
        return true;
    case IDC_SHOW_SONG_TITLE:
        scene.showSongTitle = Checked(dialog, id);
        return true;
    case IDC_USE_DELAY:
        video.useDelay = Checked(dialog, id);
        return true;
    case IDC_HELP_AND_INFO:
        OpenAboutBox(reinterpret_cast<VisModule*>(GetWindowLongPtrA(video.window, GWLP_USERDATA)));
        return true;
    case IDC_NEXT_RENDERER:
        video.RequestSceneChoice(1, 2);
        return true;
    case IDC_NEXT_TRANSFORM:
        video.RequestSceneChoice(2, 1);
        return true;
    case IDC_RENDERER_ON:
        scene.enabledRenderers[scene.GetCurrentRenderer()] = Checked(dialog, id);
        return true;
    case IDC_TRANSFORM_ON:
        if (video.transform != nullptr) video.transform->enabled[video.transform->currentIndex] = Checked(dialog, id);
        return true;
    default:
        return false;
    }
}

}  // namespace

std::atomic<HWND> configPanelDialog{nullptr};

bool ClaimConfigPanel(ConfigPanel* panel) {
    ConfigPanel* expected = panel;
    return panel != nullptr && theConfigPanel.compare_exchange_strong(expected, nullptr);
}

INT_PTR CALLBACK ConfigPanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    PluginPrecision guard;
    ConfigPanel* panel = reinterpret_cast<ConfigPanel*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    if (panel == nullptr) return FALSE;
    switch (message) {
    case kRefreshConfigPanel:
        panel->Refresh();
        return TRUE;
    case WM_DESTROY:
        // Destroyed by its owner, not by the panel: the object and the open
        // flag go with the window, or Quit would wait on a dead handle.
        panel->dialog = nullptr;
        if (ClaimConfigPanel(panel)) delete panel;
        return FALSE;
    case WM_COMMAND: {
        // An error report's box is up (its loop still reaches the panel):
        // nothing may close the panel or rebuild the display under it.
        if (ReportShowing()) return TRUE;
        const int id = LOWORD(wParam);
        // The close box, Esc, or another thread closing the panel: what was
        // picked but not applied is dropped; everything else already holds.
        if (id == IDCANCEL) {
            panel->DiscardPendingMode();
            if (ClaimConfigPanel(panel)) delete panel;
            return TRUE;
        }
        if (id < IDC_RESOLUTION_LIST || id > IDC_TRANSFORM_ON) return FALSE;
        return Command(*panel, id, HIWORD(wParam)) ? TRUE : FALSE;
    }
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) != panel->sceneLengthSlider || ReportShowing()) return FALSE;
        panel->SliderMoved();
        return TRUE;
    default:
        return FALSE;
    }
}
