#include "FlatScrollBar.h"

namespace flatlook {

LRESULT FlatScrollBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case SBM_SETPOS:
        // Only a redrawn move to a non-zero position refreshes the thumb.
        if (lParam != 0 && wParam != 0)
            return PassOnThenRefresh(message, wParam, lParam);
        return PassOn(message, wParam, lParam);
    case SBM_SETRANGEREDRAW:
        return PassOnThenRefresh(message, wParam, lParam);
    case SBM_SETSCROLLINFO:
        if (wParam != 0)
            return PassOnThenRefresh(message, wParam, lParam);
        return PassOn(message, 0, lParam);
    default:
        return FlatControl::WindowProc(message, wParam, lParam);
    }
}

void FlatScrollBar::DrawFrame(HDC dc, const RECT& rect)
{
    bool vertical = (GetWindowLongA(m_hWnd, GWL_STYLE) & SBS_VERT) != 0;
    DrawScrollBarFlat(dc, rect, vertical, true, m_hWnd, Active());
}

}  // namespace flatlook
