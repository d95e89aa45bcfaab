// Command targets and windows bound to objects: message-map lookup, the
// handle map, subclassing, creation, dispatch and reflection of child
// notifications.
#include "Afx.h"
#include "AfxState.h"

#include <vector>

// ---------------------------------------------------------------------------
// CCmdTarget

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = { { 0, 0, 0, 0, AfxSig_end, nullptr } };
    static const AFX_MSGMAP messageMap = { nullptr, &entries[0] };
    return &messageMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const
{
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nSig != AfxSig_end; ++e) {
            if (e->nMessage == nMessage && e->nCode == nCode && nID >= e->nID && nID <= e->nLastID)
                return e;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, UINT nCode)
{
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_COMMAND, nCode, nID);
    if (!entry)
        return FALSE;
    (this->*entry->pfn)();
    return TRUE;
}

// ---------------------------------------------------------------------------
// Handle map

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    AfxThreadState* state = AfxFindThreadState();
    if (!state)
        return nullptr;
    auto it = state->windows.find(hWnd);
    return it == state->windows.end() ? nullptr : it->second;
}

size_t CWnd::GetPermanentCount()
{
    AfxThreadState* state = AfxFindThreadState();
    return state ? state->windows.size() : 0;
}

void CWnd::Attach(HWND hWnd)
{
    m_hWnd = hWnd;
    AfxGetThreadState().windows[hWnd] = this;
}

void CWnd::Detach()
{
    // An object that goes after its thread's state (a static one at exit)
    // has nothing left to unbind.
    AfxThreadState* state = AfxFindThreadState();
    if (m_hWnd && state)
        state->windows.erase(m_hWnd);
    m_hWnd = nullptr;
}

CWnd::~CWnd()
{
    // A main window object that goes (a dialog-based program's local main
    // dialog) must not stay the application's main window.
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this)
        app->m_pMainWnd = nullptr;
    // An object that goes before its window hands the window back to its
    // own procedure, so no message can reach a dead object.
    if (m_hWnd) {
        if (::IsWindow(m_hWnd))
            UnsubclassWindow();
        else
            Detach();
    }
}

// ---------------------------------------------------------------------------
// Subclassing and creation

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd))
        return FALSE;
    Attach(hWnd);
    PreSubclassWindow();
    m_pfnSuper = AfxGetThreadState().chain.Install(hWnd);
    if (!m_pfnSuper) {
        Detach();
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    if (!pParent)
        return FALSE;
    return SubclassWindow(::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID)));
}

HWND CWnd::UnsubclassWindow()
{
    HWND hWnd = m_hWnd;
    if (!hWnd)
        return nullptr;
    // Under another layer (the flat look's), AfxWndProc stays in the chain
    // and forwards to m_pfnSuper; on top, m_pfnSuper comes back.
    if (m_pfnSuper)
        AfxGetThreadState().chain.Remove(hWnd, m_pfnSuper);
    m_pfnSuper = nullptr;
    Detach();
    return hWnd;
}

// The CBT hook binds the first window created while an object waits for
// one, before that window receives any message.
LRESULT CALLBACK AfxCbtFilterHook(int code, WPARAM wParam, LPARAM lParam)
{
    AfxThreadState& state = AfxGetThreadState();
    if (code == HCBT_CREATEWND && state.pWndInit) {
        CWnd* pWnd = state.pWndInit;
        state.pWndInit = nullptr;
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        pWnd->Attach(hWnd);
        try {
            pWnd->PreSubclassWindow();
        } catch (...) {
            // Nothing may unwind through USER32; the window is bound anyway.
        }
        pWnd->m_pfnSuper = state.chain.Install(hWnd);
        if (!pWnd->m_pfnSuper)
            pWnd->Detach();  // its messages could not reach it
    }
    return ::CallNextHookEx(state.hHookCbt, code, wParam, lParam);
}

BOOL AfxHookWindowCreate(CWnd* pWnd)
{
    AfxThreadState& state = AfxGetThreadState();
    if (!state.hHookCbt)
        state.hHookCbt = ::SetWindowsHookExA(WH_CBT, &AfxCbtFilterHook, nullptr, ::GetCurrentThreadId());
    if (!state.hHookCbt)
        return FALSE;
    state.pWndInit = pWnd;
    return TRUE;
}

BOOL AfxUnhookWindowCreate()
{
    AfxThreadState* state = AfxFindThreadState();
    if (!state)
        return TRUE;
    if (state->hHookCbt) {
        ::UnhookWindowsHookEx(state->hHookCbt);
        state->hHookCbt = nullptr;
    }
    bool bound = state->pWndInit == nullptr;
    state->pWndInit = nullptr;
    return bound;
}

