// The program's small dialog framework over USER32 and GDI32.
//
// Application object, windows with a handle-to-object map, message maps with
// reflection of child notifications, modal dialogs with data exchange, and
// thin wrappers for the few controls and GDI objects the program uses.
// Written in the familiar Afx/C-class style so dialog code reads as usual.
// Win32 only. Everything runs on the thread that owns the windows.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <map>

#include "CString.h"
#include "GdiOwners.h"

class CCmdTarget;
class CWnd;
class CDialog;
class CWinApp;

// ---------------------------------------------------------------------------
// Message maps

// Reflected messages arrive at a child's map under this offset.
#define WM_REFLECT_BASE 0xBC00
// The 16-bit colour query; all WM_CTLCOLOR* reflect under this number.
#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif
// Notification code of a menu or accelerator command.
#define CN_COMMAND 0
// The framework's Help command.
#define ID_HELP 0xE146

// Handler signatures a map entry can have.
enum AfxSig {
    AfxSig_end = 0,
    AfxSigCmd_v,      // void ()                   WM_COMMAND entries
    AfxSig_v_v,       // void ()                   WM_PAINT, WM_DESTROY
    AfxSig_i_P,       // int (LPCREATESTRUCTA)     WM_CREATE
    AfxSig_h_v,       // HCURSOR ()                WM_QUERYDRAGICON
    AfxSig_v_u_l,     // void (UINT, LPARAM)       WM_SYSCOMMAND
    AfxSig_v_up,      // void (UINT_PTR)           WM_TIMER
    AfxSig_b_W_u_u,   // BOOL (HWND, UINT, UINT)   WM_SETCURSOR
    AfxSig_v_u_p,     // void (UINT, CPoint)       mouse messages
    AfxSig_b_D,       // BOOL (HDC)                WM_ERASEBKGND
    AfxSig_hbr_D_u,   // HBRUSH (HDC, UINT)        reflected WM_CTLCOLOR*
    AfxSig_l_w_l,     // LRESULT (WPARAM, LPARAM)  ON_MESSAGE
};

typedef void (CCmdTarget::*AFX_PMSG)();

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;   // notification code (WM_COMMAND) or 0
    UINT nID;     // control id (WM_COMMAND) or 0
    UINT nLastID;
    AfxSig nSig;
    AFX_PMSG pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Stores a typed handler in an entry; the dispatcher casts it back to the
// same type (chosen by the entry's signature) before calling.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
template <typename F>
inline AFX_PMSG AfxMsgFn(F f) { return reinterpret_cast<AFX_PMSG>(f); }
template <typename F>
inline F AfxMsgFnAs(AFX_PMSG pfn) { return reinterpret_cast<F>(pfn); }
#pragma GCC diagnostic pop

#define DECLARE_MESSAGE_MAP() \
public: \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass) \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() \
    { \
        using ThisClass [[maybe_unused]] = theClass; \
        using TheBaseClass = baseClass; \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP() \
            { 0, 0, 0, 0, AfxSig_end, nullptr } \
        }; \
        static const AFX_MSGMAP messageMap = { &TheBaseClass::GetThisMessageMap, &_messageEntries[0] }; \
        return &messageMap; \
    }

#define AFX_WND_FN(type, fn) AfxMsgFn(static_cast<type>(&ThisClass::fn))

#define ON_COMMAND(id, memberFxn) \
    { WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(id), AfxSigCmd_v, \
      AfxMsgFn(static_cast<void (CCmdTarget::*)()>(memberFxn)) },
#define ON_CONTROL(code, id, memberFxn) \
    { WM_COMMAND, (UINT)(code), (UINT)(id), (UINT)(id), AfxSigCmd_v, \
      AfxMsgFn(static_cast<void (CCmdTarget::*)()>(memberFxn)) },
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_CONTROL_REFLECT(code, memberFxn) \
    { WM_COMMAND + WM_REFLECT_BASE, (UINT)(code), 0, 0, AfxSigCmd_v, \
      AfxMsgFn(static_cast<void (CCmdTarget::*)()>(memberFxn)) },
#define ON_WM_CTLCOLOR_REFLECT() \
    { WM_CTLCOLOR + WM_REFLECT_BASE, 0, 0, 0, AfxSig_hbr_D_u, \
      AFX_WND_FN(HBRUSH (CWnd::*)(HDC, UINT), CtlColor) },
