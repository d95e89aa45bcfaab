#include "FlatCommonControls.h"

#include <commctrl.h>

#include "FlatLookManager.h"
#include "GdiOwners.h"

namespace flatlook {

// Item `index` laid out by the widths alone, as COMCTL32 4.00 lays out its
// headers (it has no item order and no HDM_GETITEMRECT).
RECT HeaderItemBoxByWidths(HWND header, int index)
{
    RECT box;
    GetClientRect(header, &box);
    box.right = 0;
    for (int i = 0; i <= index; ++i) {
        HDITEMA item = {};
        item.mask = HDI_WIDTH;
        SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        box.left = box.right;
        box.right += item.cxy;
    }
    return box;
}

int HeaderItemAt(HWND header, POINT p)
{
    int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT box = HeaderItemBoxByWidths(header, i);
        if (PtInRect(&box, p))
            return i;
    }
    return -1;
}

std::vector<ToolbarItem> ToolbarItems(HWND toolbar, SIZE buttonSize)
{
    const int count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    std::vector<ToolbarItem> items(count > 0 ? count : 0);
    int x = 0;
    for (int i = 0; i < count; ++i) {
        ToolbarItem& item = items[i];
        SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&item.button));
        if (item.button.fsState & TBSTATE_HIDDEN)
            continue;  // no room, no box
        const bool separator = (item.button.fsStyle & TBSTYLE_SEP) != 0;
        const int width = separator ? (item.button.iBitmap > 0 ? item.button.iBitmap
                                                                : ToolbarSeparatorWidth)
                                    : buttonSize.cx;
        if (!SendMessageA(toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item.box)))
            item.box = {x, ToolbarTopMargin, x + width, ToolbarTopMargin + buttonSize.cy};
        x += width;
    }
    return items;
}

int ToolbarButtonAt(HWND toolbar, POINT p, SIZE buttonSize)
{
    const std::vector<ToolbarItem> items = ToolbarItems(toolbar, buttonSize);
    for (size_t i = 0; i < items.size(); ++i) {
        if (!(items[i].button.fsStyle & TBSTYLE_SEP) && PtInRect(&items[i].box, p))
            return static_cast<int>(i);
    }
    return -1;
}

