// The common controls' start-up and the control wrappers: progress bar and
// tooltip.
#include "Afx.h"

#include <vector>

// ---------------------------------------------------------------------------
// Controls

CommonControlsEntry AfxCommonControlsEntry()
{
    CommonControlsEntry entry = { nullptr, ::InitCommonControls };
    if (HMODULE comctl32 = ::GetModuleHandleA("comctl32.dll"))
        entry.initEx = reinterpret_cast<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(
            reinterpret_cast<void*>(::GetProcAddress(comctl32, "InitCommonControlsEx")));
    return entry;
}

BOOL AfxInitCommonControls(DWORD dwClasses, const CommonControlsEntry& entry)
{
    INITCOMMONCONTROLSEX icc = { sizeof icc, dwClasses };
    // A 4.70 that does not know one of the classes asked for refuses them
    // all: it still has every class of 4.00.
    if (entry.initEx && entry.initEx(&icc))
        return TRUE;
    entry.init();
    return FALSE;
}

void CProgressCtrl::GetRange(int& nLower, int& nUpper) const
{
    PBRANGE range = { 0, -1 };  // left so by a bar that does not know the message
    SendMessage(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
    if (range.iHigh < range.iLow) {
        // COMCTL32 4.00 has no PBM_GETRANGE; PBM_SETRANGE answers the old
        // range. Put it back, and the position it may have clamped.
        int pos = static_cast<int>(SendMessage(PBM_DELTAPOS, 0));
        LRESULT old = SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, 0));
        SendMessage(PBM_SETRANGE, 0, old);
        SendMessage(PBM_SETPOS, static_cast<WPARAM>(pos));
        range.iLow = static_cast<short>(LOWORD(old));
        range.iHigh = static_cast<short>(HIWORD(old));
    }
    nLower = range.iLow;
    nUpper = range.iHigh;
}

static void FillToolInfo(TOOLINFOA& ti, CWnd* pWnd, UINT_PTR nIDTool, const char* text)
{
    ti = TOOLINFOA();
    ti.cbSize = TTTOOLINFOA_V1_SIZE;  // COMCTL32 4.00's size; later ones accept it
    ti.hwnd = pWnd->m_hWnd;
    ti.uId = nIDTool;
    ti.lpszText = const_cast<char*>(text);
}

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle)
{
    AfxInitCommonControls(ICC_WIN95_CLASSES);
    return CreateEx(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | dwStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, pParentWnd ? pParentWnd->m_hWnd : nullptr, nullptr);
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, const char* lpszText, const RECT* lpRectTool, UINT_PTR nIDTool)
{
    TOOLINFOA ti;
    FillToolInfo(ti, pWnd, nIDTool, lpszText);
    if (lpRectTool)
        ti.rect = *lpRectTool;
    else
        pWnd->GetClientRect(&ti.rect);
    return static_cast<BOOL>(SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)));
}

void CToolTipCtrl::UpdateTipText(const char* lpszText, CWnd* pWnd, UINT_PTR nIDTool)
{
    TOOLINFOA ti;
    FillToolInfo(ti, pWnd, nIDTool, lpszText);
    SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
}

CString CToolTipCtrl::GetText(CWnd* pWnd, UINT_PTR nIDTool) const
{
    // The control copies at most INFOTIPSIZE (1024) characters.
    std::vector<char> buffer(1024 + 1, '\0');
    TOOLINFOA ti;
    FillToolInfo(ti, pWnd, nIDTool, buffer.data());
    SendMessage(TTM_GETTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    buffer.back() = '\0';
    return CString(buffer.data());
}
