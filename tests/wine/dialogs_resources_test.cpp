// The library's dialog templates, logo and readme, read straight from the
// shipped files: every control where the layout puts it, with its class,
// text and style, so the panel and the About box look and behave as designed.
#include "host_test_harness.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

struct Control {
    int id;
    std::string className;
    std::string text;
    DWORD style;
    short x, y, cx, cy;
};

bool operator==(const Control& a, const Control& b) {
    return a.id == b.id && a.className == b.className && a.text == b.text && a.style == b.style && a.x == b.x &&
           a.y == b.y && a.cx == b.cx && a.cy == b.cy;
}

std::ostream& operator<<(std::ostream& out, const Control& c) {
    return out << c.id << " " << c.className << " \"" << c.text << "\" 0x" << std::hex << c.style << std::dec << " "
               << c.x << "," << c.y << "," << c.cx << "," << c.cy;
}

struct Dialog {
    DWORD style = 0;
    short cx = 0, cy = 0;
    std::string caption, font;
    int points = 0;
    std::vector<Control> controls;
};

// Reads the template words in order.
class Reader {
public:
    explicit Reader(const uint8_t* data) : base(data), at(data) {}
    WORD Word() {
        WORD w;
        std::memcpy(&w, at, 2);
        at += 2;
        return w;
    }
    DWORD Dword() {
        DWORD d;
        std::memcpy(&d, at, 4);
        at += 4;
        return d;
    }
    short Short() { return static_cast<short>(Word()); }
    std::string String() {
        std::string s;
        for (WORD c = Word(); c != 0; c = Word()) s += static_cast<char>(c);
        return s;
    }
    // A name or an ordinal; the system classes' ordinals become their names.
    std::string NameOrOrdinal() {
        WORD first;
        std::memcpy(&first, at, 2);
        if (first != 0xFFFF) return String();
        Word();
        const WORD ordinal = Word();
        static const char* const kClasses[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
        if (ordinal >= 0x80 && ordinal <= 0x85) return kClasses[ordinal - 0x80];
        return "#" + std::to_string(ordinal);
    }
    void Align() { at = base + ((at - base + 3) & ~3); }
    void Skip(size_t n) { at += n; }

private:
    const uint8_t* base;
    const uint8_t* at;
};

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}

