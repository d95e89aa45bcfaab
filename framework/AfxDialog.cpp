// Modal dialogs with their own loop, and data exchange.
#include "Afx.h"
#include "AfxState.h"

// ---------------------------------------------------------------------------
// Data exchange

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (!rControl.m_hWnd)
        rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd);
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hWndCtrl = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
    if (!hWndCtrl)
        return;
    if (pDX->m_bSaveAndValidate) {
        value = AfxGetWindowText(hWndCtrl);
    } else if (AfxGetWindowText(hWndCtrl) != value) {
        // Only a changed text is set: the main dialog transfers its texts at
        // every timer tick, and resetting a static repaints it (flicker).
        ::SetWindowTextA(hWndCtrl, value);
    }
}

// ---------------------------------------------------------------------------
// CDialog

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

CDialog::CDialog(const DLGTEMPLATE* lpDialogTemplate, CWnd* pParentWnd)
    : m_lpDialogTemplate(lpDialogTemplate), m_pParentWnd(pParentWnd)
{
}

void CDialog::InitModalIndirect(const DLGTEMPLATE* lpDialogTemplate, CWnd* pParentWnd)
{
    m_lpDialogTemplate = lpDialogTemplate;
    m_pParentWnd = pParentWnd;
}

HWND CDialog::FindOwner() const
{
    HWND hOwner = nullptr;
    if (m_pParentWnd && m_pParentWnd->m_hWnd)
        hOwner = m_pParentWnd->m_hWnd;
    else if (AfxGetMainWnd() && AfxGetMainWnd() != this)
        hOwner = AfxGetMainWnd()->m_hWnd;
    if (hOwner && !::IsWindow(hOwner))
        hOwner = nullptr;
    // A dialog is owned by a top-level window, never by a child: climb the
    // parents, not the owners (GetAncestor's GA_ROOT, which NT 4.0 lacks).
    // A child of the desktop is top-level: its parent, the desktop, is no
    // owner to disable.
    HWND hDesktop = ::GetDesktopWindow();
    if (hOwner == hDesktop)
        return nullptr;
    while (hOwner && (::GetWindowLongA(hOwner, GWL_STYLE) & WS_CHILD)) {
        HWND hParent = ::GetParent(hOwner);
        if (!hParent || hParent == hDesktop)
            break;
        hOwner = hParent;
    }
    return hOwner;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd)
        return -1;
    HINSTANCE hInst = AfxGetResourceHandle();
    const DLGTEMPLATE* lpTemplate = m_lpDialogTemplate;
    if (!lpTemplate) {
        HRSRC hResource = ::FindResourceA(hInst, MAKEINTRESOURCEA(m_nIDTemplate),
                                          reinterpret_cast<LPCSTR>(RT_DIALOG));
        HGLOBAL hGlobal = hResource ? ::LoadResource(hInst, hResource) : nullptr;
        lpTemplate = hGlobal ? static_cast<const DLGTEMPLATE*>(::LockResource(hGlobal)) : nullptr;
        if (!lpTemplate)
            return -1;
    }

    HWND hOwner = FindOwner();
    BOOL bOwnerDisabled = FALSE;
    if (hOwner && ::IsWindowEnabled(hOwner)) {
        ::EnableWindow(hOwner, FALSE);
        bOwnerDisabled = TRUE;
    }

    m_bModalEnded = FALSE;
    m_nModalResult = -1;
    // Without the creation hook the dialog could not be bound: none is made.
    HWND hWnd = AfxHookWindowCreate(this)
                    ? ::CreateDialogIndirectParamA(hInst, lpTemplate, hOwner, &AfxDlgProc, 0)
                    : nullptr;
    AfxUnhookWindowCreate();

    if (hWnd && m_hWnd == hWnd && !m_bModalEnded)
        RunModalLoop();

    // The owner comes back before the dialog goes, so the activation
    // returns to it rather than to some other program.
    if (bOwnerDisabled)
        ::EnableWindow(hOwner, TRUE);
    if (hWnd && ::IsWindow(hWnd)) {
        if (hOwner && ::GetActiveWindow() == hWnd)
            ::SetActiveWindow(hOwner);
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        ::DestroyWindow(hWnd);
    }
    if (!hWnd)
        return -1;
    return m_nModalResult;
}

void CDialog::RunModalLoop()
{
    if (!(GetStyle() & WS_VISIBLE))
        ShowWindow(SW_SHOWNORMAL);
    MSG msg;
    while (!m_bModalEnded && m_hWnd) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1)
            break;
        if (got == 0) {
            // Keep the quit request for the loop outside.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    m_bModalEnded = TRUE;
    if (m_hWnd)
        PostMessage(WM_NULL);  // wakes the modal loop
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    if (!m_hWnd)
        return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    // Keyboard navigation, Enter and Esc as every dialog has them.
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST)
        return ::IsDialogMessageA(m_hWnd, pMsg);
    return FALSE;
}

BOOL CDialog::OnCmdMsg(UINT nID, UINT nCode)
{
    if (CWnd::OnCmdMsg(nID, nCode))
        return TRUE;
    // Commands the dialog does not handle go on to the application.
    CWinApp* app = AfxGetApp();
    return app ? app->OnCmdMsg(nID, nCode) : FALSE;
}

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    // Every other message is handled by the dialog's window procedure
    // (AfxWndProc) before the dialog manager passes it here.
    if (message != WM_INITDIALOG)
        return FALSE;
    CDialog* pDlg = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
    if (!pDlg)
        return TRUE;
    try {
        return pDlg->OnInitDialog();
    } catch (...) {
        return TRUE;
    }
}