#define ON_MESSAGE(message, memberFxn) \
    { (UINT)(message), 0, 0, 0, AfxSig_l_w_l, \
      AfxMsgFn(static_cast<LRESULT (CWnd::*)(WPARAM, LPARAM)>(memberFxn)) },

#define ON_WM_CREATE() \
    { WM_CREATE, 0, 0, 0, AfxSig_i_P, AFX_WND_FN(int (CWnd::*)(LPCREATESTRUCTA), OnCreate) },
#define ON_WM_DESTROY() \
    { WM_DESTROY, 0, 0, 0, AfxSig_v_v, AFX_WND_FN(void (CWnd::*)(), OnDestroy) },
#define ON_WM_PAINT() \
    { WM_PAINT, 0, 0, 0, AfxSig_v_v, AFX_WND_FN(void (CWnd::*)(), OnPaint) },
#define ON_WM_QUERYDRAGICON() \
    { WM_QUERYDRAGICON, 0, 0, 0, AfxSig_h_v, AFX_WND_FN(HCURSOR (CWnd::*)(), OnQueryDragIcon) },
#define ON_WM_SYSCOMMAND() \
    { WM_SYSCOMMAND, 0, 0, 0, AfxSig_v_u_l, AFX_WND_FN(void (CWnd::*)(UINT, LPARAM), OnSysCommand) },
#define ON_WM_TIMER() \
    { WM_TIMER, 0, 0, 0, AfxSig_v_up, AFX_WND_FN(void (CWnd::*)(UINT_PTR), OnTimer) },
#define ON_WM_SETCURSOR() \
    { WM_SETCURSOR, 0, 0, 0, AfxSig_b_W_u_u, AFX_WND_FN(BOOL (CWnd::*)(HWND, UINT, UINT), OnSetCursor) },
#define ON_WM_MOUSEMOVE() \
    { WM_MOUSEMOVE, 0, 0, 0, AfxSig_v_u_p, AFX_WND_FN(void (CWnd::*)(UINT, CPoint), OnMouseMove) },
#define ON_WM_ERASEBKGND() \
    { WM_ERASEBKGND, 0, 0, 0, AfxSig_b_D, AFX_WND_FN(BOOL (CWnd::*)(HDC), OnEraseBkgnd) },

#define afx_msg

// ---------------------------------------------------------------------------
// Small value types

struct CPoint : POINT {
    CPoint() { x = 0; y = 0; }
    CPoint(int ax, int ay) { x = ax; y = ay; }
};

struct CRect : RECT {
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// ---------------------------------------------------------------------------
// Command targets and windows

class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // Runs the handler of a WM_COMMAND entry; false when none matches.
    virtual BOOL OnCmdMsg(UINT nID, UINT nCode);

    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

protected:
    // The first entry of this class's map chain for message/code/id.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const;
};

// A non-owning menu handle (the system menu belongs to its window).
class CMenu {
public:
    HMENU m_hMenu = nullptr;
    HMENU GetSafeHmenu() const { return m_hMenu; }
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, const char* lpszNewItem = nullptr)
    { return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem); }
    UINT GetMenuItemCount() const { return static_cast<UINT>(::GetMenuItemCount(m_hMenu)); }
};

class CWnd : public CCmdTarget {
public:
    HWND m_hWnd = nullptr;

    CWnd() = default;
    ~CWnd() override;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The framework object bound to a window, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // Number of windows currently bound to objects on this thread.
    static size_t GetPermanentCount();

    // Binds this object to an existing window and routes its messages
    // through the message map; PreSubclassWindow runs first.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    // Restores the window's own procedure and unbinds; returns the window.
    HWND UnsubclassWindow();

    // Creates a window already bound to this object, so it sees its own
    // WM_NCCREATE and WM_CREATE.
    BOOL CreateEx(DWORD dwExStyle, const char* lpszClassName, const char* lpszWindowName,
                  DWORD dwStyle, int x, int y, int nWidth, int nHeight, HWND hWndParent,
                  HMENU nIDorHMenu);
    virtual BOOL DestroyWindow();

    virtual void PreSubclassWindow() {}
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // Called after WM_NCDESTROY, when the object no longer has a window.
    virtual void PostNcDestroy() {}

    // Passes the message being handled on to the window's own procedure.
    LRESULT Default();

