// Linked with the framework's WinMain like the program. Exit code 0 means:
// the application was named after the module, InitInstance ran once and
// answered false, no message loop ran (it would wait for ever), and
// ExitInstance's code ended the process.
#include <cstring>

#include "Afx.h"

class EntryApp : public CWinApp {
public:
    int initCalls = 0;
    bool namedAfterModule = false;

    BOOL InitInstance() override
    {
        AfxEnableControlContainer();
        ++initCalls;
        namedAfterModule = m_pszAppName && std::strcmp(m_pszAppName, "framework_winmain_test") == 0;
        return FALSE;
    }
    int ExitInstance() override
    {
        return initCalls == 1 && namedAfterModule && AfxGetApp() == this ? 0 : 1;
    }
};

EntryApp theApp;
