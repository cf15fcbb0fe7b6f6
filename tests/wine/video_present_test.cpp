// The display code built into the test itself, with the Transform, the text
// overlays and the player left out, so that a known frame can be put through
// Compose and Flip on Wine's real DirectDraw and read back from the screen.
// Everything of this build lives in namespace presentbuild; nothing of it is
// in the DLL.
#include <windows.h>
#include <initguid.h>
#include <ddraw.h>
#include <shellapi.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "video_test_support.h"

// The test is not linked with ddraw; the system's DLL is reached by name.
extern "C" HRESULT WINAPI DirectDrawCreate(GUID* guid, LPDIRECTDRAW* out, IUnknown* outer) {
    using Create = HRESULT(WINAPI*)(GUID*, LPDIRECTDRAW*, IUnknown*);
    static Create create =
        reinterpret_cast<Create>(reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("ddraw.dll"), "DirectDrawCreate")));
    return create(guid, out, outer);
}

namespace presentbuild {
#include "scene/scene_display.cpp"
#include "pixels/compose_reference.cpp"
#include "desktop/desktop_background_win32.cpp"
#include "desktop/desktop_gdi_present_win32.cpp"
#include "desktop/desktop_layer_win32.cpp"
#include "desktop/desktop_state_win32.cpp"
#include "video/display_loss_win32.cpp"
#include "overlay/error_report_win32.cpp"
#include "overlay/error_text.cpp"
#include "video/frame_clock_win32.cpp"
#include "video/frame_pacer.cpp"
#include "video/mode_filter.cpp"
#include "desktop/monitor_choice_win32.cpp"
#include "video/surfaces_win32.cpp"
#include "video/video_compose_win32.cpp"
#include "video/video_modes_win32.cpp"
#include "overlay/song_title_win32.cpp"
#include "video/video_win32.cpp"
#include "video/window_size_win32.cpp"
#include "video/window_requests_win32.cpp"
#include "host/player_query.cpp"
#include "video/display_gate_win32.cpp"

Scene* theScene = nullptr;
void ClearPixels(uint32_t* pixels, int count) { memset(pixels, 0, sizeof(uint32_t) * static_cast<size_t>(count)); }
void ComposeMmx(const ComposeJob& job) { ComposeReference(job); }
void ComposeSse2(const ComposeJob& job) { ComposeReference(job); }
void ComposeAvx2(const ComposeJob& job) { ComposeReference(job); }
uint32_t CpuFeatureWord() { return 0; }
bool CpuHasAvx2() { return false; }
void Video::ShowInfo() {}
void Video::ShowMessage() {}
void Scene::ChooseScene(int, int) {}
void Video::ShowNotice(const char*) {}
void Video::ReleaseMessageFont() {}

// Only what the Video asks of its Transform, and a count of the live ones.
int liveTransforms = 0;
int lastInitWidth = 0;
bool failTransformInit = false;  // as when the map cannot be allocated
Transform::Transform() : enabled(nullptr) { ++liveTransforms; }
Transform::~Transform() { --liveTransforms; }
bool Transform::Init(int newWidth, int newHeight) {
    width = newWidth;
    height = newHeight;
    lastInitWidth = newWidth;
    return !failTransformInit;
}
int Transform::GetEnabledMask() const { return currentIndex; }
void Transform::SetEnabledMask(int mask) { currentIndex = mask; }
bool EnterWindowedWithoutMapMemory();
}  // namespace presentbuild

using namespace presentbuild;
using namespace videotest;

// For the error report's child process: Windowed entered with no memory for
// the displacement map. True when the display nevertheless counts as ready.
bool presentbuild::EnterWindowedWithoutMapMemory() {
    failTransformInit = true;
    PlayerWindow player;
    HWND host = player.window;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    int delayMs = 0;
    Video* video = new Video;
    bool ready = false;
    if (video->CheckDirectDraw()) {
        video->requestedDisplayMode = kWindowed;
        video->delayMsRef = &delayMs;
        video->Create("VeluneMapMemoryTest", DefWindowProcA, &host, &instance);
        ready = video->transformReady != 0;
    }
    delete video;
    failTransformInit = false;
    return ready;
}

