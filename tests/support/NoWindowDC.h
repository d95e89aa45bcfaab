// A source of window DCs (base/GdiOwners.h) that gives none for the window
// given (for every window when none is given), as Windows 95/98 answer once
// their small cache of common DCs is used up; other windows get theirs from
// the system. Hand Source() to whoever paints.
#pragma once

#include <windows.h>

#include "GdiOwners.h"

namespace testsupport {

class NoWindowDC {
public:
    explicit NoWindowDC(HWND window = nullptr)
    {
        s_window = window;
        s_refused = 0;
    }
    NoWindowDC(const NoWindowDC&) = delete;
    NoWindowDC& operator=(const NoWindowDC&) = delete;

    WindowDCSource Source() const { return &Refuse; }
    // How many DCs were asked for and refused.
    int Refused() const { return s_refused; }

private:
    static HDC Refuse(HWND window, bool wholeWindow)
    {
        if (s_window && window != s_window)
            return SystemWindowDC(window, wholeWindow);
        ++s_refused;
        return nullptr;
    }

    static inline HWND s_window = nullptr;
    static inline int s_refused = 0;
};

}  // namespace testsupport