    // Wrappers.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    { return ::SendMessageA(m_hWnd, message, wParam, lParam); }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    { return ::PostMessageA(m_hWnd, message, wParam, lParam); }
    void SetWindowText(const char* lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }
    void GetWindowText(CString& rString) const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_EXSTYLE)); }
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd);
    void SetFont(HFONT hFont, BOOL bRedraw = TRUE)
    { SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont), bRedraw); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon)
    { return reinterpret_cast<HICON>(SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL,
                                                 reinterpret_cast<LPARAM>(hIcon))); }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr)
    { return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer); }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
    void ClientToScreen(LPPOINT lpPoint) const { ::ClientToScreen(m_hWnd, lpPoint); }
    void ClientToScreen(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }
    void ScreenToClient(LPRECT lpRect) const;
    BOOL SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
    { return ::SetWindowPos(m_hWnd, hWndInsertAfter, x, y, cx, cy, nFlags); }
    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    void InvalidateRect(const RECT* lpRect, BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    // The window's system menu, or null when it has none.
    CMenu* GetSystemMenu(BOOL bRevert);

    // Handlers with default processing, for message maps of derived classes.
    afx_msg int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    afx_msg void OnDestroy() { Default(); }
    afx_msg void OnPaint() { Default(); }
    afx_msg HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg BOOL OnSetCursor(HWND hWnd, UINT nHitTest, UINT message);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg BOOL OnEraseBkgnd(HDC hDC);

    static const AFX_MSGMAP* GetThisMessageMap();
    const AFX_MSGMAP* GetMessageMap() const override;

protected:
    // Looks the message up in the map and runs its handler.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Runs this control's reflection entry for a parent's notification.
    BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    WNDPROC m_pfnSuper = nullptr;  // the window's procedure before binding

private:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK AfxCbtFilterHook(int, WPARAM, LPARAM);
    void Attach(HWND hWnd);
    void Detach();
    LRESULT CallHandler(const AFX_MSGMAP_ENTRY* entry, WPARAM wParam, LPARAM lParam);

    CMenu m_sysMenu;
};

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------
// Dialogs and data exchange

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;  // TRUE: controls -> members
    CWnd* m_pDlgWnd;
};

// Binds a control object to dialog item nIDC (once).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Moves text between a member and dialog item nIDC.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    CDialog(const DLGTEMPLATE* lpDialogTemplate, CWnd* pParentWnd);
    // Use an in-memory template instead of the resource.
    void InitModalIndirect(const DLGTEMPLATE* lpDialogTemplate, CWnd* pParentWnd = nullptr);

    // Shows the dialog and runs its modal loop; returns the value given to
    // EndDialog, or -1 when the dialog could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* /*pDX*/) {}
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnCmdMsg(UINT nID, UINT nCode) override;

    UINT m_nIDHelp = 0;

    DECLARE_MESSAGE_MAP()

protected:
    UINT m_nIDTemplate = 0;
    const DLGTEMPLATE* m_lpDialogTemplate = nullptr;
    CWnd* m_pParentWnd = nullptr;

private:
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
    HWND FindOwner() const;
    // Shows the dialog and dispatches messages until it ends.
    void RunModalLoop();
    BOOL m_bModalEnded = FALSE;
    int m_nModalResult = -1;
};

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------
// Controls

class CStatic : public CWnd {
public:
    HICON SetIcon(HICON hIcon)
    { return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(hIcon))); }
    HICON GetIcon() const { return reinterpret_cast<HICON>(SendMessage(STM_GETICON)); }
};

class CButton : public CWnd {
public:
    void SetCheck(int nCheck) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck)); }
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
};

class CProgressCtrl : public CWnd {
public:
    void SetRange(short nLower, short nUpper)
    { SendMessage(PBM_SETRANGE, 0, MAKELPARAM(nLower, nUpper)); }
    void GetRange(int& nLower, int& nUpper) const;
    int SetPos(int nPos) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(nPos))); }
    // PBM_GETPOS is COMCTL32 4.70; a zero PBM_DELTAPOS answers the position
    // on 4.00 as well.
    int GetPos() const { return static_cast<int>(SendMessage(PBM_DELTAPOS, 0)); }
    int SetStep(int nStep) { return static_cast<int>(SendMessage(PBM_SETSTEP, static_cast<WPARAM>(nStep))); }
    int StepIt() { return static_cast<int>(SendMessage(PBM_STEPIT)); }
};