namespace {
// Every pixel different from its neighbours, all channels used, and a fourth
// byte that must never reach the screen.
uint32_t Pattern(int x, int y) {
    return 0xA5000000u | static_cast<uint32_t>((x * 7 + y) & 0xFF) << 16 | static_cast<uint32_t>((y * 5 + x / 3) & 0xFF) << 8 |
           static_cast<uint32_t>((x ^ y) & 0xFF);
}

class VideoPresent : public ::testing::Test {
protected:
    void SetUp() override {
        host = player.window;
        desktopWidth = GetSystemMetrics(SM_CXSCREEN);
        desktopBits = ScreenBitsPerPixel();
        instance = GetModuleHandleA(nullptr);
        video = new Video;
        ASSERT_EQ(video->CheckDirectDraw(), 1);
    }
    void TearDown() override {
        delete video;
        PumpMessages();
        EXPECT_EQ(liveTransforms, 0);
        // Releasing DirectDraw gave the display its own mode back.
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), desktopWidth);
        EXPECT_EQ(ScreenBitsPerPixel(), desktopBits);
    }
    void Create(int mode) {
        video->requestedDisplayMode = mode;
        video->windowX = 50;
        video->windowY = 40;
        video->delayMsRef = &delayMs;
        video->Create("VelunePresentTest", DefWindowProcA, &host, &instance);
        PumpMessages();
    }
    // Puts the pattern through Compose and Flip a few times, as frames do.
    void PresentPattern() {
        for (int frame = 0; frame < 3; ++frame) {
            for (int y = 0; y < video->height; ++y)
                for (int x = 0; x < video->width; ++x) video->frameBuffer[y * video->width + x] = Pattern(x, y);
            video->Compose();
            video->Flip();
            PumpMessages();
        }
    }
    // Counts the pixels of a w x h screen rectangle at sx, sy whose top bits
    // differ from the pattern's at fx, fy.
    int Mismatches(int sx, int sy, int fx, int fy, int w, int h, int redBits, int greenBits, int blueBits,
                   int tolerance = 0) {
        std::vector<uint32_t> screen = GrabScreen(sx, sy, w, h);
        int bad = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                uint32_t want = Pattern(fx + x, fy + y), got = screen[static_cast<size_t>(y) * w + x];
                auto off = [&](int shift, int bits) {
                    int a = static_cast<int>((want >> shift & 0xFF) >> (8 - bits));
                    int b = static_cast<int>((got >> shift & 0xFF) >> (8 - bits));
                    return a - b > tolerance || b - a > tolerance;
                };
                if (off(16, redBits) || off(8, greenBits) || off(0, blueBits)) {
                    if (bad < 3) ADD_FAILURE() << "pixel " << x << "," << y << " want " << std::hex << want << " got " << got;
                    ++bad;
                }
            }
        }
        return bad;
    }

    RECT ClientOnScreen() {
        RECT client;
        GetClientRect(video->window, &client);
        MapWindowPoints(video->window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        return client;
    }

    ErrorBoxWatchdog watchdog;
    PlayerWindow player;
    HWND host = nullptr;
    HINSTANCE instance = nullptr;
    Video* video = nullptr;
    int delayMs = -1;
    int desktopWidth = 0;
    int desktopBits = 0;
};
}  // namespace

TEST_F(VideoPresent, ListsHoldOnlyDeepModesAndTheSaturatedEstimate) {
    Create(kWindowed);
    // The virtual desktop offers 8-, 16- and 32-bit modes; 8 bits never appear.
    for (int list = 0; list < kDisplayModeCount; ++list) {
        ASSERT_GT(video->modeCounts[list], 0) << list;
        for (int i = 0; i < video->modeCounts[list]; ++i) {
            DWORD bits = video->modeRecords[list][i].ddpfPixelFormat.dwRGBBitCount;
            EXPECT_TRUE(bits == 16 || bits == 24 || bits == 32) << bits;
            char name[kModeNameBytes];
            snprintf(name, sizeof name, "%dx%dx%d", static_cast<int>(video->modeRecords[list][i].dwWidth),
                     static_cast<int>(video->modeRecords[list][i].dwHeight), static_cast<int>(bits));
            EXPECT_STREQ(video->modeNames[list][i], name);
        }
    }
    // More memory than an int holds: every list is the whole list.
    EXPECT_EQ(video->memoryLimitBackground, INT_MAX);
    EXPECT_EQ(video->modeCounts[0], video->modeCounts[1]);
    EXPECT_EQ(video->modeCounts[2], video->modeCounts[1]);
}

