#include "FlatButtons.h"

namespace flatlook {

LRESULT FlatButtonBase::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETTEXT: {
        // Keep the control's answer: SetWindowText reports it to the caller.
        LRESULT result = PassOn(message, wParam, lParam);
        Refresh();
        return result;
    }
    case BM_SETCHECK:
        return PassOnThenRefresh(message, wParam, lParam);
    default:
        return FlatControl::WindowProc(message, wParam, lParam);
    }
}

void FlatPushButton::DrawFrame(HDC dc, const RECT& rect)
{
    FlatControl::DrawFrame(dc, rect);
}

void FlatCheckBox::DrawFrame(HDC dc, const RECT& rect)
{
    FlatControl::DrawFrame(dc, rect);
}

void FlatRadioButton::DrawFrame(HDC dc, const RECT& rect)
{
    FlatControl::DrawFrame(dc, rect);
}

}  // namespace flatlook