HWND AfxCreateBoundWindow(CWnd* pWnd, const CREATESTRUCTA& cs, BOOL (*hookCreation)(CWnd*))
{
    // Without the hook the window could not be bound: none is made.
    if (!hookCreation(pWnd))
        return nullptr;
    HWND hWnd = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName,
                                  static_cast<DWORD>(cs.style), cs.x, cs.y,
                                  cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance,
                                  cs.lpCreateParams);
    AfxUnhookWindowCreate();
    if (hWnd && CWnd::FromHandlePermanent(hWnd) != pWnd) {
        // Made but not bound: no message of it would reach the object.
        ::DestroyWindow(hWnd);
        return nullptr;
    }
    return hWnd;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, const char* lpszClassName, const char* lpszWindowName,
                    DWORD dwStyle, int x, int y, int nWidth, int nHeight, HWND hWndParent,
                    HMENU nIDorHMenu)
{
    if (m_hWnd)
        return FALSE;
    CREATESTRUCTA cs = {};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = static_cast<LONG>(dwStyle);
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    return AfxCreateBoundWindow(this, cs) != nullptr;
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    HWND hWnd = m_hWnd;
    BOOL bound = FromHandlePermanent(hWnd) == this;
    BOOL result = ::DestroyWindow(hWnd);
    // A window we never bound (or one that refused to go) is let go here.
    if (!bound && m_hWnd == hWnd)
        m_hWnd = nullptr;
    return result;
}

// ---------------------------------------------------------------------------
// The window procedure of every bound window

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd) {
        // The object left while another layer stayed above: forward.
        if (AfxThreadState* state = AfxFindThreadState())
            return state->chain.Forward(hWnd, message, wParam, lParam);
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    }

    AfxThreadState& state = AfxGetThreadState();
    MSG previous = state.lastSent;
    state.lastSent.hwnd = hWnd;
    state.lastSent.message = message;
    state.lastSent.wParam = wParam;
    state.lastSent.lParam = lParam;

    LRESULT result = 0;
    bool thrown = false;
    try {
        result = pWnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through USER32.
        thrown = true;
    }
    if (thrown) {
        // The message gets its default processing instead: a plain 0 would,
        // for one, abort the window's creation at WM_NCCREATE.
        try {
            result = CWnd::FromHandlePermanent(hWnd) == pWnd
                         ? pWnd->DefWindowProc(message, wParam, lParam)
                         : ::DefWindowProcA(hWnd, message, wParam, lParam);
        } catch (...) {
            result = 0;
        }
    }

    if (message == WM_NCDESTROY && CWnd::FromHandlePermanent(hWnd) == pWnd) {
        // The window is gone: give it back its own procedure, forget it.
        pWnd->UnsubclassWindow();
        pWnd->PostNcDestroy();
    }
    if (message == WM_NCDESTROY)
        state.chain.Forget(hWnd);
    state.lastSent = previous;
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG& msg = AfxGetThreadState().lastSent;
    return DefWindowProc(msg.message, msg.wParam, msg.lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

static bool IsCtlColor(UINT message)
{
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *pResult = 0;
        return TRUE;
    }
    if (IsCtlColor(message) && lParam) {
        // The control may colour itself.
        CWnd* pChild = FromHandlePermanent(reinterpret_cast<HWND>(lParam));
        if (pChild && pChild != this && pChild->OnChildNotify(message, wParam, lParam, pResult))
            return TRUE;
    }
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, 0, 0);
    if (!entry)
        return FALSE;
    *pResult = CallHandler(entry, wParam, lParam);
    return TRUE;
}

