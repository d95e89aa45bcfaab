#include "SubclassedWindow.h"

#include "FlatLookManager.h"

namespace flatlook {

void SubclassedWindow::Subclass(HWND window, WNDPROC procedure)
{
    m_hWnd = window;
    m_previous = reinterpret_cast<WNDPROC>(GetWindowLongA(window, GWL_WNDPROC));
    SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG>(procedure));
}

void SubclassedWindow::Unsubclass()
{
    SetWindowLongA(m_hWnd, GWL_WNDPROC, reinterpret_cast<LONG>(m_previous));
}

LRESULT SubclassedWindow::PassOn(UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcA(m_previous, m_hWnd, message, wParam, lParam);
}

LRESULT FlatDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCDESTROY: {
        HWND self = m_hWnd;
        PassOn(message, wParam, lParam);
        GetFlatLookManager()->DetachDialog(self);  // deletes this
        return 0;
    }
    case WM_PARENTNOTIFY:
        if (LOWORD(wParam) == WM_CREATE)
            GetFlatLookManager()->AttachControl(reinterpret_cast<HWND>(lParam));
        return PassOn(message, wParam, lParam);
    default:
        return PassOn(message, wParam, lParam);
    }
}

}  // namespace flatlook
