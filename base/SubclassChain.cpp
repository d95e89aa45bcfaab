#include "SubclassChain.h"

bool SubclassChain::OnTop(HWND window) const
{
    return reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(window, GWLP_WNDPROC)) == m_procedure;
}

WNDPROC SubclassChain::Install(HWND window)
{
    auto kept = m_forwarders.find(window);
    if (kept != m_forwarders.end()) {
        WNDPROC previous = kept->second;
        m_forwarders.erase(kept);
        return previous;
    }
    return reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(
        window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_procedure)));
}

void SubclassChain::Remove(HWND window, WNDPROC previous)
{
    if (!previous || !::IsWindow(window))
        return;
    if (OnTop(window)) {
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        return;
    }
    try {
        m_forwarders[window] = previous;
    } catch (...) {
        // No memory for the entry: the window's messages then end in
        // DefWindowProc, but nothing unwinds into a window procedure.
    }
}

LRESULT SubclassChain::Forward(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto kept = m_forwarders.find(window);
    LRESULT result = kept != m_forwarders.end()
                         ? ::CallWindowProcA(kept->second, window, message, wParam, lParam)
                         : ::DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY)
        Forget(window);
    return result;
}