class CToolTipCtrl : public CWnd {
public:
    // A tooltip pop-up owned by pParentWnd.
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = 0);
    BOOL AddTool(CWnd* pWnd, const char* lpszText, const RECT* lpRectTool, UINT_PTR nIDTool);
    void UpdateTipText(const char* lpszText, CWnd* pWnd, UINT_PTR nIDTool);
    // The text of tool nIDTool of pWnd (empty when there is none).
    CString GetText(CWnd* pWnd, UINT_PTR nIDTool) const;
    int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT)); }
    void RelayEvent(MSG* pMsg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(pMsg)); }
};

// ---------------------------------------------------------------------------
// GDI

class CFont : public OwnedFont {
public:
    BOOL CreateFontIndirect(const LOGFONTA* lpLogFont);
    // False when there was no font to delete.
    BOOL DeleteObject();
    int GetLogFont(LOGFONTA* pLogFont) const
    { return ::GetObjectA(Get(), sizeof(LOGFONTA), pLogFont); }
    HFONT GetSafeHandle() const { return Get(); }
};

// Paint DC of one WM_PAINT: BeginPaint in, EndPaint out.
class CPaintDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }

private:
    // EndPaint takes the window and the structure as BeginPaint filled it.
    HWND m_hWnd;
    PAINTSTRUCT m_ps;
    HDC m_hDC;
};

// Client-area DC: GetDC in, ReleaseDC out.
class CClientDC : public ClientDC {
public:
    explicit CClientDC(CWnd* pWnd, WindowDCSource source = SystemWindowDC)
        : ClientDC(pWnd->m_hWnd, source) {}
    HDC GetSafeHdc() const { return Get(); }
};

// ---------------------------------------------------------------------------
// Application

class CWinApp : public CCmdTarget {
public:
    // One static instance per module. With no name the framework uses the
    // module's file name without extension.
    explicit CWinApp(const char* lpszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }
    // The message loop, run when InitInstance succeeds.
    virtual int Run();

    afx_msg void OnHelp();

    // An icon resource of the module (shared; never destroyed).
    HICON LoadIcon(UINT nIDResource) const
    { return ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource)); }

    const char* m_pszAppName = nullptr;
    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;

    DECLARE_MESSAGE_MAP()

private:
    friend BOOL AfxWinInit(HINSTANCE);
    CString m_strAppName;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
// Sets up the application object for module hInstance (name, handles,
// common controls). Called by the entry points.
BOOL AfxWinInit(HINSTANCE hInstance);
// The program's entry: init, InitInstance, then Run or ExitInstance; the
// calling thread's state is released at the end.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
// Releases the calling thread's framework state (its window map, a creation
// hook left behind); while a window of the thread is still bound, or has
// AfxWndProc in its chain as a forwarder, the state stays, so its object
// finds it and the window's messages go on, and a later call frees it once
// the thread has ended. A thread that never used the framework has none and
// costs nothing. Called for every ending thread of a library
// by its thread detach, and for the program's user-interface thread by
// AfxWinMain; any other thread of a program that used windows of the
// framework calls it before it ends.
void AfxTermThread();
// Offers a message to the PreTranslateMessage of the window it is for and
// of that window's parents; true when one of them took it.
BOOL AfxPreTranslateMessage(MSG* pMsg);
// The program uses no embedded controls; kept as the usual start-up step.
void AfxEnableControlContainer();

// The common-control classes of COMCTL32. InitCommonControlsEx exists from
// COMCTL32 4.70 on (Internet Explorer 3, Windows 95 OSR2); Windows 95 and
// NT 4.0 as installed ship 4.00, whose InitCommonControls registers every
// class it has. The entry points are a parameter so tests can watch the
// choice; the default looks them up in the loaded COMCTL32.
struct CommonControlsEntry {
    BOOL(WINAPI* initEx)(const INITCOMMONCONTROLSEX*);  // null before 4.70
    void(WINAPI* init)();
};
CommonControlsEntry AfxCommonControlsEntry();
// FALSE when only the classes of COMCTL32 4.00 could be registered.
BOOL AfxInitCommonControls(DWORD dwClasses, const CommonControlsEntry& entry = AfxCommonControlsEntry());
// A message box owned by the main window, captioned with the app's name.
int AfxMessageBox(const char* lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = 0);
