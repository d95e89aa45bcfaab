// The application object, the entry steps shared by programs and libraries,
// the program's entry and its message loop.
#include "Afx.h"

#include <cstring>

static CWinApp* g_pApp = nullptr;

// ---------------------------------------------------------------------------
// CWinApp

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* lpszAppName)
{
    if (lpszAppName) {
        m_strAppName = lpszAppName;
        m_pszAppName = m_strAppName;
    }
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

void CWinApp::OnHelp()
{
    // No help file ships with this program: the command is accepted and
    // nothing is shown.
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

CWnd* AfxGetMainWnd()
{
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetInstanceHandle()
{
    if (g_pApp && g_pApp->m_hInstance)
        return g_pApp->m_hInstance;
    return AfxGetResourceHandle();
}

// The file name of a module without folder and extension ("MMX" for
// C:\x\MMX.DLL).
static CString ModuleBaseName(HINSTANCE hInstance)
{
    char path[MAX_PATH + 1] = {};
    DWORD length = ::GetModuleFileNameA(hInstance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return CString();
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    const char* dot = std::strrchr(name, '.');
    return dot ? CString(name, static_cast<int>(dot - name)) : CString(name);
}

BOOL AfxWinInit(HINSTANCE hInstance)
{
    AfxSetResourceHandle(hInstance);
    CWinApp* app = AfxGetApp();
    if (!app)
        return FALSE;
    app->m_hInstance = hInstance;
    if (!app->m_pszAppName) {
        app->m_strAppName = ModuleBaseName(hInstance);
        app->m_pszAppName = app->m_strAppName;
    }
    return TRUE;
}

void AfxEnableControlContainer()
{
    // Dialogs of this program hold only standard and common controls, so
    // there is no container to set up.
}

int AfxMessageBox(const char* lpszText, UINT nType, UINT)
{
    // Owned by the thread's active window (a modal dialog may be up), else
    // by the main window.
    HWND hOwner = ::GetActiveWindow();
    if (!hOwner && AfxGetMainWnd())
        hOwner = AfxGetMainWnd()->m_hWnd;
    const char* caption = g_pApp ? g_pApp->m_pszAppName : nullptr;
    return ::MessageBoxA(hOwner, lpszText, caption, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString text;
    text.LoadString(nIDPrompt);
    return AfxMessageBox(text, nType, nIDHelp);
}

// ---------------------------------------------------------------------------
// The program's entry

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    CWinApp* app = AfxGetApp();
    if (!app || !AfxWinInit(hInstance))
        return -1;
    AfxInitCommonControls(ICC_WIN95_CLASSES);
    int code = -1;
    try {
        if (!app->InitInstance()) {
            // A dialog-based program ends here, once its dialog has closed.
            if (app->m_pMainWnd && app->m_pMainWnd->m_hWnd)
                app->m_pMainWnd->DestroyWindow();
            code = app->ExitInstance();
        } else {
            code = app->Run();
        }
    } catch (...) {
        code = -1;
    }
    AfxTermThread();
    return code;
}

// ---------------------------------------------------------------------------
// Message pre-filter and the program's loop

BOOL AfxPreTranslateMessage(MSG* pMsg)
{
    // The window the message is for, then its parents up to the top-level
    // window, each get a look before it is dispatched.
    for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
        if (pWnd && pWnd->PreTranslateMessage(pMsg))
            return TRUE;
        if (!(::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD))
            break;
    }
    return FALSE;
}

int CWinApp::Run()
{
    MSG msg;
    for (;;) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return ExitInstance();
}
