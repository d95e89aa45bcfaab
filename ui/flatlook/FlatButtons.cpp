#include "FlatButtons.h"

namespace flatlook {

namespace {

// BS_TYPEMASK without the BS_RADIOBUTTON bit: a push-like BS_3STATE counts
// as a default button too, as it always has.
constexpr DWORD DefaultButtonMask = BS_TYPEMASK & ~BS_RADIOBUTTON;

}  // namespace

LRESULT FlatButtonBase::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETTEXT: {
        // Keep the control's answer: SetWindowText reports it to the caller.
        LRESULT result = 0;
        if (PassOnAndSurvive(message, wParam, lParam, &result))
            Refresh();
        return result;
    }
    case BM_SETCHECK:
        return PassOnThenRefresh(message, wParam, lParam);
    default:
        return FlatControl::WindowProc(message, wParam, lParam);
    }
}

void DrawPushButtonFrame(HDC dc, const RECT& rect, bool isDefault, bool checked, bool active)
{
    if (isDefault) {
        if (active)
            ThreeRingFrame(dc, rect, COLOR_3DDKSHADOW, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT,
                           COLOR_3DDKSHADOW, COLOR_3DLIGHT, COLOR_BTNSHADOW);
        else
            ThreeRingFrame(dc, rect, COLOR_3DDKSHADOW, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT,
                           COLOR_BTNSHADOW, COLOR_BTNFACE, COLOR_BTNFACE);
    } else if (checked) {
        if (active)
            TwoRingFrame(dc, rect, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW,
                         COLOR_3DLIGHT);
        else
            TwoRingFrame(dc, rect, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNFACE,
                         COLOR_BTNFACE);
    } else {
        if (active)
            ThreeRingFrame(dc, rect, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT,
                           COLOR_BTNSHADOW, COLOR_BTNFACE, COLOR_BTNFACE);
        else
            ThreeRingFrame(dc, rect, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_BTNFACE,
                           COLOR_BTNFACE, COLOR_BTNFACE, COLOR_BTNFACE);
    }
}

void FlatButtonBase::DrawPushLike(HDC dc, const RECT& rect)
{
    DWORD style = static_cast<DWORD>(GetWindowLongA(m_hWnd, GWL_STYLE));
    bool isDefault = (style & DefaultButtonMask) == BS_DEFPUSHBUTTON && IsWindowEnabled(m_hWnd);
    bool checked = SendMessageA(m_hWnd, BM_GETCHECK, 0, 0) != 0;
    DrawPushButtonFrame(dc, rect, isDefault, checked, Active());
}

void FlatPushButton::DrawFrame(HDC dc, const RECT& rect)
{
    DrawPushLike(dc, rect);
}

namespace {

constexpr int CellSize = 13;

int CellTop(const RECT& rect, DWORD style)
{
    DWORD vertical = style & (BS_TOP | BS_BOTTOM);
    if (vertical == BS_TOP)
        return rect.top + 1;
    if (vertical == BS_BOTTOM)
        return rect.bottom - 15;
    return rect.top + (rect.bottom - rect.top - CellSize) / 2;  // BS_VCENTER or neither
}

}  // namespace

RECT CheckBoxCell(const RECT& rect, DWORD style)
{
    int left = (style & BS_LEFTTEXT) ? rect.right - CellSize : rect.left;
    int top = CellTop(rect, style);
    return {left, top, left + CellSize, top + CellSize};
}

POINT RadioGlyphOrigin(const RECT& rect, DWORD style)
{
    return {(style & BS_LEFTTEXT) ? rect.right - 12 : rect.left + 1, CellTop(rect, style)};
}

