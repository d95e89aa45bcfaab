#include "PyroluxApp.h"

#include "FlatLookManager.h"
#include "PyroluxDlg.h"

BEGIN_MESSAGE_MAP(CPyroluxApp, CWinApp)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

// The one application object.
CPyroluxApp theApp;

BOOL CPyroluxApp::InitInstance()
{
    AfxEnableControlContainer();

    // Before any window exists, so every dialog of this thread is flat. If
    // the system refuses the hook, the dialogs keep the system's own look;
    // nothing else depends on it.
    GetFlatLookManager()->Install(FlatLookManager::CurrentThread, FlatLookManager::ModeDialogs);

    CPyroluxDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();

    // No message loop of our own: the program ends with its dialog. Workers
    // still running end with the process.
    return FALSE;
}
