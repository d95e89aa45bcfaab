#include "FlatCommonControls.h"

#include <commctrl.h>

#include "FlatLookManager.h"

namespace flatlook {

int HeaderItemAt(HWND header, POINT p)
{
    int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    RECT client;
    GetClientRect(header, &client);
    int x = 0;
    for (int i = 0; i < count; ++i) {
        HDITEMA item = {};
        item.mask = HDI_WIDTH;
        SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        RECT box = {x, client.top, x + item.cxy, client.bottom};
        if (PtInRect(&box, p))
            return i;
        x += item.cxy;
    }
    return -1;
}

int ToolbarButtonAt(HWND toolbar, POINT p)
{
    int count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button = {};
        SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if (button.fsStyle & TBSTYLE_SEP)
            continue;
        RECT box = {};
        SendMessageA(toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&box));
        if (PtInRect(&box, p))
            return i;
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

}  // namespace

void FlatTrackbar::DrawFrame(HDC dc, const RECT& rect)
{
    FlatControl::DrawFrame(dc, rect);
}

bool FlatHeader::HoverChanged(POINT p)
{
    return ItemHoverChanged(HeaderItemAt(m_hWnd, ToClient(m_hWnd, p)));
}

void FlatHeader::DrawFrame(HDC dc, const RECT& rect)
{
    FlatControl::DrawFrame(dc, rect);
}

LRESULT FlatToolbarBase::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT || message == WM_NCPAINT)
        m_hotItem = -1;
    return FlatControl::WindowProc(message, wParam, lParam);
}

bool FlatToolbar::HoverChanged(POINT p)
{
    return ItemHoverChanged(ToolbarButtonAt(m_hWnd, ToClient(m_hWnd, p)));
}

void FlatToolbar::DrawFrame(HDC dc, const RECT& rect)
{
    FlatControl::DrawFrame(dc, rect);
}

bool FlatTab::HoverChanged(POINT p)
{
    return ItemHoverChanged(TabItemAt(m_hWnd, ToClient(m_hWnd, p)));
}

void FlatTab::DrawFrame(HDC dc, const RECT& rect)
{
    FlatControl::DrawFrame(dc, rect);
}

}  // namespace flatlook
