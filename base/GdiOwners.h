// Scoped owners of GDI resources: each takes one thing in its constructor
// and gives it back in its destructor, so a device context, a selection or
// a pen never outlives the scope that took it, early returns included.
//
// Declare an object to select before the selection that uses it: the
// selection is undone first, and GDI must not delete an object while a DC
// still has it selected.
#pragma once

#include <windows.h>

// Where ClientDC and WindowDC take their device contexts: GetWindowDC when
// `wholeWindow`, else GetDC. Either may answer NULL (Windows 95/98 hand out
// window DCs from a small cache of common DCs), and a painter that gets none
// paints nothing. Whoever paints can be given another source, so that a test
// can see that happen.
using WindowDCSource = HDC (*)(HWND window, bool wholeWindow);
inline HDC SystemWindowDC(HWND window, bool wholeWindow)
{
    return wholeWindow ? ::GetWindowDC(window) : ::GetDC(window);
}

// A device context taken from a window and released to that same window;
// null when the system had none to give.
class WindowDCBase {
public:
    ~WindowDCBase()
    {
        if (m_dc)
            ::ReleaseDC(m_window, m_dc);
    }
    WindowDCBase(const WindowDCBase&) = delete;
    WindowDCBase& operator=(const WindowDCBase&) = delete;

    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }
    HWND Window() const { return m_window; }

protected:
    WindowDCBase(HWND window, HDC dc) : m_window(window), m_dc(dc) {}

private:
    HWND m_window;
    HDC m_dc;
};

// The client area's DC (GetDC).
class ClientDC : public WindowDCBase {
public:
    explicit ClientDC(HWND window, WindowDCSource source = SystemWindowDC)
        : WindowDCBase(window, source(window, false)) {}
};

// The whole window's DC, frame and scroll bars included (GetWindowDC).
class WindowDC : public WindowDCBase {
public:
    explicit WindowDC(HWND window, WindowDCSource source = SystemWindowDC)
        : WindowDCBase(window, source(window, true)) {}
};

// Selects GDI objects of one type into a DC for one scope; the object the
// first selection replaced comes back at the end, however many were
// selected in between. A null object selects nothing.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : m_dc(dc) { Select(object); }
    ~SelectedObject()
    {
        if (m_original)
            ::SelectObject(m_dc, m_original);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

    void Select(HGDIOBJ object)
    {
        if (!object)
            return;
        HGDIOBJ previous = ::SelectObject(m_dc, object);
        if (!m_original && previous != HGDI_ERROR)
            m_original = previous;
    }

private:
    HDC m_dc;
    HGDIOBJ m_original = nullptr;
};

// A pen, font or brush this code made, deleted with its owner.
template <typename Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : m_handle(handle) {}
    ~GdiObject() { Reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle Get() const { return m_handle; }
    operator Handle() const { return m_handle; }

    // Deletes the object held (if any) and holds `handle` instead.
    void Reset(Handle handle = nullptr)
    {
        if (m_handle)
            ::DeleteObject(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle = nullptr;
};

using OwnedPen = GdiObject<HPEN>;
using OwnedFont = GdiObject<HFONT>;
using OwnedBrush = GdiObject<HBRUSH>;
