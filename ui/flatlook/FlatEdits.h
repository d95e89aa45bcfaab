// Edits, combo boxes, date-time pickers, IP-address controls and up-down
// controls.
#pragma once

#include "FlatControl.h"

namespace flatlook {

// The edit window procedure: enabling or disabling an edit repaints the
// up-down control that is its buddy, which continues the edit's frame.
class FlatEdit : public FlatControl {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawFrame(HDC dc, const RECT& rect) override;
};

// The edit of a CBS_SIMPLE combo box: its frame goes on the combo box,
// around the edit.
class FlatComboEdit final : public FlatEdit {
public:
    FrameArea GetFrameArea() override;
};

// The combo window procedure, shared by drop-down combo boxes and date-time
// pickers: the inner edit's focus and a closing drop-down refresh the frame.
class FlatComboBox : public FlatControl {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawFrame(HDC dc, const RECT& rect) override;
    bool HasFocus() override { return FocusInnerEdit(m_hWnd); }
};

class FlatDateTime final : public FlatComboBox {
public:
    void DrawFrame(HDC dc, const RECT& rect) override;
};

class FlatIPAddress final : public FlatControl {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool HasFocus() override { return FocusAnyChild(m_hWnd); }
};

class FlatUpDown final : public FlatControl {
public:
    void DrawFrame(HDC dc, const RECT& rect) override;
};

// The up-down control right after `edit` in z-order when it is the edit's
// buddy, else null.
HWND BuddyUpDownOf(HWND edit);

// Window-free painters and geometry.

// The drop button box of a combo box inside its frame rectangle.
RECT DropButtonBox(const RECT& frame, int scrollWidth);
// Draws it: flat FACE when disabled, else the scroll box look.
void DrawDropButton(HDC dc, const RECT& box, bool enabled, bool active);

// The two arrow boxes of an up-down control on (L, T, R, B), halves split
// across the axis (UDS_HORZ: left and right).
void UpDownArrowBoxes(const RECT& rect, bool horizontal, RECT* first, RECT* second);

}  // namespace flatlook
