#include <windows.h>

#include "FlatLookTestSupport.h"

#include "Afx.h"

#include <commctrl.h>

#include "FlatButtons.h"
#include "FlatCommonControls.h"
#include "FlatEdits.h"
#include "FlatScrollBar.h"
#include "Win32TestSupport.h"

using namespace flatlook;

namespace flattest {

FlatKind KindOf(const FlatControl* control)
{
    if (!control)
        return FlatKind::None;
    if (dynamic_cast<const FlatPushButton*>(control)) return FlatKind::PushButton;
    if (dynamic_cast<const FlatCheckBox*>(control)) return FlatKind::CheckBox;
    if (dynamic_cast<const FlatRadioButton*>(control)) return FlatKind::RadioButton;
    if (dynamic_cast<const FlatDateTime*>(control)) return FlatKind::DateTime;
    if (dynamic_cast<const FlatComboBox*>(control)) return FlatKind::ComboBox;
    if (dynamic_cast<const FlatComboEdit*>(control)) return FlatKind::ComboEdit;
    if (dynamic_cast<const FlatEdit*>(control)) return FlatKind::Edit;
    if (dynamic_cast<const FlatUpDown*>(control)) return FlatKind::UpDown;
    if (dynamic_cast<const FlatScrollBar*>(control)) return FlatKind::ScrollBar;
    if (dynamic_cast<const FlatIPAddress*>(control)) return FlatKind::IPAddress;
    if (dynamic_cast<const FlatTrackbar*>(control)) return FlatKind::Trackbar;
    if (dynamic_cast<const FlatHeader*>(control)) return FlatKind::Header;
    if (dynamic_cast<const FlatToolbar*>(control)) return FlatKind::Toolbar;
    if (dynamic_cast<const FlatTab*>(control)) return FlatKind::Tab;
    return FlatKind::Generic;
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

TestDialog::TestDialog(const DLGTEMPLATE* dialogTemplate, HWND owner, DLGPROC procedure,
                       LPARAM param)
{
    m_hWnd = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialogTemplate, owner,
                                        procedure ? procedure : PlainDialogProc, param);
}

TestDialog::~TestDialog()
{
    Destroy();
}

void TestDialog::Destroy()
{
    if (m_hWnd)
        DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

bool TakeFocus(HWND dialog, HWND control)
{
    return testsupport::PumpUntil(
        [&] {
            if (GetFocus() != control) {
                SetForegroundWindow(dialog);
                SetFocus(control);
            }
            return GetFocus() == control;
        },
        2000);
}

COLORREF WindowPixel(HWND window, int x, int y)
{
    HDC dc = GetWindowDC(window);
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

void InitCommonControlsOnce()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    AfxInitCommonControls(ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_INTERNET_CLASSES |
                          ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_HOTKEY_CLASS |
                          ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_USEREX_CLASSES);
}

namespace {
WNDPROC g_headerProc = nullptr;
LRESULT CALLBACK Comctl400Header(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == HDM_GETITEMRECT)
        return DefWindowProcA(hWnd, message, wParam, lParam);
    if (message == HDM_GETITEMA) {
        auto* item = reinterpret_cast<HDITEMA*>(lParam);
        UINT mask = item->mask;
        item->mask &= ~HDI_ORDER;
        LRESULT result = CallWindowProcA(g_headerProc, hWnd, message, wParam, lParam);
        item->mask = mask;
        return result;
    }
    return CallWindowProcA(g_headerProc, hWnd, message, wParam, lParam);
}
}  // namespace

HWND MakeHeader(HWND parent, int width, int items, DWORD style)
{
    HWND header = CreateWindowExA(0, WC_HEADERA, "", WS_CHILD | WS_VISIBLE | style, 0, 0, width,
                                  20, parent, nullptr, nullptr, nullptr);
    for (int i = 0; i < items; ++i) {
        HDITEMA item = {};
        item.mask = HDI_WIDTH | HDI_TEXT;
        item.cxy = 100;
        item.pszText = const_cast<char*>("column");
        SendMessageA(header, HDM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    return header;
}

void AnswerAsComctl400Header(HWND header)
{
    g_headerProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(header, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Comctl400Header)));
}

namespace {
WNDPROC g_toolbarProc = nullptr;
LRESULT CALLBACK ToolbarWithoutItemRects(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == TB_GETITEMRECT)
        return DefWindowProcA(hWnd, message, wParam, lParam);
    return CallWindowProcA(g_toolbarProc, hWnd, message, wParam, lParam);
}
}  // namespace

void AnswerWithoutItemRects(HWND toolbar)
{
    g_toolbarProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(toolbar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ToolbarWithoutItemRects)));
}

}  // namespace flattest
