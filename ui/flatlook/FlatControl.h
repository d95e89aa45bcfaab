// The object attached to one subclassed control: its state flags, Refresh,
// and the base window procedure every kind falls back on.
#pragma once

#include <windows.h>

#include "FlatPaint.h"
#include "GdiOwners.h"
#include "SubclassedWindow.h"

namespace flatlook {

// Where a frame is drawn: the window whose window DC Refresh takes for the
// drawing (the control's own or its parent's), and the frame rectangle in
// that DC's coordinates.
struct FrameArea {
    HWND window;
    RECT rect;
};

// The generic kind (list boxes, list views, tree views, ...) and the base of
// every other kind. The five virtual operations keep this slot order:
// WindowProc, HoverChanged, GetFrameArea, DrawFrame, HasFocus.
class FlatControl : public SubclassedWindow {
public:
    FlatControl() = default;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // True when the hover tick must (re)mark this control hot for a cursor at
    // `screenPoint`.
    virtual bool HoverChanged(POINT screenPoint);
    virtual FrameArea GetFrameArea();
    virtual void DrawFrame(HDC dc, const RECT& rect);
    virtual bool HasFocus();
    virtual ~FlatControl() = default;

    // Recomputes the state flags and redraws the frame unless the control
    // stays hot or stays focused. Does nothing while called from within a
    // Refresh of the same object.
    void Refresh();

    // Where the painters take their window DCs (the system by default).
    void SetWindowDCSource(WindowDCSource source) { m_windowDCs = source; }

    WORD State() const { return m_state; }
    WORD LastDrawnState() const { return m_lastDrawn; }
    void SetStateFlag(WORD flag, bool on);
    bool Active() const { return IsActive(m_state); }

protected:
    // Pass on, Refresh, and answer 0.
    LRESULT PassOnThenRefresh(UINT message, WPARAM wParam, LPARAM lParam);
    // Pass on and tell whether this object is still attached afterwards: the
    // previous procedure may have destroyed the window, and this object with
    // it.
    bool PassOnAndSurvive(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr);

    WORD m_state = 0;
    WORD m_lastDrawn = 0;
    WindowDCSource m_windowDCs = SystemWindowDC;

private:
    bool m_refreshing = false;  // a Refresh of this object is under way
};

// Variants of the virtual operations that several kinds share.
bool FocusOwn(HWND window);
bool FocusInnerEdit(HWND window);
bool FocusAnyChild(HWND window);
FrameArea FrameAreaOwn(HWND window);
FrameArea FrameAreaParentGrown(HWND window);

// Kinds that track the item under the cursor (headers, toolbars, tabs).
class FlatItemControl : public FlatControl {
public:
    int HotItem() const { return m_hotItem; }

protected:
    // False only when this window is already the hot window and the item
    // under the cursor is the stored hot item.
    bool ItemHoverChanged(int hitIndex) const;

    int m_hotItem = -1;
};

}  // namespace flatlook
