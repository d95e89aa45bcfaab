// ModuleApp: the application object of the MMX and SSE companion
// libraries. Loading a library starts Windows Sockets 1.1; a library that
// cannot have them refuses to load after telling the user.
#pragma once

#include <winsock.h>

#include "Afx.h"

#define IDS_SOCKETS_INIT_FAILED 101

// The calls the start-up makes; the default members are the real ones.
class ModuleSystem {
public:
    virtual ~ModuleSystem() = default;
    virtual int StartSockets(WORD wVersionRequested, WSADATA* data);  // WSAStartup
    virtual int CleanupSockets();                                     // WSACleanup
    virtual int ShowMessage(const char* text, UINT type);             // AfxMessageBox
};

ModuleSystem& RealModuleSystem();

class ModuleApp : public CWinApp {
public:
    // No name of its own: the framework names it after the library file.
    explicit ModuleApp(ModuleSystem& system = RealModuleSystem());
    ~ModuleApp() override;

    BOOL InitInstance() override;
    // Balances a successful sockets start-up when the library is unloaded
    // (not when the process terminates).
    int ExitInstance() override;

    DECLARE_MESSAGE_MAP()

private:
    ModuleSystem& m_system;
    bool m_bSocketsStarted = false;
};
