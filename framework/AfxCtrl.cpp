// The control wrappers: progress bar and tooltip.
#include "Afx.h"

#include <vector>

// ---------------------------------------------------------------------------
// Controls

void CProgressCtrl::GetRange(int& nLower, int& nUpper) const
{
    PBRANGE range = {};
    SendMessage(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
    nLower = range.iLow;
    nUpper = range.iHigh;
}

static void FillToolInfo(TOOLINFOA& ti, CWnd* pWnd, UINT_PTR nIDTool, const char* text)
{
    ti = TOOLINFOA();
    ti.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every comctl32 version
    ti.hwnd = pWnd->m_hWnd;
    ti.uId = nIDTool;
    ti.lpszText = const_cast<char*>(text);
}

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle)
{
    INITCOMMONCONTROLSEX icc = { sizeof icc, ICC_WIN95_CLASSES };
    ::InitCommonControlsEx(&icc);
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