int TabItemAt(HWND tab, POINT p)
{
    SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0);
    TCHITTESTINFO hit = {};
    hit.pt = p;
    return static_cast<int>(SendMessageA(tab, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

namespace {

POINT ToClient(HWND window, POINT p)
{
    ScreenToClient(window, &p);
    return p;
}

POINT CursorIn(HWND window)
{
    POINT p;
    GetCursorPos(&p);
    return ToClient(window, p);
}

}  // namespace

// --- Trackbar ---------------------------------------------------------------

RECT VerticalTrackbarChannel(const RECT& k, const RECT& t, DWORD style)
{
    int thick = k.bottom - k.top;
    int left = t.left + ((t.right - t.left) / 2 - thick / 2) + 1;
    if (!(style & TBS_LEFT))
        left -= (style & TBS_BOTH) ? 1 : 2;
    return {left, k.left, left + thick, k.right};
}

RECT TrackbarChannel(const RECT& reported, const RECT& thumb, DWORD style)
{
    bool laidOutHorizontally =
        reported.right - reported.left > reported.bottom - reported.top;
    if ((style & TBS_VERT) && laidOutHorizontally)
        return VerticalTrackbarChannel(reported, thumb, style);
    return reported;
}

void DrawTrackbarChannel(HDC dc, const RECT& channel, bool active)
{
    if (active)
        TwoRingFrame(dc, channel, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW,
                     COLOR_3DLIGHT);
    else
        TwoRingFrame(dc, channel, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNFACE,
                     COLOR_BTNFACE);
}

namespace {

// One step of a thumb outline: select pen 1..4 first (0: keep the pen), then
// move to or draw a line to (x, y).
struct PathStep {
    int pen;
    bool move;
    int x;
    int y;
};

int ThumbPath(const RECT& rect, DWORD style, PathStep (&s)[16])
{
    const int L = rect.left, T = rect.top, R = rect.right, B = rect.bottom;
    int n = 0;
    auto move = [&](int pen, int x, int y) { s[n++] = {pen, true, x, y}; };
    auto line = [&](int pen, int x, int y) { s[n++] = {pen, false, x, y}; };
    if (style & TBS_VERT) {
        const int v = (B - T) / 2;
        if (style & TBS_LEFT) {  // points left
            move(1, R - 2, T); line(0, L + v, T); line(0, L, T + v);
            line(3, L + v, B - 1); line(0, R - 1, B - 1); line(0, R - 1, T - 1);
            move(2, R - 3, T + 1); line(0, L + v, T + 1); line(0, L + 1, T + v);
            line(4, L + v, B - 2); line(0, R - 2, B - 2); line(0, R - 2, T);
        } else {  // points right
            move(1, L, B - 2); line(0, L, T); line(0, R - 1 - v, T); line(0, R - 1, T + v);
            move(3, L, B - 1); line(0, R - 1 - v, B - 1); line(0, R, T + v - 1);
            move(2, L + 1, B - 3); line(0, L + 1, T + 1); line(0, R - 1 - v, T + 1);
            line(0, R - 2, T + v);
            move(4, L + 1, B - 2); line(0, R - 1 - v, B - 2); line(0, R - 1, T + v - 1);
        }
    } else {
        const int w = (R - L) / 2;
        if (style & TBS_TOP) {  // points up
            move(1, L + w - 1, T + 1); line(0, L, T + w); line(0, L, B - 1);
            line(3, R - 1, B - 1); line(0, R - 1, T + w); line(0, L + w - 1, T - 1);
            move(2, L + w - 1, T + 2); line(0, L + 1, T + w); line(0, L + 1, B - 2);
            line(4, R - 2, B - 2); line(0, R - 2, T + w); line(0, L + w - 1, T);
        } else {  // points down
            move(1, L + w - 1, B - 2); line(0, L, B - 1 - w); line(0, L, T); line(0, R - 1, T);
            line(3, R - 1, B - 1 - w); line(0, L + w - 1, B);
            move(2, L + w - 1, B - 3); line(0, L + 1, B - 1 - w); line(0, L + 1, T + 1);
            line(0, R - 2, T + 1);
            line(4, R - 2, B - 1 - w); line(0, L + w - 1, B - 1);
        }
    }
    return n;
}

}  // namespace

void DrawTrackbarThumb(HDC dc, const RECT& thumb, DWORD style, bool active)
{
    SolidFill(dc, thumb, GetSysColor(COLOR_BTNFACE));
    if (style & TBS_BOTH) {
        if (active)
            TwoRingFrame(dc, thumb, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT,
                         COLOR_BTNSHADOW);
        else
            TwoRingFrame(dc, thumb, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_BTNFACE,
                         COLOR_BTNFACE);
        return;
    }
    const int colours[4] = {COLOR_BTNHIGHLIGHT, active ? COLOR_3DLIGHT : COLOR_BTNFACE,
                            active ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW,
                            active ? COLOR_BTNSHADOW : COLOR_BTNFACE};
    OwnedPen pens[4];
    for (int i = 0; i < 4; ++i)
        pens[i].Reset(CreatePen(PS_SOLID, 1, GetSysColor(colours[i])));
    SelectedObject pen(dc, nullptr);  // after the pens, so it is undone first
    PathStep steps[16];
    int count = ThumbPath(thumb, style, steps);
    for (int i = 0; i < count; ++i) {
        const PathStep& s = steps[i];
        if (s.pen)
            pen.Select(pens[s.pen - 1]);
        if (s.move)
            MoveToEx(dc, s.x, s.y, nullptr);
        else
            LineTo(dc, s.x, s.y);
    }
}

void FlatTrackbar::DrawFrame(HDC, const RECT&)
{
    ClientDC client(m_hWnd, m_windowDCs);
    if (client)
        Paint(client);
}

void FlatTrackbar::Paint(HDC dc)
{
    DWORD style = static_cast<DWORD>(GetWindowLongA(m_hWnd, GWL_STYLE));
    RECT channel = {};
    SendMessageA(m_hWnd, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    if (style & TBS_VERT) {
        RECT thumb = {};
        SendMessageA(m_hWnd, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
        channel = TrackbarChannel(channel, thumb, style);
    }
    DrawTrackbarChannel(dc, channel, Active());
    if (style & TBS_NOTHUMB)
        return;
    RECT thumb = {};
    SendMessageA(m_hWnd, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    DrawTrackbarThumb(dc, thumb, style, Active());
}

// --- Header -----------------------------------------------------------------

void DrawHeaderItemBox(HDC dc, const RECT& box, bool hot)
{
    if (hot)
        TwoRingFrame(dc, box, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT,
                     COLOR_BTNSHADOW);
    else
        TwoRingFrame(dc, box, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_BTNFACE,
                     COLOR_BTNFACE);
}

bool FlatHeader::HoverChanged(POINT p)
{
    return ItemHoverChanged(HeaderItemAt(m_hWnd, ToClient(m_hWnd, p)));
}

void FlatHeader::DrawFrame(HDC, const RECT&)
{
    ClientDC client(m_hWnd, m_windowDCs);
    if (client)
        Paint(client);
}

void FlatHeader::Paint(HDC dc)
{
    int oldHot = m_hotItem;
    m_hotItem = -1;

    // Items look hot only while the cursor is also inside the parent's
    // client area (a list view's header may stick out of a clipped parent).
    HWND parent = GetParent(m_hWnd);
    POINT cursor;
    GetCursorPos(&cursor);
    RECT parentClient = {};
    GetClientRect(parent, &parentClient);
    POINT inParentCoords = ToClient(parent, cursor);
    bool inParent = PtInRect(&parentClient, inParentCoords) != FALSE;

    RECT item;
    GetClientRect(m_hWnd, &item);
    item.right = 0;
    POINT p = ToClient(m_hWnd, cursor);
    int count = static_cast<int>(SendMessageA(m_hWnd, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        HDITEMA info = {};
        info.mask = HDI_ORDER;  // COMCTL32 4.70; 4.00 keeps the index order
        info.iOrder = i;
        SendMessageA(m_hWnd, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&info));
        int order = info.iOrder;
        if (!SendMessageA(m_hWnd, HDM_GETITEMRECT, order, reinterpret_cast<LPARAM>(&item)))
            item = HeaderItemBoxByWidths(m_hWnd, order);
        bool hot = PtInRect(&item, p) && inParent;
        if (hot)
            m_hotItem = order;
        DrawHeaderItemBox(dc, item, hot);
    }
    RECT rest;
    GetClientRect(m_hWnd, &rest);
    rest.left = item.right;
    DrawHeaderItemBox(dc, rest, false);

    // The attached parent (a list view) is hot while one of its items is.
    if (FlatControl* parentObject = GetFlatLookManager()->FindControl(parent)) {
        if (m_hotItem >= 0) {
            parentObject->SetStateFlag(StateHot, true);
            parentObject->Refresh();
        } else if (oldHot >= 0) {
            parentObject->SetStateFlag(StateHot, false);
            parentObject->Refresh();
        }
    }
}

// --- Toolbar ----------------------------------------------------------------

LRESULT FlatToolbarBase::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT || message == WM_NCPAINT)
        m_hotItem = -1;
    return FlatControl::WindowProc(message, wParam, lParam);
}

void DrawToolbarButtonBox(HDC dc, const RECT& box, bool checked, bool hot)
{
    if (checked && hot)
        TwoRingFrame(dc, box, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW,
                     COLOR_BTNSHADOW);
    else if (checked)
        TwoRingFrame(dc, box, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNFACE, COLOR_BTNFACE);
    else if (hot)
        TwoRingFrame(dc, box, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT,
                     COLOR_BTNSHADOW);
    else
        TwoRingFrame(dc, box, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_BTNFACE, COLOR_BTNFACE);
}

LRESULT FlatToolbar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == TB_SETBUTTONSIZE && LOWORD(lParam) && HIWORD(lParam))
        m_buttonSize = {LOWORD(lParam), HIWORD(lParam)};
    return FlatToolbarBase::WindowProc(message, wParam, lParam);
}

bool FlatToolbar::HoverChanged(POINT p)
{
    return ItemHoverChanged(ToolbarButtonAt(m_hWnd, ToClient(m_hWnd, p), m_buttonSize));
}

void FlatToolbar::DrawFrame(HDC, const RECT&)
{
    ClientDC client(m_hWnd, m_windowDCs);
    if (client)
        Paint(client);
}

void FlatToolbar::Paint(HDC dc)
{
    if (GetWindowLongA(m_hWnd, GWL_STYLE) & TBSTYLE_FLAT)
        return;
    POINT p = CursorIn(m_hWnd);
    m_hotItem = -1;
    const std::vector<ToolbarItem> items = ToolbarItems(m_hWnd, m_buttonSize);
    for (size_t i = 0; i < items.size(); ++i) {
        const TBBUTTON& button = items[i].button;
        if ((button.fsStyle & TBSTYLE_SEP) || (button.fsState & TBSTATE_HIDDEN))
            continue;
        bool checked = (button.fsState & TBSTATE_CHECKED) != 0;
        bool hot = false;
        if (PtInRect(&items[i].box, p)) {
            m_hotItem = static_cast<int>(i);
            // A disabled button under the cursor is the hot item but is not
            // drawn hot.
            hot = (button.fsState & TBSTATE_ENABLED) != 0;
        }
        DrawToolbarButtonBox(dc, items[i].box, checked, hot);
    }
}

// --- Tab control --------------------------------------------------------------

TabOrientation TabOrientationOf(DWORD style)
{
    bool bottomOrRight = (style & TCS_BOTTOM) != 0;  // TCS_RIGHT is the same bit
    if (style & TCS_VERTICAL)
        return bottomOrRight ? TabOrientation::Right : TabOrientation::Left;
    return bottomOrRight ? TabOrientation::Bottom : TabOrientation::Top;
}

namespace {

struct Line {
    int x, y, w, h;
};

enum class EdgeKind { Light, Dark };

void DrawEdge(HDC dc, EdgeKind kind, bool hot, Line outer, Line inner, const POINT* corner)
{
    int outerColour, innerColour, cornerColour;
    if (kind == EdgeKind::Light) {
        outerColour = COLOR_BTNHIGHLIGHT;
        innerColour = hot ? COLOR_3DLIGHT : COLOR_BTNFACE;
        cornerColour = COLOR_BTNHIGHLIGHT;
    } else {
        outerColour = hot ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW;
        innerColour = hot ? COLOR_BTNSHADOW : COLOR_BTNFACE;
        cornerColour = hot ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW;
    }
    SolidFill(dc, outer.x, outer.y, outer.w, outer.h, GetSysColor(outerColour));
    SolidFill(dc, inner.x, inner.y, inner.w, inner.h, GetSysColor(innerColour));
    if (corner)
        SetPixel(dc, corner->x, corner->y, GetSysColor(cornerColour));
}

}  // namespace

void DrawTabOutline(HDC dc, TabOrientation o, const RECT& tab, int index, int current,
                    bool selected, bool hot)
{
    if (current == -1)
        current = -2;  // no tab is a neighbour of "nothing selected"
    int l = tab.left, t = tab.top, r = tab.right, b = tab.bottom;
    if (selected) {
        switch (o) {
        case TabOrientation::Top: l -= 2; t -= 2; r += 2; b += 1; break;
        case TabOrientation::Left: l -= 2; t -= 2; r += 1; b += 2; break;
        case TabOrientation::Right: l -= 1; t -= 2; r += 2; b += 2; break;
        case TabOrientation::Bottom: l -= 2; t -= 1; r += 2; b += 2; break;
        }
    }
    const bool leading = selected || current != index - 1;
    const bool trailing = selected || current != index + 1;
    const EdgeKind light = EdgeKind::Light, dark = EdgeKind::Dark;
    POINT c;
    switch (o) {
    case TabOrientation::Top:
        if (leading)
            DrawEdge(dc, light, hot, {l, t + 2, 1, b - t - 2}, {l + 1, t + 2, 1, b - t - 2},
                     &(c = {l + 1, t + 1}));
        DrawEdge(dc, light, hot, {l + 2, t, r - l - 4, 1}, {l + 2, t + 1, r - l - 4, 1},
                 nullptr);
        if (trailing)
            DrawEdge(dc, dark, hot, {r - 1, t + 2, 1, b - t - 2}, {r - 2, t + 2, 1, b - t - 2},
                     &(c = {r - 2, t + 1}));
        break;
    case TabOrientation::Left:
        if (leading)
            DrawEdge(dc, light, hot, {l + 2, t, r - l - 2, 1}, {l + 2, t + 1, r - l - 2, 1},
                     &(c = {l + 1, t + 1}));
        DrawEdge(dc, light, hot, {l, t + 2, 1, b - t - 4}, {l + 1, t + 2, 1, b - t - 4},
                 nullptr);
        if (trailing)
            DrawEdge(dc, dark, hot, {l + 2, b - 1, r - l - 2, 1}, {l + 2, b - 2, r - l - 2, 1},
                     &(c = {l + 1, b - 2}));
        break;
    case TabOrientation::Right:
        if (leading)
            DrawEdge(dc, light, hot, {l, t, r - l - 2, 1}, {l, t + 1, r - l - 2, 1},
                     &(c = {r - 2, t + 1}));
        DrawEdge(dc, dark, hot, {r - 1, t + 2, 1, b - t - 4}, {r - 2, t + 2, 1, b - t - 4},
                 nullptr);
        if (trailing)
            DrawEdge(dc, dark, hot, {l, b - 1, r - l - 2, 1}, {l, b - 2, r - l - 2, 1},
                     &(c = {r - 2, b - 2}));
        break;
    case TabOrientation::Bottom:
        if (leading)
            DrawEdge(dc, light, hot, {l, t, 1, b - t - 2}, {l + 1, t, 1, b - t - 2},
                     &(c = {l + 1, b - 2}));
        DrawEdge(dc, dark, hot, {l + 2, b - 1, r - l - 4, 1}, {l + 2, b - 2, r - l - 4, 1},
                 nullptr);
        if (trailing)
            DrawEdge(dc, dark, hot, {r - 1, t, 1, b - t - 2}, {r - 2, t, 1, b - t - 2},
                     &(c = {r - 2, b - 2}));
        break;
    }
}

void DrawTabPageBorder(HDC dc, TabOrientation o, const RECT& page, const RECT* s)
{
    RECT q = page;
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    switch (o) {
    case TabOrientation::Top:
    case TabOrientation::Left:
        if (o == TabOrientation::Top)
            q.top += 2;
        else
            q.left += 2;
        SolidFill(dc, q.left, q.bottom, q.right - q.left, -1, shadow);
        SolidFill(dc, q.right, q.top, -1, q.bottom - q.top, shadow);
        break;
    case TabOrientation::Right:
        q.right -= 2;
        SolidFill(dc, q.left, q.bottom, q.right - q.left, -1, shadow);
        if (s) {  // the column is open beside the selected tab
            SolidFill(dc, q.right, q.top, -1, s->top - q.top, shadow);
            SolidFill(dc, q.right, s->bottom, -1, q.bottom - s->bottom, shadow);
        }
        break;
    case TabOrientation::Bottom:
        q.bottom -= 2;
        if (s) {  // the row is open beside the selected tab
            SolidFill(dc, q.left, q.bottom, s->left - q.left, -1, shadow);
            SolidFill(dc, s->right, q.bottom, q.right - s->right, -1, shadow);
        }
        SolidFill(dc, q.right, q.top, -1, q.bottom - q.top, shadow);
        break;
    }
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    EdgeRect(dc, q.left + 1, q.top + 1, q.right - q.left - 2, q.bottom - q.top - 2, face, face);
}

bool FlatTab::HoverChanged(POINT p)
{
    return ItemHoverChanged(TabItemAt(m_hWnd, ToClient(m_hWnd, p)));
}

void FlatTab::DrawFrame(HDC, const RECT& rect)
{
    ClientDC client(m_hWnd, m_windowDCs);
    if (client)
        Paint(client, rect);
}

void FlatTab::Paint(HDC dc, const RECT& frame)
{
    DWORD style = static_cast<DWORD>(GetWindowLongA(m_hWnd, GWL_STYLE));
    if (style & TCS_BUTTONS)
        return;
    TabOrientation o = TabOrientationOf(style);
    RECT page = frame;
    SendMessageA(m_hWnd, TCM_ADJUSTRECT, 0, reinterpret_cast<LPARAM>(&page));
    InflateRect(&page, 4, 4);

    // With nothing selected there is no selected tab's rectangle: the parts
    // drawn from it are left out.
    int current = static_cast<int>(SendMessageA(m_hWnd, TCM_GETCURSEL, 0, 0));
    RECT selected = {};
    bool haveSelected =
        current >= 0 &&
        SendMessageA(m_hWnd, TCM_GETITEMRECT, current, reinterpret_cast<LPARAM>(&selected));
    DrawTabPageBorder(dc, o, page, haveSelected ? &selected : nullptr);

    m_hotItem = -1;
    POINT p = CursorIn(m_hWnd);
    int count = static_cast<int>(SendMessageA(m_hWnd, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (i == current)
            continue;
        RECT tab = {};
        SendMessageA(m_hWnd, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&tab));
        bool hot = PtInRect(&tab, p) != FALSE;
        if (hot)
            m_hotItem = i;
        DrawTabOutline(dc, o, tab, i, current, false, hot);
    }
    if (!haveSelected)
        return;
    bool hot = PtInRect(&selected, p) != FALSE;
    if (hot)
        m_hotItem = current;
    DrawTabOutline(dc, o, selected, current, current, true, hot);

    int strip = selected.bottom - selected.top + 2;
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    if (current != 0 && o == TabOrientation::Top)
        SolidFill(dc, frame.left, frame.top, 2, strip, face);
    if (o == TabOrientation::Bottom)
        SolidFill(dc, frame.left, frame.bottom, 2, -strip, face);
}

}  // namespace flatlook
