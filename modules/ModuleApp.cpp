#include "ModuleApp.h"

#include "AfxDll.h"

int ModuleSystem::StartSockets(WORD wVersionRequested, WSADATA* data)
{
    return ::WSAStartup(wVersionRequested, data);
}

int ModuleSystem::CleanupSockets()
{
    return ::WSACleanup();
}

int ModuleSystem::ShowMessage(const char* text, UINT type)
{
    return AfxMessageBox(text, type);
}

ModuleSystem& RealModuleSystem()
{
    static ModuleSystem real;
    return real;
}

BEGIN_MESSAGE_MAP(ModuleApp, CWinApp)
END_MESSAGE_MAP()

ModuleApp::ModuleApp(ModuleSystem& system) : m_system(system)
{
}

ModuleApp::~ModuleApp() = default;

BOOL ModuleApp::InitInstance()
{
    WSADATA data = {};
    bool started = m_system.StartSockets(MAKEWORD(1, 1), &data) == 0;
    if (started && (LOBYTE(data.wVersion) != 1 || HIBYTE(data.wVersion) != 1)) {
        // Only another version on offer: give it back.
        m_system.CleanupSockets();
        started = false;
    }
    if (!started) {
        CString text;
        text.LoadString(IDS_SOCKETS_INIT_FAILED);
        m_system.ShowMessage(text, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    m_bSocketsStarted = true;
    COleObjectFactory::RegisterAll();
    return TRUE;
}

int ModuleApp::ExitInstance()
{
    if (m_bSocketsStarted) {
        m_bSocketsStarted = false;
        // At process termination Windows Sockets may hang the exit; the
        // system reclaims everything anyway.
        if (!AfxDllProcessTerminating())
            m_system.CleanupSockets();
    }
    return CWinApp::ExitInstance();
}
