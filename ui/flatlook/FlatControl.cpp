#include "FlatControl.h"

#include "Classification.h"
#include "FlatLookManager.h"
#include "GdiOwners.h"

namespace flatlook {

void FlatControl::SetStateFlag(WORD flag, bool on)
{
    if (on)
        m_state |= flag;
    else
        m_state &= static_cast<WORD>(~flag);
}

bool FlatControl::PassOnAndSurvive(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    HWND self = m_hWnd;
    LRESULT answer = PassOn(message, wParam, lParam);
    if (result)
        *result = answer;
    return GetFlatLookManager()->FindControl(self) == this;
}

LRESULT FlatControl::PassOnThenRefresh(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (PassOnAndSurvive(message, wParam, lParam))
        Refresh();
    return 0;
}

LRESULT FlatControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Refresh();
        return PassOn(message, wParam, lParam);
    case WM_ENABLE:
    case WM_PAINT:
    case WM_NCPAINT:
        return PassOnThenRefresh(message, wParam, lParam);
    case WM_NCDESTROY: {
        HWND self = m_hWnd;
        PassOn(message, wParam, lParam);
        GetFlatLookManager()->DetachControl(self);  // deletes this
        return 0;
    }
    default:
        return PassOn(message, wParam, lParam);
    }
}

bool FlatControl::HoverChanged(POINT)
{
    return m_hWnd != GetFlatLookManager()->HotWindow();
}

FrameArea FlatControl::GetFrameArea()
{
    return FrameAreaOwn(m_hWnd);
}

void FlatControl::DrawFrame(HDC dc, const RECT& rect)
{
    DrawGenericFrame(dc, rect, m_hWnd, m_state);
}

bool FlatControl::HasFocus()
{
    return FocusOwn(m_hWnd);
}

void FlatControl::Refresh()
{
    // Drawing a frame may refresh another control that refreshes this one
    // back (an up-down that is its own buddy, or two that are each other's):
    // a refresh already under way is not started again.
    if (m_refreshing)
        return;
    FrameArea area = GetFrameArea();
    WindowDC dc(area.window, m_windowDCs);
    if (!dc)
        return;
    RECT& rect = area.rect;
    m_refreshing = true;

    if (GetWindowLongA(m_hWnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) {
        RECT window;
        GetWindowRect(m_hWnd, &window);
        POINT origin = {0, 0};
        ClientToScreen(m_hWnd, &origin);
        // A client edge of exactly 3 pixels (border plus edge): draw one in.
        if (origin.x == window.left + 3)
            InflateRect(&rect, -1, -1);
    }
    SetStateFlag(StateFocused, HasFocus());
    SetStateFlag(StateSmall, rect.bottom - rect.top < 30);

    bool staysHot = (m_lastDrawn & StateHot) && (m_state & StateHot);
    bool staysFocused = (m_lastDrawn & StateFocused) && (m_state & StateFocused);
    if (!staysHot && !staysFocused)
        DrawFrame(dc, rect);
    m_lastDrawn = m_state;
    m_refreshing = false;
}

bool FocusOwn(HWND window)
{
    return GetFocus() == window;
}

bool FocusInnerEdit(HWND window)
{
    // A date-time picker has DTS_UPDOWN and DTS_SHOWNONE in these two bits:
    // it is tested alike, and its inner edit counts with DTS_SHOWNONE alone.
    if ((GetWindowLongA(window, GWL_STYLE) & ComboTypeMask) == CBS_DROPDOWN) {
        HWND inner = GetTopWindow(window);
        if (inner && inner == GetFocus())
            return true;
    }
    return FocusOwn(window);
}

bool FocusAnyChild(HWND window)
{
    HWND focus = GetFocus();
    for (HWND child = GetTopWindow(window); child; child = GetWindow(child, GW_HWNDNEXT))
        if (child == focus)
            return true;
    return false;
}

FrameArea FrameAreaOwn(HWND window)
{
    FrameArea area = {window, {}};
    GetWindowRect(window, &area.rect);
    OffsetRect(&area.rect, -area.rect.left, -area.rect.top);
    return area;
}

FrameArea FrameAreaParentGrown(HWND window)
{
    FrameArea area = {GetParent(window), {}};
    GetWindowRect(window, &area.rect);
    InflateRect(&area.rect, 3, 3);
    OffsetRect(&area.rect, -area.rect.left, -area.rect.top);
    return area;
}

bool FlatItemControl::ItemHoverChanged(int hitIndex) const
{
    return !(m_hWnd == GetFlatLookManager()->HotWindow() && hitIndex == m_hotItem);
}

}  // namespace flatlook
