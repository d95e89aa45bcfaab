// Push buttons, check boxes and radio buttons.
#pragma once

#include "FlatControl.h"

namespace flatlook {

// The button window procedure shared by the three kinds: a new text or check
// state repaints the control, so its frame is drawn again on top.
class FlatButtonBase : public FlatControl {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
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

}  // namespace flatlook
