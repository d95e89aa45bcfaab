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

    // Before any window exists, so every dialog of this thread is flat.
    GetFlatLookManager()->Install(FlatLookManager::CurrentThread, FlatLookManager::ModeDialogs);

    CPyroluxDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();

    // No message loop of our own: the program ends with its dialog. Workers
    // still running end with the process.
    return FALSE;
}