LRESULT CWnd::CallHandler(const AFX_MSGMAP_ENTRY* entry, WPARAM wParam, LPARAM lParam)
{
    switch (entry->nSig) {
    case AfxSigCmd_v:
        (this->*entry->pfn)();
        return 0;
    case AfxSig_v_v:
        (this->*AfxMsgFnAs<void (CWnd::*)()>(entry->pfn))();
        return 0;
    case AfxSig_i_P:
        return (this->*AfxMsgFnAs<int (CWnd::*)(LPCREATESTRUCTA)>(entry->pfn))(
            reinterpret_cast<LPCREATESTRUCTA>(lParam));
    case AfxSig_h_v:
        return reinterpret_cast<LRESULT>(
            (this->*AfxMsgFnAs<HCURSOR (CWnd::*)()>(entry->pfn))());
    case AfxSig_v_u_l:
        (this->*AfxMsgFnAs<void (CWnd::*)(UINT, LPARAM)>(entry->pfn))(
            static_cast<UINT>(wParam), lParam);
        return 0;
    case AfxSig_v_up:
        (this->*AfxMsgFnAs<void (CWnd::*)(UINT_PTR)>(entry->pfn))(wParam);
        return 0;
    case AfxSig_b_W_u_u:
        return (this->*AfxMsgFnAs<BOOL (CWnd::*)(HWND, UINT, UINT)>(entry->pfn))(
            reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
    case AfxSig_v_u_p:
        (this->*AfxMsgFnAs<void (CWnd::*)(UINT, CPoint)>(entry->pfn))(
            static_cast<UINT>(wParam),
            CPoint(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))));
        return 0;
    case AfxSig_b_D:
        return (this->*AfxMsgFnAs<BOOL (CWnd::*)(HDC)>(entry->pfn))(
            reinterpret_cast<HDC>(wParam));
    case AfxSig_hbr_D_u:
        // Only reached through reflection, see ReflectChildNotify.
        return 0;
    case AfxSig_l_w_l:
        return (this->*AfxMsgFnAs<LRESULT (CWnd::*)(WPARAM, LPARAM)>(entry->pfn))(wParam, lParam);
    case AfxSig_end:
        break;
    }
    return 0;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT nID = LOWORD(wParam);
    UINT nCode = HIWORD(wParam);
    HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
    if (hWndCtrl) {
        // A control notification goes to the control first.
        CWnd* pChild = FromHandlePermanent(hWndCtrl);
        LRESULT result = 0;
        if (pChild && pChild != this && pChild->OnChildNotify(WM_COMMAND, wParam, lParam, &result))
            return TRUE;
    } else {
        nCode = CN_COMMAND;  // menu or accelerator
    }
    return OnCmdMsg(nID, nCode);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM, LRESULT* pResult)
{
    if (message == WM_COMMAND) {
        const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_REFLECT_BASE + WM_COMMAND, HIWORD(wParam), 0);
        if (!entry)
            return FALSE;
        (this->*entry->pfn)();
        *pResult = 0;
        return TRUE;
    }
    if (IsCtlColor(message)) {
        const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0);
        if (!entry)
            return FALSE;
        HBRUSH brush = (this->*AfxMsgFnAs<HBRUSH (CWnd::*)(HDC, UINT)>(entry->pfn))(
            reinterpret_cast<HDC>(wParam), message - WM_CTLCOLORMSGBOX);
        if (!brush)
            return FALSE;  // the parent decides after all
        *pResult = reinterpret_cast<LRESULT>(brush);
        return TRUE;
    }
    return FALSE;
}

// ---------------------------------------------------------------------------
// Default handlers and wrappers

const AFX_MSGMAP* CWnd::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = { { 0, 0, 0, 0, AfxSig_end, nullptr } };
    static const AFX_MSGMAP messageMap = { &CCmdTarget::GetThisMessageMap, &entries[0] };
    return &messageMap;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const
{
    return GetThisMessageMap();
}

int CWnd::OnCreate(LPCREATESTRUCTA)
{
    return static_cast<int>(Default());
}

void CWnd::OnSysCommand(UINT, LPARAM)
{
    Default();
}

void CWnd::OnTimer(UINT_PTR)
{
    Default();
}

BOOL CWnd::OnSetCursor(HWND, UINT, UINT)
{
    return static_cast<BOOL>(Default());
}

void CWnd::OnMouseMove(UINT, CPoint)
{
    Default();
}

BOOL CWnd::OnEraseBkgnd(HDC)
{
    return static_cast<BOOL>(Default());
}

CString AfxGetWindowText(HWND hWnd)
{
    int length = ::GetWindowTextLengthA(hWnd);
    std::vector<char> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1);
    int got = ::GetWindowTextA(hWnd, buffer.data(), static_cast<int>(buffer.size()));
    return CString(buffer.data(), got > 0 ? got : 0);
}

void CWnd::GetWindowText(CString& rString) const
{
    rString = AfxGetWindowText(m_hWnd);
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd)
{
    DWORD style = GetStyle();
    DWORD newStyle = (style & ~dwRemove) | dwAdd;
    if (style == newStyle)
        return FALSE;
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(newStyle));
    return TRUE;
}

void CWnd::ClientToScreen(LPRECT lpRect) const
{
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CWnd::ScreenToClient(LPRECT lpRect) const
{
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(lpRect), 2);
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert)
{
    HMENU hMenu = ::GetSystemMenu(m_hWnd, bRevert);
    if (!hMenu)
        return nullptr;
    m_sysMenu.m_hMenu = hMenu;
    return &m_sysMenu;
}
