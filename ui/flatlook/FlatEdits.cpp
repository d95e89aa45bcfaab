#include "FlatEdits.h"

#include <commctrl.h>

#include "FlatLookManager.h"
#include "GdiOwners.h"

namespace flatlook {

HWND BuddyUpDownOf(HWND edit)
{
    HWND next = GetWindow(edit, GW_HWNDNEXT);
    if (!next)
        return nullptr;
    char name[64] = "";
    GetClassNameA(next, name, sizeof name);
    if (lstrcmpiA(name, "msctls_updown32") != 0)
        return nullptr;
    if (reinterpret_cast<HWND>(SendMessageA(next, UDM_GETBUDDY, 0, 0)) != edit)
        return nullptr;
    return next;
}

LRESULT FlatEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_ENABLE)
        return FlatControl::WindowProc(message, wParam, lParam);
    if (!PassOnAndSurvive(message, wParam, lParam))
        return 0;
    Refresh();
    if (HWND upDown = BuddyUpDownOf(m_hWnd))
        SendMessageA(upDown, WM_PAINT, 0, 0);
    return 0;
}

void FlatEdit::DrawFrame(HDC dc, const RECT& rect)
{
    RECT frame = rect;
    HWND upDown = GetWindow(m_hWnd, GW_HWNDNEXT);
    DWORD align = 0;
    if (upDown) {
        char name[64] = "";
        GetClassNameA(upDown, name, sizeof name);
        if (lstrcmpiA(name, "msctls_updown32") == 0)
            align = static_cast<DWORD>(GetWindowLongA(upDown, GWL_STYLE)) &
                    (UDS_ALIGNRIGHT | UDS_ALIGNLEFT);
        if (align &&
            reinterpret_cast<HWND>(SendMessageA(upDown, UDM_GETBUDDY, 0, 0)) != m_hWnd)
            align = 0;
    }
    if (align) {
        // The edit and its up-down are drawn as one: the edit's frame opens
        // toward the up-down (its far side falls outside the edit's window
        // and is clipped), and the up-down carries the line on.
        RECT box;
        GetWindowRect(upDown, &box);
        int w = box.right - box.left, h = box.bottom - box.top;
        int e = GetSystemMetrics(SM_CXEDGE);
        if (align & UDS_ALIGNRIGHT)
            frame.right += w - e;
        else
            frame.left -= w - e;
        int line = !IsWindowEnabled(m_hWnd) ? COLOR_BTNFACE
                   : Active()               ? COLOR_3DDKSHADOW
                                            : COLOR_BTNHIGHLIGHT;
        // Without a DC for the up-down the line stops at the edit; its own
        // frame is still drawn.
        ClientDC upDownDc(upDown, m_windowDCs);
        if (upDownDc) {
            SolidFill(upDownDc, 1, 1, w - e - 1, 1, GetSysColor(line));
            if (align & UDS_ALIGNLEFT)
                SolidFill(upDownDc, 1, 1, 1, h - e - 1, GetSysColor(line));
        }
    }
    SetStateFlag(StateReadOnly, (GetWindowLongA(m_hWnd, GWL_STYLE) & ES_READONLY) != 0);
    DrawGenericFrame(dc, frame, m_hWnd, m_state);
}

FrameArea FlatComboEdit::GetFrameArea()
{
    return FrameAreaParentGrown(m_hWnd);
}

LRESULT FlatComboBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_SETFOCUS) {
            Refresh();
            return PassOn(message, wParam, lParam);
        }
        break;
    case WM_LBUTTONUP:
        if (lParam == -1) {
            Refresh();
            return PassOn(message, wParam, lParam);
        }
        break;
    }
    return FlatControl::WindowProc(message, wParam, lParam);
}

RECT DropButtonBox(const RECT& frame, int scrollWidth)
{
    RECT box = frame;
    InflateRect(&box, -2, -2);
    box.left = box.right - scrollWidth;
    return box;
}

void DrawDropButton(HDC dc, const RECT& box, bool enabled, bool active)
{
    if (!enabled)
        TwoRingFrame(dc, box, COLOR_BTNFACE, COLOR_BTNFACE, COLOR_BTNFACE, COLOR_BTNFACE);
    else
        DrawScrollBox(dc, box, active);
}

