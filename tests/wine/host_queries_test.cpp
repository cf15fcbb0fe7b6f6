// What the plug-in asks of the player, as the stand-in player logged it: the
// play position every 30 frames, the playlist index and title when the
// position goes back, and the pause it asks for after each frame.
#include "host_test_harness.h"

using host_test::Capture;
using host_test::PlayerRun;
using host_test::Sandbox;

namespace {

// Silent songs over a quiet picture, so the corner where the transient
// message goes stays dark. X restarts the song at frame 40 and B
// starts the next one at frame 142; captures bracket the title that follows.
const char kSongArguments[] = "--silent-songs 3 --frames 160 --key 40:X --key 142:B --capture 146 --capture 155";
const std::string kSongSettings = std::string("Display_Mode=1\r\nFrames_Per_Scene=-1\r\n") + host_test::kQuietPicture;

// The title is asked in Unicode (213); only a player that leaves that
// unanswered is asked again in its code page (212).
void ExpectQueriesOfASongChange(const PlayerRun& run, const std::string& title = "query 213") {
    EXPECT_EQ(run.FramesOf("query 105"), (std::vector<int>{1, 31, 61, 91, 121, 151}));
    EXPECT_EQ(run.FramesOf("query 125"), (std::vector<int>{1, 61, 151}));
    EXPECT_EQ(run.FramesOf("query 213"), (std::vector<int>{1, 61, 151}));
    EXPECT_EQ(run.FramesOf("query 212"), title == "query 212" ? (std::vector<int>{1, 61, 151}) : std::vector<int>{});
    // Each title is asked for with the index just answered, after the position.
    std::vector<std::string> order;
    for (const host_test::LogLine& line : run.log)
        if (line.frame == 151 && line.what.compare(0, 6, "query ") == 0) order.push_back(line.what);
    ASSERT_EQ(order.size(), title == "query 212" ? 4u : 3u);
    EXPECT_EQ(order[0].compare(0, 9, "query 105"), 0);
    EXPECT_EQ(order[1], "query 125 result 1");
    EXPECT_EQ(order.back(), title + " wparam 1 result \"Velune Silent Song 2\"");
    EXPECT_EQ(run.TextsOf(title).front(), title + " wparam 0 result \"Velune Silent Song 1\"");
}

// Where the white text of the message lies in a Full Screen 640x480 frame:
// rows 450..479, columns 0..399.
constexpr int kTextLeft = 0, kTextTop = 450, kTextWidth = 400, kTextHeight = 30;

std::vector<bool> WhiteMask(const Capture& capture) {
    std::vector<bool> mask;
    for (int y = kTextTop; y < kTextTop + kTextHeight; ++y)
        for (int x = kTextLeft; x < kTextLeft + kTextWidth; ++x) {
            const uint32_t p = capture.pixels[static_cast<size_t>(y) * capture.width + x];
            mask.push_back((p >> 16 & 255) > 160 && (p >> 8 & 255) > 160 && (p & 255) > 160);
        }
    return mask;
}

int CALLBACK NoteFace(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// The face the message is drawn with: Segoe UI where installed, else Tahoma.
const char* MessageFace() {
    LOGFONTA wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpyA(wanted.lfFaceName, "Segoe UI");
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExA(screen, &wanted, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found ? "Segoe UI" : "Tahoma";
}

// The text as GDI draws it here: white on black where the message goes, in
// the message's font for a 640x480 frame at 96 DPI.
std::vector<bool> GdiMask(const wchar_t* text, const char* face = MessageFace()) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 640;
    info.bmiHeader.biHeight = -480;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ keptBitmap = SelectObject(dc, bitmap);
    HFONT font = CreateFontA(-12, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, VARIABLE_PITCH, face);
    HGDIOBJ keptFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutW(dc, 30, 456, text, lstrlenW(text));
    GdiFlush();
    Capture drawn;
    drawn.width = 640;
    drawn.height = 480;
    drawn.pixels.assign(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + 640 * 480);
    SelectObject(dc, keptFont);
    SelectObject(dc, keptBitmap);
    DeleteObject(font);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return WhiteMask(drawn);
}

// Pixels set in one mask and not the other; `set` counts those of `expected`.
int Differences(const std::vector<bool>& expected, const std::vector<bool>& seen, int* set) {
    int differ = 0;
    *set = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        differ += expected[i] != seen[i];
        *set += expected[i];
    }
    return differ;
}

}  // namespace