void CheckBoxCellRings(bool active, bool enabled, int checkState, Ring* outer, Ring* inner)
{
    if (active) {
        *outer = {COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT};
        *inner = {COLOR_BTNSHADOW, COLOR_BTNFACE};
        return;
    }
    *outer = {COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT};
    if (!enabled)
        *inner = {COLOR_BTNFACE, COLOR_BTNFACE};
    else if (checkState == BST_INDETERMINATE)
        *inner = {COLOR_BTNHIGHLIGHT, COLOR_BTNHIGHLIGHT};
    else
        *inner = {COLOR_WINDOW, COLOR_WINDOW};
}

void DrawCheckBoxCell(HDC dc, const RECT& cell, bool active, bool enabled, int checkState)
{
    Ring outer, inner;
    CheckBoxCellRings(active, enabled, checkState, &outer, &inner);
    TwoRingFrame(dc, cell, outer, inner);
}

void FlatCheckBox::DrawFrame(HDC dc, const RECT& rect)
{
    DWORD style = static_cast<DWORD>(GetWindowLongA(m_hWnd, GWL_STYLE));
    if (style & BS_PUSHLIKE) {
        DrawPushLike(dc, rect);
        return;
    }
    int checkState = static_cast<int>(SendMessageA(m_hWnd, BM_GETCHECK, 0, 0));
    DrawCheckBoxCell(dc, CheckBoxCell(rect, style), Active(), IsWindowEnabled(m_hWnd) != FALSE,
                     checkState);
}

namespace {

// Arc point lists, each ended by (0, 0).
const signed char OuterTopLeft[] = {1, 9, 1, 8, 0, 7, 0, 6, 0, 5, 0, 4, 1, 3, 1, 2, 2, 1,
                                    3, 1, 4, 0, 5, 0, 6, 0, 7, 0, 8, 1, 9, 1, 0, 0};
const signed char InnerTopLeft[] = {2, 8, 1, 7, 1, 6, 1, 5, 1, 4, 2, 3, 2, 2, 3, 2,
                                    4, 1, 5, 1, 6, 1, 7, 1, 8, 2, 9, 2, 0, 0};
const signed char InnerBottomRight[] = {2, 9,  3, 9,  4, 10, 5, 10, 6, 10, 7, 10, 8, 9, 9, 9,
                                        9, 8, 10, 7, 10, 6, 10, 5, 10, 4, 9, 3, 0, 0};
const signed char OuterBottomRight[] = {2,  10, 3,  10, 4,  11, 5,  11, 6,  11, 7,  11,
                                        8,  10, 9,  10, 10, 9,  10, 8,  11, 7,  11, 6,
                                        11, 5,  11, 4,  10, 3,  10, 2,  0,  0};

}  // namespace

void RadioArcColours(bool active, bool enabled, int (&colours)[4])
{
    colours[0] = COLOR_BTNSHADOW;
    colours[1] = active ? COLOR_3DDKSHADOW : (enabled ? COLOR_WINDOW : COLOR_BTNFACE);
    colours[2] = COLOR_BTNFACE;
    colours[3] = (active || enabled) ? COLOR_WINDOW : COLOR_BTNHIGHLIGHT;
}

void DrawRadioGlyph(HDC dc, POINT o, bool active, bool enabled)
{
    int colours[4];
    RadioArcColours(active, enabled, colours);
    PixelGlyph(dc, o.x, o.y, OuterTopLeft, colours[0]);
    PixelGlyph(dc, o.x, o.y, InnerTopLeft, colours[1]);
    PixelGlyph(dc, o.x, o.y, InnerBottomRight, colours[2]);
    PixelGlyph(dc, o.x, o.y, OuterBottomRight, colours[3]);
}

void FlatRadioButton::DrawFrame(HDC dc, const RECT& rect)
{
    DWORD style = static_cast<DWORD>(GetWindowLongA(m_hWnd, GWL_STYLE));
    if (style & BS_PUSHLIKE) {
        DrawPushLike(dc, rect);
        return;
    }
    DrawRadioGlyph(dc, RadioGlyphOrigin(rect, style), Active(), IsWindowEnabled(m_hWnd) != FALSE);
}

}  // namespace flatlook
