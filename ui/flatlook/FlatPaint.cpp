#include "FlatPaint.h"

namespace flatlook {

void SolidFill(HDC dc, int x, int y, int width, int height, COLORREF colour)
{
    RECT rect;
    SetRect(&rect, x, y, x + width, y + height);
    SolidFill(dc, rect, colour);
}

void SolidFill(HDC dc, const RECT& rect, COLORREF colour)
{
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void EdgeRect(HDC dc, int x, int y, int width, int height, COLORREF topLeft,
              COLORREF bottomRight)
{
    SolidFill(dc, x, y, width - 1, 1, topLeft);
    SolidFill(dc, x, y, 1, height - 1, topLeft);
    SolidFill(dc, x + width, y, -1, height, bottomRight);
    SolidFill(dc, x, y + height, width, -1, bottomRight);
}

void EdgeRect(HDC dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight)
{
    EdgeRect(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, topLeft,
             bottomRight);
}

void TwoRingFrame(HDC dc, const RECT& rect, int outerTopLeft, int outerBottomRight,
                  int innerTopLeft, int innerBottomRight)
{
    RECT ring = rect;
    EdgeRect(dc, ring, GetSysColor(outerTopLeft), GetSysColor(outerBottomRight));
    InflateRect(&ring, -1, -1);
    EdgeRect(dc, ring, GetSysColor(innerTopLeft), GetSysColor(innerBottomRight));
}

void TwoRingFrame(HDC dc, const RECT& rect, Ring outer, Ring inner)
{
    TwoRingFrame(dc, rect, outer.topLeft, outer.bottomRight, inner.topLeft, inner.bottomRight);
}

void ThreeRingFrame(HDC dc, const RECT& rect, int outerTopLeft, int outerBottomRight,
                    int middleTopLeft, int middleBottomRight, int innerTopLeft,
                    int innerBottomRight)
{
    TwoRingFrame(dc, rect, outerTopLeft, outerBottomRight, middleTopLeft, middleBottomRight);
    RECT ring = rect;
    InflateRect(&ring, -2, -2);
    EdgeRect(dc, ring, GetSysColor(innerTopLeft), GetSysColor(innerBottomRight));
}

void PixelGlyph(HDC dc, int x, int y, const signed char* points, int colourIndex)
{
    COLORREF colour = GetSysColor(colourIndex);
    for (; points[0] != 0 || points[1] != 0; points += 2)
        SetPixel(dc, x + points[0], y + points[1], colour);
}

void ScrollBoxRings(bool active, Ring* outer, Ring* inner)
{
    if (active) {
        *outer = {COLOR_BTNFACE, COLOR_3DDKSHADOW};
        *inner = {COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW};
    } else {
        *outer = {COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW};
        *inner = {COLOR_BTNFACE, COLOR_BTNFACE};
    }
}

void DrawScrollBox(HDC dc, const RECT& rect, bool active)
{
    Ring outer, inner;
    ScrollBoxRings(active, &outer, &inner);
    TwoRingFrame(dc, rect, outer, inner);
}

Ring GenericInnerRing(WORD state, bool enabled)
{
    if (IsActive(state))
        return {COLOR_3DDKSHADOW, COLOR_3DLIGHT};
    if (!enabled || (state & StateReadOnly))
        return {COLOR_BTNFACE, COLOR_BTNFACE};
    if (state & StateSmall)
        return {COLOR_BTNHIGHLIGHT, COLOR_3DLIGHT};
    return {COLOR_3DLIGHT, COLOR_3DLIGHT};
}

void DrawGenericRings(HDC dc, const RECT& rect, WORD state, bool enabled)
{
    TwoRingFrame(dc, rect, {COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT}, GenericInnerRing(state, enabled));
}

WindowScrollBars LayoutWindowScrollBars(const RECT& r, DWORD style, int e, int s)
{
    WindowScrollBars bars = {};
    bool h = (style & WS_HSCROLL) != 0;
    bool v = (style & WS_VSCROLL) != 0;
    if (h && v) {
        bars.horizontal = true;
        SetRect(&bars.horizontalRect, r.left + e, r.bottom - s - e, r.right - s - e, r.bottom - e);
        bars.vertical = true;
        SetRect(&bars.verticalRect, r.right - s - e, r.top + e, r.right - e, r.bottom - s - e);
    } else if (v) {
        bars.vertical = true;
        SetRect(&bars.verticalRect, r.right - s - e, r.top + e, r.right - e, r.bottom - e);
    } else if (h) {
        bars.horizontal = true;
        SetRect(&bars.horizontalRect, r.left + e, r.bottom - s - e, r.right - e, r.bottom - e);
    }
    return bars;
}

// GetVersion's high bit: set on Windows 95, 98 and Me.
constexpr DWORD VersionWindows9x = 0x80000000;

ScrollBarMetrics CurrentScrollBarMetrics()
{
    ScrollBarMetrics metrics;
    metrics.arrow = GetSystemMetrics(SM_CXHSCROLL);
    metrics.minThumb = (GetVersion() & VersionWindows9x) ? metrics.arrow / 2 : 8;
    metrics.thumbSize = GetSystemMetrics(SM_CXHTHUMB);
    return metrics;
}

namespace {

// Axis helpers: a bar's "start" and "end" are left/right or top/bottom.
LONG& Start(RECT& r, bool vertical) { return vertical ? r.top : r.left; }
LONG& End(RECT& r, bool vertical) { return vertical ? r.bottom : r.right; }

}  // namespace

ScrollBarBoxes LayoutScrollBar(const RECT& rect, bool vertical, bool standalone,
                               const ScrollBarMetrics& metrics, const SCROLLINFO* info)
{
    ScrollBarBoxes boxes = {};
    RECT r = rect;
    int start = Start(r, vertical);
    int end = End(r, vertical);
    int len = end - start;
    int a = metrics.arrow;
    if (len < 2 * a)
        a = len / 2;

    boxes.firstArrow = rect;
    End(boxes.firstArrow, vertical) = start + a;
    boxes.secondArrow = rect;
    Start(boxes.secondArrow, vertical) = end - a;

    if (!info)
        return boxes;
    int range = info->nMax - info->nMin + 1;
    if (range == 0)
        return boxes;
    int track = len - 2 * a;
    int thumb;
    if (info->nPage == 0) {
        thumb = metrics.thumbSize;
    } else {
        thumb = MulDiv(static_cast<int>(info->nPage), track, range);
        if (thumb <= metrics.minThumb)
            thumb = metrics.minThumb;
    }
    if (thumb >= track) {
        if (!standalone)
            return boxes;
        thumb = track;
    }
    int offset;
    if (static_cast<UINT>(range) == info->nPage) {
        offset = 0;
        thumb -= 1;
    } else {
        offset = MulDiv(info->nPos - info->nMin, track - thumb,
                        range - static_cast<int>(info->nPage));
    }
    if (thumb > track)
        return boxes;
    boxes.hasThumb = true;
    boxes.thumb = rect;
    Start(boxes.thumb, vertical) = start + a + offset;
    End(boxes.thumb, vertical) = start + a + offset + thumb;
    return boxes;
}

void DrawScrollBarFlat(HDC dc, const RECT& rect, bool vertical, bool standalone, HWND window,
                       bool active)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof info;  // 28
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    const SCROLLINFO* known = nullptr;
    // A disabled scroll-bar control shows no thumb; a bar whose state cannot
    // be read gets none either rather than one computed from garbage.
    if (!(standalone && !IsWindowEnabled(window))) {
        int bar = standalone ? SB_CTL : (vertical ? SB_VERT : SB_HORZ);
        if (GetScrollInfo(window, bar, &info))
            known = &info;
    }
    ScrollBarBoxes boxes =
        LayoutScrollBar(rect, vertical, standalone, CurrentScrollBarMetrics(), known);
    DrawScrollBox(dc, boxes.firstArrow, active);
    DrawScrollBox(dc, boxes.secondArrow, active);
    if (boxes.hasThumb)
        DrawScrollBox(dc, boxes.thumb, active);
}

void DrawGenericFrame(HDC dc, const RECT& rect, HWND window, WORD state)
{
    DrawGenericRings(dc, rect, state, IsWindowEnabled(window) != FALSE);
    DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    WindowScrollBars bars = LayoutWindowScrollBars(rect, style, GetSystemMetrics(SM_CXEDGE),
                                                   GetSystemMetrics(SM_CXHSCROLL));
    if (bars.horizontal)
        DrawScrollBarFlat(dc, bars.horizontalRect, false, false, window, IsActive(state));
    if (bars.vertical)
        DrawScrollBarFlat(dc, bars.verticalRect, true, false, window, IsActive(state));
}

}  // namespace flatlook
