// The size of the display window in Windowed mode.
#include "host/dpi_awareness.h"
#include "video/video.h"

SIZE Video::WindowedSize() const {
    const UINT scale = dpi::ForWindow(window);
    RECT rect = {0, 0, MulDiv(width, static_cast<int>(scale), dpi::kDefault),
                 MulDiv(height, static_cast<int>(scale), dpi::kDefault)};
    const DWORD style = window != nullptr ? static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) : WS_OVERLAPPED;
    const DWORD exStyle = window != nullptr ? static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)) : 0;
    dpi::AdjustForDpi(&rect, style & ~WS_VISIBLE, exStyle, scale);
    return {rect.right - rect.left, rect.bottom - rect.top};
}