TEST_F(VideoPresent, WindowedShowsTheWholeFrameInTheClientArea) {
    Create(kWindowed);
    ASSERT_EQ(video->displayMode, kWindowed);
    ASSERT_EQ(video->composeFormat, kCompose32);
    PresentPattern();
    // The stored position is the window's corner; the client area is the
    // frame, and all of it is on the screen one to one, first row and column
    // included.
    RECT rect;
    GetWindowRect(video->window, &rect);
    EXPECT_EQ(rect.left, 50);
    EXPECT_EQ(rect.top, 40);
    RECT client = ClientOnScreen();
    EXPECT_GT(client.top, rect.top);
    ASSERT_EQ(client.right - client.left, video->width);
    ASSERT_EQ(client.bottom - client.top, video->height);
    EXPECT_EQ(Mismatches(client.left, client.top, 0, 0, video->width, video->height, 8, 8, 8), 0);
    EXPECT_EQ(delayMs, 0);
    video->useDelay = 1;
    video->Flip();
    EXPECT_EQ(delayMs, 5);
    // A moved window is followed on the next frame; a minimised one is skipped.
    SetWindowPos(video->window, nullptr, 300, 200, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
    PumpMessages();
    PresentPattern();
    client = ClientOnScreen();
    EXPECT_EQ(Mismatches(client.left, client.top, 0, 0, 300, 200, 8, 8, 8), 0);
    // Partly off the screen: the part on it is drawn.
    SetWindowPos(video->window, nullptr, 700, 500, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
    PumpMessages();
    PresentPattern();
    client = ClientOnScreen();
    EXPECT_EQ(Mismatches(client.left, client.top, 0, 0, 1024 - client.left, 768 - client.top, 8, 8, 8), 0);
    ShowWindow(video->window, SW_MINIMIZE);
    PumpMessages();
    PresentPattern();
}

TEST_F(VideoPresent, WindowedBlitStaysInsideTheVisibleRegion) {
    Create(kWindowed);
    std::vector<uint32_t> before = GrabScreen(0, 0, 50, 40);
    // A window of ours over the top-left corner of the display window.
    HWND cover = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE | SS_BLACKRECT, 50, 40, 100, 100,
                                 nullptr, nullptr, instance, nullptr);
    PumpMessages();
    PresentPattern();
    std::vector<uint32_t> covered = GrabScreen(60, 50, 80, 80);
    // The clipper spared the covering window: it keeps its one colour.
    EXPECT_EQ(std::count(covered.begin(), covered.end(), covered[0]), static_cast<long>(covered.size()));
    EXPECT_EQ(GrabScreen(0, 0, 50, 40), before);  // and everything outside
    // Beside and below the cover the frame is there.
    RECT client = ClientOnScreen();
    EXPECT_EQ(Mismatches(150, client.top, 150 - client.left, 0, 200, 100, 8, 8, 8), 0);
    EXPECT_EQ(Mismatches(client.left, 150, 0, 150 - client.top, 100, 200, 8, 8, 8), 0);
    DestroyWindow(cover);
}

TEST_F(VideoPresent, FullScreen16BitsComposes565) {
    Create(kFullScreen);
    ASSERT_EQ(video->displayMode, kFullScreen);
    EXPECT_EQ(video->width, 640);
    EXPECT_EQ(video->height, 480);
    EXPECT_EQ(video->displayBitDepth, 16);
    EXPECT_EQ(video->greenMask, 0x07E0);
    EXPECT_EQ(video->composeFormat, kCompose565);
    EXPECT_EQ(video->overlayColorKey.dwColorSpaceLowValue, 0x07E0u);
    PresentPattern();
    EXPECT_EQ(Mismatches(0, 0, 0, 0, 640, 480, 5, 6, 5), 0);
    video->useDelay = 1;
    video->Flip();
    EXPECT_EQ(delayMs, 0);
}

TEST_F(VideoPresent, BackgroundCreatesAnOverlayKeyedOnFullGreen) {
    Create(kBackground);
    ASSERT_EQ(video->displayMode, kBackground);
    EXPECT_EQ(video->overlaySurfaceAllocated, 1);
    EXPECT_FALSE(IsWindowVisible(video->window));
    EXPECT_EQ(video->overlayColorKey.dwColorSpaceLowValue, video->greenMask);
    DDCOLORKEY key = {};
    EXPECT_EQ(video->primarySurface->GetColorKey(DDCKEY_DESTOVERLAY, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue, 0xFF00u);  // full green of the 32-bit desktop
    EXPECT_EQ(key.dwColorSpaceHighValue, 0xFF00u);
    EXPECT_EQ(video->wallpaperPending, 1);
    PresentPattern();
    EXPECT_EQ(video->wallpaperPending, 0);
    EXPECT_GE(video->composeFormat, kCompose32);
    EXPECT_LE(video->composeFormat, kComposeYuy2);
}

TEST_F(VideoPresent, ChangeResRebuildsEverythingAndCarriesTheMask) {
    Create(kWindowed);
    video->transformMask = 0;
    video->transform->SetEnabledMask(1234);
    const int modes[] = {kFullScreen, kWindowed, kBackground, kWindowed};
    for (int mode : modes) {
        video->requestedDisplayMode = mode;
        video->ChangeRes();
        PumpMessages();
        EXPECT_EQ(video->displayMode, mode);
        EXPECT_EQ(video->transform->GetEnabledMask(), 1234);
        EXPECT_EQ(liveTransforms, 1);
        EXPECT_EQ(lastInitWidth, video->width);
        PresentPattern();
    }
    // An index beyond the list of the requested mode counts as not chosen.
    video->requestedResolution = 999;
    video->ChangeRes();
    EXPECT_EQ(video->modeRecords[kWindowed][video->resolution].dwHeight, 480u);
    // Windowed puts the window back where it was noted.
    RECT rect;
    GetWindowRect(video->window, &rect);
    EXPECT_EQ(rect.left, 50);
    EXPECT_EQ(rect.top, 40);
}

TEST_F(VideoPresent, ADesktopOfAnotherDepthGetsA32BitComposeSurface) {
    Create(kFullScreen);  // a 16-bit display
    // As if the display were of a depth no conversion writes (8 bits, say).
    video->ReleaseSurfaces();
    video->displayBitDepth = 8;
    video->AllocateSurfaces();
    ASSERT_NE(video->composeSurface, nullptr);
    EXPECT_EQ(video->composeFormat, kCompose32);
    EXPECT_TRUE(video->composeDesc.dwFlags & DDSD_PIXELFORMAT);
    DDSURFACEDESC2 desc;
    memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    ASSERT_EQ(video->composeSurface->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 32u);
    EXPECT_EQ(desc.dwWidth, static_cast<DWORD>(video->width + 1));
    // The blit converts the 32-bit frame to the display's 5-6-5 (Wine rounds
    // where the conversion of compose truncates).
    PresentPattern();
    EXPECT_EQ(Mismatches(0, 0, 0, 0, 640, 480, 5, 6, 5, 1), 0);
}

TEST_F(VideoPresent, FullScreenToAnotherResolutionAndDepth) {
    Create(kFullScreen);
    int target = -1;
    for (int i = 0; i < video->modeCounts[kFullScreen]; ++i) {
        const DDSURFACEDESC2& mode = video->modeRecords[kFullScreen][i];
        if (mode.dwWidth == 800 && mode.dwHeight == 600 && mode.ddpfPixelFormat.dwRGBBitCount == 32) target = i;
    }
    ASSERT_GE(target, 0);
    video->requestedResolution = target;
    video->ChangeRes();
    PumpMessages();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(video->displayBitDepth, 32);
    EXPECT_EQ(video->composeFormat, kCompose32);
    PresentPattern();
    EXPECT_EQ(Mismatches(0, 0, 0, 0, 800, 600, 8, 8, 8), 0);
}

// Wine keeps the surfaces through such a switch (IsLost says DD_OK), so this
// shows only that presentation goes on; a lost surface is restored by Flip.
TEST_F(VideoPresent, AModeSwitchByAnotherProgramDoesNotStopThePresentation) {
    Create(kWindowed);
    PresentPattern();
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = 800;
    mode.dmPelsHeight = 600;
    mode.dmBitsPerPel = 32;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    PumpMessages();
    PresentPattern();
    EXPECT_EQ(video->primarySurface->IsLost(), DD_OK);
    ChangeDisplaySettingsA(nullptr, 0);
    PumpMessages();
    PresentPattern();
    RECT client = ClientOnScreen();
    EXPECT_EQ(Mismatches(client.left, client.top, 0, 0, 300, 300, 8, 8, 8), 0);
}
