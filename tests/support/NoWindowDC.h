// While a NoWindowDC lives, ClientDC and WindowDC (base/GdiOwners.h) get no
// device context for the window given (for every window when none is
// given), as Windows 95/98 answer once their small cache of common DCs is
// used up. Other windows get theirs from the system as usual.
#pragma once

#include <windows.h>

#include "GdiOwners.h"

namespace testsupport {

class NoWindowDC {
public:
    explicit NoWindowDC(HWND window = nullptr) : m_previous(g_windowDCSource)
    {
        s_window = window;
        s_refused = 0;
        g_windowDCSource = Source;
    }
    ~NoWindowDC() { g_windowDCSource = m_previous; }
    NoWindowDC(const NoWindowDC&) = delete;
    NoWindowDC& operator=(const NoWindowDC&) = delete;

    // How many DCs were asked for and refused.
    int Refused() const { return s_refused; }

private:
    static HDC Source(HWND window, bool wholeWindow)
    {
        if (s_window && window != s_window)
            return SystemWindowDC(window, wholeWindow);
        ++s_refused;
        return nullptr;
    }

    WindowDCSource m_previous;
    static inline HWND s_window = nullptr;
    static inline int s_refused = 0;
};

}  // namespace testsupport