void FlatComboBox::DrawFrame(HDC dc, const RECT& rect)
{
    DrawGenericFrame(dc, rect, m_hWnd, m_state);
    DrawDropButton(dc, DropButtonBox(rect, GetSystemMetrics(SM_CXHSCROLL)),
                   IsWindowEnabled(m_hWnd) != FALSE, Active());
}

void FlatDateTime::DrawFrame(HDC dc, const RECT& rect)
{
    if (GetWindowLongA(m_hWnd, GWL_STYLE) & DTS_UPDOWN)
        DrawGenericFrame(dc, rect, m_hWnd, m_state);
    else
        FlatComboBox::DrawFrame(dc, rect);
}

LRESULT FlatIPAddress::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND &&
        (HIWORD(wParam) == EN_SETFOCUS || HIWORD(wParam) == EN_KILLFOCUS)) {
        Refresh();
        return PassOn(message, wParam, lParam);
    }
    return FlatControl::WindowProc(message, wParam, lParam);
}

void UpDownArrowBoxes(const RECT& r, bool horizontal, RECT* first, RECT* second)
{
    if (horizontal) {
        int half = (r.right - r.left) / 2, odd = (r.right - r.left) % 2;
        SetRect(first, r.left, r.top, r.left + half, r.bottom);
        SetRect(second, r.left + half + odd, r.top, r.right, r.bottom);
    } else {
        int half = (r.bottom - r.top) / 2, odd = (r.bottom - r.top) % 2;
        SetRect(first, r.left, r.top, r.right, r.top + half);
        SetRect(second, r.left, r.top + half + odd, r.right, r.bottom);
    }
}

void FlatUpDown::DrawFrame(HDC dc, const RECT& rect)
{
    RECT r = rect;
    DWORD style = static_cast<DWORD>(GetWindowLongA(m_hWnd, GWL_STYLE));
    HWND buddy = reinterpret_cast<HWND>(SendMessageA(m_hWnd, UDM_GETBUDDY, 0, 0));
    FlatControl* buddyObject = nullptr;
    FlatLookManager* manager = GetFlatLookManager();

    if (buddy && (style & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT))) {
        if (style & UDS_ALIGNLEFT)
            r.left += 2;
        else
            r.right -= 2;
        r.top += 2;
        r.bottom -= 2;
        buddyObject = manager->FindControl(buddy);
        // Continue the buddy edit's idle inner ring around the arrows.
        if (buddyObject && !buddyObject->Active()) {
            bool buddyEnabled = IsWindowEnabled(buddy) != FALSE;
            COLORREF c1 = GetSysColor(buddyEnabled ? COLOR_BTNHIGHLIGHT : COLOR_BTNFACE);
            COLORREF c2 = GetSysColor(buddyEnabled ? COLOR_3DLIGHT : COLOR_BTNFACE);
            SolidFill(dc, r.left, r.top - 1, r.right - r.left + 1, 1, c1);
            SolidFill(dc, r.left, r.bottom, r.right - r.left + 1, 1, c2);
            if (style & UDS_ALIGNLEFT)
                SolidFill(dc, r.left - 1, r.top - 1, 1, r.bottom, c1);
            else
                SolidFill(dc, r.right, r.top - 1, 1, r.bottom, c2);
        }
    }

    bool enabled = IsWindowEnabled(buddy ? buddy : m_hWnd) != FALSE;
    RECT first, second;
    UpDownArrowBoxes(r, (style & UDS_HORZ) != 0, &first, &second);
    DrawScrollBox(dc, first, enabled && Active());
    DrawScrollBox(dc, second, enabled && Active());

    // A hovered or focused up-down shows its buddy edit, or the control it
    // lives in (a date-time picker, a tab control), as hot too.
    FlatControl* target = buddyObject;
    if (!target)
        target = manager->FindControl(GetParent(m_hWnd));
    if (!target || !IsWindowEnabled(target->Window()))
        return;
    target->SetStateFlag(StateHot, Active());
    target->Refresh();
}

}  // namespace flatlook
