#include "host/player_query.h"

#include "host/plugin_entry.h"

namespace {
constexpr UINT kAnswerLimitMs = 100;
}  // namespace

LRESULT AskPlayer(HWND player, WPARAM wParam, LPARAM code, bool unicode, LRESULT none) {
    AsCaller asCaller;
    DWORD_PTR answer = 0;
    const UINT flags = SMTO_NORMAL | SMTO_ABORTIFHUNG;
    const LRESULT sent = unicode ? SendMessageTimeoutW(player, WM_USER, wParam, code, flags, kAnswerLimitMs, &answer)
                                 : SendMessageTimeoutA(player, WM_USER, wParam, code, flags, kAnswerLimitMs, &answer);
    return sent != 0 ? static_cast<LRESULT>(answer) : none;
}
