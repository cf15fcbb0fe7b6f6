#include "player_window.h"

#include "host/x87_precision.h"
#include "player_exit.h"
#include "plugin_calls.h"

namespace {

const char kClassName[] = "VeluneHostPlayer";

PlayerState* StateOf(HWND window) { return reinterpret_cast<PlayerState*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

LRESULT AnswerQuery(PlayerState& state, WPARAM wParam, LPARAM lParam) {
    const int frame = state.frame;
    std::lock_guard<std::recursive_mutex> hold(state.playlistLock);
    // The plug-in calls out to the player at the player's own precision.
    const uint16_t word = x87::ControlWord();
    if (word != PlayerPrecisionWord(state.fpuBits)) state.log.Line(frame, "fpu in query 0x%04x", word);
    switch (lParam) {
    case kQueryPosition: {
        const int position = state.playlist.PositionMs();
        state.log.Line(frame, "query 105 result %d", position);
        return position;
    }
    case kQueryPlaylistIndex:
        state.log.Line(frame, "query 125 result %d", state.playlist.Index());
        return state.playlist.Index();
    case kQueryTitle: {
        const int entry = static_cast<int>(wParam);
        const char* title = state.nullTitle ? nullptr : state.playlist.Title(entry);
        state.log.Line(frame, "query 212 wparam %d result \"%s\"", entry, title ? title : "(null)");
        return reinterpret_cast<LRESULT>(title);
    }
    case kQueryUnicodeTitle: {
        if (state.ansiTitles) break;
        const int entry = static_cast<int>(wParam);
        const wchar_t* title = state.nullTitle ? nullptr : state.playlist.UnicodeTitle(entry);
        char text[1024] = "(null)";
        if (title) {
            const int n = WideCharToMultiByte(CP_UTF8, 0, title, -1, text, sizeof text, nullptr, nullptr);
            if (n == 0) text[0] = '\0';
        }
        state.log.Line(frame, "query 213 wparam %d result \"%s\"", entry, text);
        return reinterpret_cast<LRESULT>(title);
    }
    default:
        break;
    }
    state.log.Line(frame, "query %ld wparam %u unanswered", static_cast<long>(lParam), static_cast<unsigned>(wParam));
    return 0;
}

// Winamp's transport keys: Z previous, X play (from the start), B next.
void PlayerKey(HWND window, PlayerState& state, WPARAM key) {
    std::lock_guard<std::recursive_mutex> hold(state.playlistLock);
    switch (key) {
    case 'B':
        state.playlist.Next();
        NoteTrackStart(window, state, "next");
        break;
    case 'Z':
        state.playlist.Previous();
        NoteTrackStart(window, state, "previous");
        break;
    case 'X':
        state.playlist.Restart();
        NoteTrackStart(window, state, "restart");
        break;
    default:
        break;
    }
}

LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PlayerState* state = StateOf(window);
    switch (message) {
    case WM_USER:
        return state ? AnswerQuery(*state, wParam, lParam) : 0;
    case kPlayerExit:
        if (state) PlayerExit(window, *state);
        return 0;
    case kRunConfig:
        if (state && state->module) CallConfig(*state, "main thread");
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // Keys reach this window only when the plug-in forwards them; they are
        // never handed to DefWindowProc, so F10 or Alt never enter menu mode.
        if (state) {
            state->log.Line(state->frame, "key message %u wparam %u lparam 0x%08lx", message,
                            static_cast<unsigned>(wParam), static_cast<unsigned long>(lParam));
            PlayerKey(window, *state, wParam);
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (state && !state->playlist.Empty()) {
            char line[300];
            const int n = wsprintfA(line, "%d. %s", state->playlist.Index() + 1,
                                    state->playlist.Title(state->playlist.Index()));
            TextOutA(dc, 8, 8, line, n);
        }
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

HWND CreatePlayerWindow(HINSTANCE instance, PlayerState* state) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlayerWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc)) return nullptr;
    // Small and in the lower right corner, out of the way of the display
    // window and of captures of it.
    const int w = 300, h = 90;
    const int x = GetSystemMetrics(SM_CXSCREEN) - w, y = GetSystemMetrics(SM_CYSCREEN) - h;
    HWND window = CreateWindowExA(0, kClassName, "Velune Host", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, x, y, w, h,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) return nullptr;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

void NoteTrackStart(HWND window, PlayerState& state, const char* why) {
    std::lock_guard<std::recursive_mutex> hold(state.playlistLock);
    state.log.Line(state.frame, "track %d \"%s\" %s", state.playlist.Index(),
                   state.playlist.Title(state.playlist.Index()), why);
    InvalidateRect(window, nullptr, TRUE);
}
