#pragma once

#include "Afx.h"
#include "AfxDll.h"

#define ID_TEST_APP_COMMAND 0x7F01

class TestApp : public CWinApp {
public:
    BOOL InitInstance() override { ++initCalls; return initResult; }
    int ExitInstance() override
    {
        ++exitCalls;
        terminatingAtExit = AfxDllProcessTerminating();
        return 42;
    }
    afx_msg void OnAppCommand() { ++appCommands; }

    BOOL initResult = FALSE;
    int initCalls = 0;
    int exitCalls = 0;
    BOOL terminatingAtExit = FALSE;
    int appCommands = 0;

    DECLARE_MESSAGE_MAP()
};

extern TestApp theApp;