// Titles in any language, asked in Unicode and drawn as GDI draws them: an
// accented Latin title and a Chinese-Japanese one, over a quiet Full Screen
// picture. A player that only answers in its code page still gets the Latin
// title right.
TEST(HostQueries, TitlesInAnyLanguageLookAsGdiDrawsThem) {
    const wchar_t latin[] = L"Bj\u00f6rk \u2013 J\u00f3ga";
    const wchar_t cjk[] = L"\u65e5\u672c\u8a9e\u306e\u6b4c \u4e2d\u6587\u6b4c\u66f2";
    // Without glyphs for it, any CJK text would be the same row of boxes.
    int set = 0;
    ASSERT_GT(Differences(GdiMask(cjk), GdiMask(L"\u6587\u66f2\u672c\u65e5\u306e \u8a9e\u4e2d\u6587\u6b4c"), &set), 40)
        << "no CJK font reaches GDI";
    for (const char* player : {"", "--ansi-titles "}) {
        Sandbox box("titles");
        box.WriteIni(std::string("Frames_Per_Scene=-1\r\n") + host_test::kQuietPicture);
        const bool unicode = *player == '\0';
        const PlayerRun run = box.Run(std::string(player) +
                                      "--silent-songs 2 --title \"Bj\\u00f6rk \\u2013 J\\u00f3ga\" --title "
                                      "\"\\u65e5\\u672c\\u8a9e\\u306e\\u6b4c \\u4e2d\\u6587\\u6b4c\\u66f2\" "
                                      "--key 40:B --capture-screen --capture 28 --capture 70 --frames 70");
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.TextsOf("query 21").front(), unicode ? "query 213 wparam 0 result \"Bj\xc3\xb6rk \xe2\x80\x93 J\xc3\xb3ga\""
                                                           : "query 213 wparam 0 unanswered");
        const std::vector<bool> seenLatin = WhiteMask(box.CaptureAt(28));
        EXPECT_LT(Differences(GdiMask(latin), seenLatin, &set), set / 10 + 4) << player;
        EXPECT_GT(set, 60);
        if (unicode) {
            const std::vector<bool> seenCjk = WhiteMask(box.CaptureAt(70));
            EXPECT_LT(Differences(GdiMask(cjk), seenCjk, &set), set / 10 + 4);
            EXPECT_GT(set, 100);
        }
    }
}

// The position is polled on frames 1, 31, 61, ...; a restart (the player's X)
// and the next song (its B, forwarded by the display window) each make the
// position go back, and the next poll asks for the index and then the title,
// which appears as a transient message.
TEST(HostQueries, PollsThePositionAndShowsTheTitleOfANewSong) {
    Sandbox box("title-on");
    box.WriteIni(kSongSettings);
    const PlayerRun run = box.Run(kSongArguments);
    ASSERT_TRUE(run.finished);
    ExpectQueriesOfASongChange(run);
    EXPECT_EQ(run.FramesOf("track 1"), std::vector<int>{142});

    const Capture before = box.CaptureAt(146), after = box.CaptureAt(155);
    EXPECT_LT(before.MessagePixels(), 10) << "the restart's title should be gone by frame 146";
    EXPECT_GT(after.MessagePixels(), 50) << "the new song's title should show from frame 151";
}

// With Show_Song_Title 0 the plug-in still asks for the title but shows
// nothing. This player knows no Unicode titles.
TEST(HostQueries, TitleStaysHiddenWhenSwitchedOff) {
    Sandbox box("title-off");
    box.WriteIni(kSongSettings + "Show_Song_Title=0\r\n");
    const PlayerRun run = box.Run(std::string(kSongArguments) + " --ansi-titles");
    ASSERT_TRUE(run.finished);
    ExpectQueriesOfASongChange(run, "query 212");
    EXPECT_LT(box.CaptureAt(146).MessagePixels(), 10);
    EXPECT_LT(box.CaptureAt(155).MessagePixels(), 10);
}

