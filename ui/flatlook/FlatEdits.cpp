#include "FlatEdits.h"

#include <commctrl.h>

#include "FlatLookManager.h"

namespace flatlook {

HWND BuddyUpDownOf(HWND edit)
{
    HWND next = GetWindow(edit, GW_HWNDNEXT);
    if (!next)
        return nullptr;
    char name[64];
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
    PassOn(message, wParam, lParam);
    Refresh();
    if (HWND upDown = BuddyUpDownOf(m_hWnd))
        SendMessageA(upDown, WM_PAINT, 0, 0);
    return 0;
}

void FlatEdit::DrawFrame(HDC dc, const RECT& rect)
{
    FlatControl::DrawFrame(dc, rect);
}

void FlatComboEdit::GetFrameArea(HDC* dc, RECT* rect)
{
    FrameAreaParentGrown(m_hWnd, dc, rect);
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

void FlatComboBox::DrawFrame(HDC dc, const RECT& rect)
{
    FlatControl::DrawFrame(dc, rect);
}

void FlatDateTime::DrawFrame(HDC dc, const RECT& rect)
{
    FlatControl::DrawFrame(dc, rect);
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

void FlatUpDown::DrawFrame(HDC dc, const RECT& rect)
{
    FlatControl::DrawFrame(dc, rect);
}

}  // namespace flatlook
