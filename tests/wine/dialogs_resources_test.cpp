// The dialog templates, logo and readme read straight from the shipped files:
// every control with its id, class, text, style and place, so both dialogs
// look and behave as designed.
#include "host_test_harness.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

// "style x,y,cx,cy id CLASS text" for the dialog itself and each control.
std::vector<std::string> ReadDialog(HMODULE library, int id) {
    std::vector<std::string> lines;
    HRSRC found = FindResourceA(library, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (!found) return lines;
    const auto* base = static_cast<const uint8_t*>(LockResource(LoadResource(library, found)));
    const uint8_t* at = base;
    auto word = [&] {
        const WORD w = static_cast<WORD>(at[0] | at[1] << 8);
        at += 2;
        return w;
    };
    auto dword = [&] { const DWORD low = word(); return low | static_cast<DWORD>(word()) << 16; };
    auto text = [&] {
        std::string s;
        for (WORD c = word(); c != 0; c = word()) s += static_cast<char>(c);
        return s;
    };
    auto nameOrOrdinal = [&] {
        if (at[0] != 0xFF || at[1] != 0xFF) return text();
        word();
        const WORD n = word();
        static const char* const kClasses[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX"};
        return n >= 0x80 && n <= 0x83 ? std::string(kClasses[n - 0x80]) : "#" + std::to_string(n);
    };
    auto place = [&] {
        std::string s;
        for (int i = 0; i < 4; ++i) s += (i ? "," : "") + std::to_string(static_cast<short>(word()));
        return s;
    };
    const bool extended = base[2] == 0xFF && base[3] == 0xFF;
    if (extended) at += 8;  // version, signature, help id
    DWORD style = extended ? (dword(), dword()) : dword();
    if (!extended) dword();
    const int count = word();
    char head[64];
    std::snprintf(head, sizeof head, "0x%08lX ", static_cast<unsigned long>(style));
    std::string line = head + place();
    nameOrOrdinal();
    nameOrOrdinal();
    line += " \"" + text() + "\"";
    if (style & DS_SETFONT) {
        line += " " + std::to_string(word());
        if (extended) at += 4;
        line += " " + text();
    }
    lines.push_back(line);
    for (int i = 0; i < count; ++i) {
        at = base + ((at - base + 3) & ~3);
        if (extended) at += 8;  // help id, extended style
        style = dword();
        if (!extended) dword();  // extended style
        std::snprintf(head, sizeof head, "0x%08lX ", static_cast<unsigned long>(style));
        line = head + place();
        line += " " + std::to_string(extended ? static_cast<int>(dword()) : static_cast<short>(word()));
        std::string cls = nameOrOrdinal();
        std::transform(cls.begin(), cls.end(), cls.begin(), ::toupper);
        line += " " + cls + " \"" + nameOrOrdinal() + "\"";
        at += word();
        lines.push_back(line);
    }
    return lines;
}

std::string Line(DWORD style, const char* place, int id, const char* cls, const char* text) {
    char out[160];
    std::snprintf(out, sizeof out, "0x%08lX %s %d %s \"%s\"", static_cast<unsigned long>(style), place, id, cls, text);
    return out;
}

}  // namespace

TEST(DialogResources, PanelAboutBoxAndLogo) {
    HMODULE dll = LoadLibraryExA(VELUNE_RELEASE_DIR "\\vis_velune.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(dll);
    const DWORD radio = kChild | BS_AUTORADIOBUTTON | WS_TABSTOP, leftBox = kChild | BS_AUTOCHECKBOX | BS_LEFTTEXT |
        WS_GROUP | WS_TABSTOP, label = kChild | SS_LEFT | WS_GROUP, frame = kChild | BS_GROUPBOX,
        push = kChild | BS_PUSHBUTTON | WS_TABSTOP, name = kChild | SS_SUNKEN | SS_CENTER | SS_CENTERIMAGE,
        centred = kChild | SS_CENTER | SS_CENTERIMAGE, on = kChild | BS_AUTOCHECKBOX | WS_TABSTOP;
    const std::vector<std::string> panel = {
        "0x90C80ACC 0,0,189,258 \"Velune Configuration Panel\" 8 MS Shell Dlg 2",
        Line(kChild | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_GROUP | WS_TABSTOP,
             "86,17,90,44", 1004, "LISTBOX", ""),
        Line(radio | WS_GROUP, "13,19,51,10", 1061, "BUTTON", "Full Screen"),
        Line(radio, "13,31,50,10", 1006, "BUTTON", "Windowed"),
        Line(radio, "13,43,55,10", 1008, "BUTTON", "Background"),
        Line(leftBox, "74,133,102,10", 1005, "BUTTON", "Show Rendering Info (FPS)"),
        Line(label, "17,196,125,8", -1, "STATIC", "Frames Between Scenes (default: 500):"),
        Line(kChild | TBS_AUTOTICKS | WS_TABSTOP, "14,215,162,16", 1020, "MSCTLS_TRACKBAR32", "Slider1"),
        Line(frame, "7,123,175,112", -1, "BUTTON", "Other Options"),
        Line(frame, "7,7,66,66", -1, "BUTTON", "Display Mode"),
        Line(frame, "83,7,99,66", -1, "BUTTON", "Resolution"),
        Line(kChild | SS_RIGHT | SS_CENTERIMAGE | WS_GROUP, "148,196,28,8", 1019, "STATIC", ""),
        Line(centred, "157,206,19,8", 1021, "STATIC", ""),
        Line(centred | WS_GROUP, "13,206,18,8", 1022, "STATIC", ""),
        Line(label, "90,62,85,8", 1028, "STATIC", "24- or 32-bit modes best"),
        Line(leftBox, "41,157,135,10", 1010, "BUTTON", "Minimize Winamp in Full Screen Mode"),
        Line(label, "25,53,44,17", 1029, "STATIC", "(supported)"),
        Line(leftBox, "13,169,163,10", 1013, "BUTTON", "Slow Down Windowed and Background Mode"),
        Line(label, "66,179,96,11", 1038, "STATIC", "(Allows you to do other things)"),
        Line(leftBox, "83,145,93,10", 1012, "BUTTON", "Show Song Title at Start"),
        Line(name, "13,86,111,13", 1056, "STATIC", "Renderer"),
        Line(kChild | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, "7,238,50,13", 1009, "BUTTON", "Done"),
        Line(push | WS_GROUP, "132,238,50,13", 1011, "BUTTON", "Exit Plugin"),
        Line(push, "69,238,50,13", 1026, "BUTTON", "Help and Info"),
        Line(frame, "7,75,175,46", 1054, "BUTTON", "Scene Options"),
        Line(name, "13,103,111,13", 1057, "STATIC", "Transformation"),
        Line(push | BS_CENTER | BS_VCENTER, "125,86,22,13", 1062, "BUTTON", "Next"),
        Line(push | BS_CENTER | BS_VCENTER, "125,103,22,13", 1063, "BUTTON", "Next"),
        Line(on, "149,88,27,10", 1064, "BUTTON", "On"),
        Line(on, "149,104,27,10", 1065, "BUTTON", "On")};
    EXPECT_EQ(ReadDialog(dll, 102), panel);
    const std::vector<std::string> about = {
        "0x90C000C8 0,0,281,271 \"About Velune\" 8 MS Shell Dlg 2",  // no WS_SYSMENU: no close box
        Line(kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, "108,250,65,14", 1, "BUTTON", "OK"),
        Line(kChild | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
             "7,127,267,117", 1021, "EDIT", ""),
        Line(centred, "7,74,267,10", 1022, "STATIC", "Velune"),
        Line(centred, "7,87,267,10", 1023, "STATIC", "Version"),
        Line(kChild | SS_BITMAP | SS_REALSIZEIMAGE, "7,7,267,65", -1, "STATIC", "#113")};
    EXPECT_EQ(ReadDialog(dll, 110), about);

    // The logo: 400 x 105, 8 bits with a colour table, uncompressed, a picture.
    HRSRC logo = FindResourceA(dll, MAKEINTRESOURCEA(113), MAKEINTRESOURCEA(2));  // RT_BITMAP
    ASSERT_TRUE(logo);
    const auto* bits = static_cast<const uint8_t*>(LockResource(LoadResource(dll, logo)));
    BITMAPINFOHEADER header;
    std::memcpy(&header, bits, sizeof header);
    EXPECT_EQ(std::to_string(header.biWidth) + "x" + std::to_string(header.biHeight) + "x" +
                  std::to_string(header.biBitCount) + " " + std::to_string(header.biCompression), "400x105x8 0");
    const DWORD colours = header.biClrUsed ? header.biClrUsed : 256;
    ASSERT_EQ(SizeofResource(dll, logo), header.biSize + 4 * colours + 400 * 105);
    std::vector<uint8_t> used(bits + header.biSize + 4 * colours, bits + SizeofResource(dll, logo));
    std::sort(used.begin(), used.end());
    EXPECT_GT(std::unique(used.begin(), used.end()) - used.begin(), 64);
    FreeLibrary(dll);
}

// The readme beside the library: CR LF line ends, well inside the text area;
// it names both players and both places of the settings.
TEST(DialogResources, ReadmeBesideTheLibrary) {
    const std::string text = host_test::ReadFile(VELUNE_RELEASE_DIR "\\vis_velune.txt");
    EXPECT_GT(text.size(), 3000u);
    EXPECT_LT(text.size(), 15000u);
    size_t bare = 0;
    for (size_t i = 0; i < text.size(); ++i)
        bare += (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) || (text[i] == '\r' && text[i + 1] != '\n');
    EXPECT_EQ(bare, 0u);
    for (const char* needed : {"Velune v1.06", "Background", "Alt+Enter", "F12", "vis_velune.ini", "Exit Plugin",
                               "(Unsupported by hardware)", "%APPDATA%\\Velune", "WACUP"})
        EXPECT_NE(text.find(needed), std::string::npos) << needed;
}
