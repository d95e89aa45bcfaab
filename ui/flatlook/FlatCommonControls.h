// Trackbars, header controls, toolbars and tab controls: kinds that draw
// parts inside the control (channel, thumb, items) rather than a frame. Their
// DrawFrame ignores the window DC that Refresh hands over and paints on the
// control's client DC (without one, when the system has none to give, they
// paint nothing); Paint takes that DC so tests can hand in their own.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "FlatControl.h"

namespace flatlook {

class FlatTrackbar final : public FlatControl {
public:
    void DrawFrame(HDC dc, const RECT& rect) override;
    void Paint(HDC client);
};

class FlatHeader final : public FlatItemControl {
public:
    bool HoverChanged(POINT screenPoint) override;
    void DrawFrame(HDC dc, const RECT& rect) override;
    void Paint(HDC client);
};

// A toolbar's buttons as it lays them out, by index: each with its box in
// client coordinates, from TB_GETITEMRECT. Where a control does not answer
// it, the box is laid out as a toolbar lays out one row: from the left edge,
// ToolbarTopMargin pixels down, every button `buttonSize` (24 x 22 unless
// TB_SETBUTTONSIZE said otherwise), a separator as wide as its iBitmap (else
// ToolbarSeparatorWidth), a hidden button taking no room (and no box).
struct ToolbarItem {
    TBBUTTON button = {};
    RECT box = {};
};
constexpr SIZE DefaultToolbarButtonSize = {24, 22};
constexpr int ToolbarTopMargin = 2;
constexpr int ToolbarSeparatorWidth = 8;
std::vector<ToolbarItem> ToolbarItems(HWND toolbar, SIZE buttonSize = DefaultToolbarButtonSize);

// The toolbar window procedure, shared by toolbars and tab controls: a
// repaint forgets the hot item, so the next hover tick marks it again.
class FlatToolbarBase : public FlatItemControl {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class FlatToolbar final : public FlatToolbarBase {
public:
    // Notes the button size a TB_SETBUTTONSIZE gives the toolbar.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool HoverChanged(POINT screenPoint) override;
    void DrawFrame(HDC dc, const RECT& rect) override;
    void Paint(HDC client);

private:
    SIZE m_buttonSize = DefaultToolbarButtonSize;
};

class FlatTab final : public FlatToolbarBase {
public:
    bool HoverChanged(POINT screenPoint) override;
    void DrawFrame(HDC dc, const RECT& rect) override;
    bool HasFocus() override { return false; }
    // `frame` is the rectangle Refresh computed; only its coordinates count.
    void Paint(HDC client, const RECT& frame);
};

// Item hit tests in client coordinates; -1 when no item is there.
int HeaderItemAt(HWND header, POINT clientPoint);
int ToolbarButtonAt(HWND toolbar, POINT clientPoint,
                    SIZE buttonSize = DefaultToolbarButtonSize);
int TabItemAt(HWND tab, POINT clientPoint);

// Window-free painters and geometry.

// The channel rectangle of a TBS_VERT trackbar, rebuilt from the one the
// control reports (laid out as for a horizontal one) and the thumb.
RECT VerticalTrackbarChannel(const RECT& reported, const RECT& thumb, DWORD style);
// The channel to draw for a trackbar: the reported one, rebuilt with
// VerticalTrackbarChannel when a vertical trackbar reports it laid out as for
// a horizontal one (as Windows does; Wine already reports it vertical).
RECT TrackbarChannel(const RECT& reported, const RECT& thumb, DWORD style);
void DrawTrackbarChannel(HDC dc, const RECT& channel, bool active);
// A rectangular thumb with TBS_BOTH, else one pointing by TBS_VERT and
// TBS_LEFT/TBS_TOP. Every pen made is deleted, the DC's pen put back.
void DrawTrackbarThumb(HDC dc, const RECT& thumb, DWORD style, bool active);

void DrawHeaderItemBox(HDC dc, const RECT& box, bool hot);
void DrawToolbarButtonBox(HDC dc, const RECT& box, bool checked, bool hot);

enum class TabOrientation { Top, Left, Right, Bottom };
TabOrientation TabOrientationOf(DWORD style);
// One tab's outline; `current` is the selected index (-1: none).
void DrawTabOutline(HDC dc, TabOrientation orientation, const RECT& tab, int index, int current,
                    bool selected, bool hot);
// The page border around `page` (already adjusted and grown); `selectedTab`
// is null when no tab is selected.
void DrawTabPageBorder(HDC dc, TabOrientation orientation, const RECT& page,
                       const RECT* selectedTab);

}  // namespace flatlook