// Without the frame-rate cap delayMs follows the display mode as it always
// did: 5 in Windowed mode with Use_Delay, 0 in Full Screen whatever Use_Delay
// says. F1, F2 and Alt+Enter switch modes; the
// last mode is saved, and the window comes back to its Windowed place, which
// the trips through Full Screen leave stored. The player here answers the
// title query with a null address, which the plug-in must survive. Once with
// the plug-in on the player's thread, once on a thread of its own.
TEST(HostQueries, DelayFollowsTheDisplayModeKeys) {
    for (const char* thread : {"", "--plugin-thread "}) {
        Sandbox box("delay");
        box.WriteIni("Display_Mode=1\r\nUse_Delay=1\r\nWindow_Pos_X=50\r\nWindow_Pos_Y=60\r\nMax_Frame_Rate=0\r\n");
        const PlayerRun run = box.Run(std::string(thread) +
                                      "--null-title --frames 25 --key 5:F1 --key 10:alt+enter --key 15:alt+enter --key 20:F2");
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u);
        const std::vector<int> delays = run.Delays();
        ASSERT_EQ(delays.size(), 26u);
        for (int frame = 1; frame <= 25; ++frame) {
            const bool windowed = frame < 5 || (frame >= 10 && frame < 15) || frame >= 20;
            EXPECT_EQ(delays[frame], windowed ? 5 : 0) << thread << "frame " << frame;
        }
        EXPECT_EQ(box.Ini("Display_Mode"), 1);
        EXPECT_EQ(box.Ini("Window_Pos_X"), 50);
        EXPECT_EQ(box.Ini("Window_Pos_Y"), 60);
        const std::vector<std::string> places = run.TextsOf("window ");
        ASSERT_GE(places.size(), 3u);
        EXPECT_EQ(places.front().compare(0, 13, "window 50 60 "), 0) << places.front();
        EXPECT_EQ(places.back().compare(0, 13, "window 50 60 "), 0) << places.back();
        EXPECT_EQ(run.TextsOf("query 213").front(), "query 213 wparam 0 result \"(null)\"");
        EXPECT_EQ(run.TextsOf("query 212").front(), "query 212 wparam 0 result \"(null)\"");
        EXPECT_EQ(run.TextsOf("cursor count "), std::vector<std::string>{"cursor count 0"});
    }
}

// On a Western Windows, as in this prefix, Arial has no link to a CJK font:
// a CJK title drawn with it is a row of boxes, the same for any title of as
// many characters. Two CJK titles of equal length drawn by the plug-in differ
// glyph by glyph. (Wine has no Segoe UI, so this shows its Tahoma fallback.)
TEST(HostQueries, CjkTitleDrawsGlyphsWhereArialHasNoLink) {
    const wchar_t first[] = L"\u65e5\u672c\u8a9e\u306e\u6b4c \u4e2d\u6587\u6b4c\u66f2";
    const wchar_t second[] = L"\u6587\u66f2\u672c\u65e5\u306e \u8a9e\u4e2d\u6587\u6b4c";
    int set = 0;
    ASSERT_EQ(Differences(GdiMask(first, "Arial"), GdiMask(second, "Arial"), &set), 0)
        << "Arial is linked to a CJK font here, which hides boxes";
    Sandbox box("titles-unlinked");
    box.WriteIni(std::string("Frames_Per_Scene=-1\r\n") + host_test::kQuietPicture);
    const PlayerRun run = box.Run(
        "--silent-songs 2 --title \"\\u65e5\\u672c\\u8a9e\\u306e\\u6b4c \\u4e2d\\u6587\\u6b4c\\u66f2\" --title "
        "\"\\u6587\\u66f2\\u672c\\u65e5\\u306e \\u8a9e\\u4e2d\\u6587\\u6b4c\" --key 40:B --capture-screen --capture 28 "
        "--capture 70 --frames 70");
    ASSERT_TRUE(run.finished);
    const int differ = Differences(WhiteMask(box.CaptureAt(28)), WhiteMask(box.CaptureAt(70)), &set);
    EXPECT_GT(set, 100) << "no title drawn";
    EXPECT_GT(differ, 60) << "the two titles look alike: boxes, not glyphs";
}