Dialog ReadDialog(HMODULE library, int id) {
    Dialog d;
    HRSRC found = FindResourceA(library, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (!found) {
        ADD_FAILURE() << "no dialog " << id;
        return d;
    }
    Reader r(static_cast<const uint8_t*>(LockResource(LoadResource(library, found))));
    const bool extended = r.Word() == 1 && r.Word() == 0xFFFF;
    if (extended) {
        r.Dword();  // help id
        r.Dword();  // extended style
        d.style = r.Dword();
    } else {
        r = Reader(static_cast<const uint8_t*>(LockResource(LoadResource(library, found))));
        d.style = r.Dword();
        r.Dword();
    }
    const int count = r.Word();
    r.Short();
    r.Short();
    d.cx = r.Short();
    d.cy = r.Short();
    r.NameOrOrdinal();  // menu
    r.NameOrOrdinal();  // class
    d.caption = r.String();
    if (d.style & DS_SETFONT) {
        d.points = r.Word();
        if (extended) r.Skip(4);  // weight, italic, character set
        d.font = r.String();
    }
    for (int i = 0; i < count; ++i) {
        r.Align();
        Control c;
        if (extended) {
            r.Dword();
            r.Dword();
            c.style = r.Dword();
        } else {
            c.style = r.Dword();
            r.Dword();
        }
        c.x = r.Short();
        c.y = r.Short();
        c.cx = r.Short();
        c.cy = r.Short();
        c.id = extended ? static_cast<int>(r.Dword()) : static_cast<short>(r.Word());
        c.className = Upper(r.NameOrOrdinal());
        c.text = r.NameOrOrdinal();
        r.Skip(r.Word());
        d.controls.push_back(c);
    }
    return d;
}

class Library {
public:
    Library() : module(LoadLibraryExA(VELUNE_RELEASE_DIR "\\vis_velune.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~Library() {
        if (module) FreeLibrary(module);
    }
    HMODULE module;
};

}  // namespace

TEST(DialogResources, ConfigurationPanelTemplate) {
    Library dll;
    ASSERT_TRUE(dll.module);
    const Dialog d = ReadDialog(dll.module, 102);
    EXPECT_EQ(d.style, 0x90C80AC4u);
    EXPECT_EQ(d.cx, 189);
    EXPECT_EQ(d.cy, 258);
    EXPECT_EQ(d.caption, "Velune Configuration Panel");
    EXPECT_EQ(d.font, "MS Sans Serif");
    EXPECT_EQ(d.points, 8);
    const DWORD radio = kChild | BS_AUTORADIOBUTTON | WS_TABSTOP;
    const DWORD leftBox = kChild | BS_AUTOCHECKBOX | BS_LEFTTEXT | WS_GROUP | WS_TABSTOP;
    const DWORD label = kChild | SS_LEFT | WS_GROUP;
    const DWORD groupBox = kChild | BS_GROUPBOX;
    const DWORD push = kChild | BS_PUSHBUTTON | WS_TABSTOP;
    const DWORD name = kChild | SS_SUNKEN | SS_CENTER | SS_CENTERIMAGE;
    const std::vector<Control> expected = {
        {1004, "LISTBOX", "",
         kChild | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_GROUP | WS_TABSTOP, 86, 17,
         90, 44},
        {1061, "BUTTON", "Full Screen", radio | WS_GROUP, 13, 19, 51, 10},
        {1006, "BUTTON", "Windowed", radio, 13, 31, 50, 10},
        {1008, "BUTTON", "Background", radio, 13, 43, 55, 10},
        {1005, "BUTTON", "Show Rendering Info (FPS)", leftBox, 74, 133, 102, 10},
        {-1, "STATIC", "Frames Between Scenes (default: 500):", label, 17, 196, 125, 8},
        {1020, "MSCTLS_TRACKBAR32", "Slider1", kChild | TBS_AUTOTICKS | WS_TABSTOP, 14, 215, 162, 16},
        {-1, "BUTTON", "Other Options", groupBox, 7, 123, 175, 112},
        {-1, "BUTTON", "Display Mode", groupBox, 7, 7, 66, 66},
        {-1, "BUTTON", "Resolution", groupBox, 83, 7, 99, 66},
        {1019, "STATIC", "", kChild | SS_RIGHT | SS_CENTERIMAGE | WS_GROUP, 148, 196, 28, 8},
        {1021, "STATIC", "", kChild | SS_CENTER | SS_CENTERIMAGE, 157, 206, 19, 8},
        {1022, "STATIC", "", kChild | SS_CENTER | SS_CENTERIMAGE | WS_GROUP, 13, 206, 18, 8},
        {1028, "STATIC", "24- or 32-bit modes best", label, 90, 62, 85, 8},
        {1010, "BUTTON", "Minimize Winamp in Full Screen Mode", leftBox, 41, 157, 135, 10},
        {1029, "STATIC", "(supported)", label, 25, 53, 44, 17},
        {1013, "BUTTON", "Slow Down Windowed and Background Mode", leftBox, 13, 169, 163, 10},
        {1038, "STATIC", "(Allows you to do other things)", label, 66, 179, 96, 11},
        {1012, "BUTTON", "Show Song Title at Start", leftBox, 83, 145, 93, 10},
        {1056, "STATIC", "Renderer", name, 13, 86, 111, 13},
        {1009, "BUTTON", "Done", kChild | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 7, 238, 50, 13},
        {1011, "BUTTON", "Exit Plugin", push | WS_GROUP, 132, 238, 50, 13},
        {1026, "BUTTON", "Help and Info", push, 69, 238, 50, 13},
        {1054, "BUTTON", "Scene Options", groupBox, 7, 75, 175, 46},
        {1057, "STATIC", "Transformation", name, 13, 103, 111, 13},
        {1062, "BUTTON", "Next", push | BS_CENTER | BS_VCENTER, 125, 86, 22, 13},
        {1063, "BUTTON", "Next", push | BS_CENTER | BS_VCENTER, 125, 103, 22, 13},
        {1064, "BUTTON", "On", kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 149, 88, 27, 10},
        {1065, "BUTTON", "On", kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 149, 104, 27, 10},
    };
    ASSERT_EQ(d.controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(d.controls[i], expected[i]) << "control " << i;
}

TEST(DialogResources, AboutBoxTemplateAndLogo) {
    Library dll;
    ASSERT_TRUE(dll.module);
    const Dialog d = ReadDialog(dll.module, 110);
    EXPECT_EQ(d.style, 0x90C000C0u);
    EXPECT_FALSE(d.style & WS_SYSMENU) << "the box has no close box";
    EXPECT_EQ(d.cx, 281);
    EXPECT_EQ(d.cy, 271);
    EXPECT_EQ(d.caption, "About Velune");
    EXPECT_EQ(d.font, "MS Sans Serif");
    EXPECT_EQ(d.points, 8);
    const DWORD centred = kChild | SS_CENTER | SS_CENTERIMAGE;
    const std::vector<Control> expected = {
        {1, "BUTTON", "OK", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 108, 250, 65, 14},
        {1021, "EDIT", "",
         kChild | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 7, 127, 267, 117},
        {1022, "STATIC", "Velune", centred, 7, 74, 267, 10},
        {1023, "STATIC", "Version", centred, 7, 87, 267, 10},
        {-1, "STATIC", "#113", kChild | SS_BITMAP | SS_REALSIZEIMAGE, 7, 7, 267, 65},
    };
    ASSERT_EQ(d.controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(d.controls[i], expected[i]) << "control " << i;

    // The logo: 400 x 105, 8 bits with a colour table, uncompressed, and a
    // picture rather than a flat field.
    HRSRC found = FindResourceA(dll.module, MAKEINTRESOURCEA(113), MAKEINTRESOURCEA(2));  // RT_BITMAP
    ASSERT_TRUE(found);
    const auto* bits = static_cast<const uint8_t*>(LockResource(LoadResource(dll.module, found)));
    BITMAPINFOHEADER header;
    std::memcpy(&header, bits, sizeof header);
    EXPECT_EQ(header.biWidth, 400);
    EXPECT_EQ(header.biHeight, 105);
    EXPECT_EQ(header.biBitCount, 8);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    const DWORD colours = header.biClrUsed ? header.biClrUsed : 256;
    ASSERT_EQ(SizeofResource(dll.module, found), header.biSize + 4 * colours + 400 * 105);
    const uint8_t* pixels = bits + header.biSize + 4 * colours;
    std::vector<bool> used(256, false);
    for (int i = 0; i < 400 * 105; ++i) used[pixels[i]] = true;
    EXPECT_GT(std::count(used.begin(), used.end(), true), 64);
    EXPECT_TRUE(FindResourceA(dll.module, MAKEINTRESOURCEA(106), MAKEINTRESOURCEA(14)));  // RT_GROUP_ICON
}

// The readme shipped beside the library: what the About box shows, with CR LF
// line ends and well inside the text area's 19999 bytes.
TEST(DialogResources, ReadmeBesideTheLibrary) {
    const std::string text = host_test::ReadFile(VELUNE_RELEASE_DIR "\\vis_velune.txt");
    EXPECT_GT(text.size(), 3000u);
    EXPECT_LT(text.size(), 15000u);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at byte " << i;
        }
        if (text[i] == '\r') {
            ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at byte " << i;
        }
    }
    EXPECT_EQ(text.find('\0'), std::string::npos);
    for (const char* needed : {"Velune v1.06", "Full Screen", "Windowed", "Background", "Alt+Enter", "F12",
                               "vis_velune.ini", "Exit Plugin", "(Unsupported by hardware)"})
        EXPECT_NE(text.find(needed), std::string::npos) << needed;
}
