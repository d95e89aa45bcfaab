#include "SubclassedWindow.h"

#include "FlatLookManager.h"
#include "SubclassChain.h"

namespace flatlook {

void SubclassedWindow::Subclass(HWND window, SubclassChain& chain)
{
    m_hWnd = window;
    m_chain = &chain;
    m_previous = chain.Install(window);
}

void SubclassedWindow::Unsubclass()
{
    if (m_chain)
        m_chain->Remove(m_hWnd, m_previous);
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
