// Push buttons, check boxes and radio buttons.
#pragma once

#include "FlatControl.h"

namespace flatlook {

// The button window procedure shared by the three kinds: a new text or check
// state repaints the control, so its frame is drawn again on top.
class FlatButtonBase : public FlatControl {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    // The push-button frame; check boxes and radio buttons with BS_PUSHLIKE
    // use it too.
    void DrawPushLike(HDC dc, const RECT& rect);
};

class FlatPushButton final : public FlatButtonBase {
public:
    void DrawFrame(HDC dc, const RECT& rect) override;
};

// Check boxes and radio buttons never report the focus: for them active
// means hot.
class FlatCheckBox final : public FlatButtonBase {
public:
    void DrawFrame(HDC dc, const RECT& rect) override;
    bool HasFocus() override { return false; }
};

class FlatRadioButton final : public FlatButtonBase {
public:
    void DrawFrame(HDC dc, const RECT& rect) override;
    bool HasFocus() override { return false; }
};

// Window-free painters and geometry, so the looks can be checked on a memory
// DC.

// `isDefault` only for an enabled BS_DEFPUSHBUTTON; `checked` when
// BM_GETCHECK is non-zero.
void DrawPushButtonFrame(HDC dc, const RECT& rect, bool isDefault, bool checked, bool active);

// The 13 x 13 cell of a check box (or the cell a radio glyph sits in) inside
// the frame rectangle, from BS_LEFTTEXT, BS_TOP, BS_BOTTOM and BS_VCENTER.
RECT CheckBoxCell(const RECT& rect, DWORD style);
// Where a radio button's glyph starts.
POINT RadioGlyphOrigin(const RECT& rect, DWORD style);

// `checkState` as BM_GETCHECK answers (BST_INDETERMINATE shows differently).
void CheckBoxCellRings(bool active, bool enabled, int checkState, Ring* outer, Ring* inner);
void DrawCheckBoxCell(HDC dc, const RECT& cell, bool active, bool enabled, int checkState);
// The colours of the four radio arcs in drawing order: outer top-left, inner
// top-left, inner bottom-right, outer bottom-right.
void RadioArcColours(bool active, bool enabled, int (&colours)[4]);
void DrawRadioGlyph(HDC dc, POINT origin, bool active, bool enabled);

}  // namespace flatlook
