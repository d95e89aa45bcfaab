// What the end-to-end tests read from inside Pyrolux.exe.
//
// Wine refuses some questions across processes (GetSystemMenu, WM_GETICON,
// another process's CPU times), so a test loads pyrolux_probe.dll into the
// program's user-interface thread with a WH_GETMESSAGE hook. The hook counts
// the timer messages the main window retrieves and answers queries into a
// shared memory block. A registration tool that registers the probe reports
// the system version it sees into the same block.
#pragma once

#include <windows.h>

#define PROBE_SHARED_NAME "PyroluxProbeShared"
#define PROBE_QUERY_MESSAGE "PyroluxProbeQuery"
#define PROBE_HOOK_EXPORT "ProbeGetMessageHook"

// How the system describes itself to a process. Wine reports the Windows
// version that its settings give for the program.
struct SystemVersionReport {
    DWORD version;       // GetVersion(); the high bit set on Windows 9x
    DWORD platformId;    // VER_PLATFORM_WIN32_WINDOWS or VER_PLATFORM_WIN32_NT
    DWORD majorVersion;
    DWORD minorVersion;
};

inline void ReadSystemVersion(SystemVersionReport* report)
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    report->version = GetVersion();
    report->platformId = info.dwPlatformId;
    report->majorVersion = info.dwMajorVersion;
    report->minorVersion = info.dwMinorVersion;
}

struct ProbeShared {
    // Filled on every query.
    LONG queries;              // number of queries answered
    LONG menuItemCount;        // GetMenuItemCount of the system menu
    UINT lastItemId;           // id of the last system-menu item
    UINT lastItemType;         // MFT_* of the last item
    UINT beforeLastItemType;   // MFT_* of the item before it
    char lastItemText[64];
    BOOL bigIconMatches;       // WM_GETICON ICON_BIG is the program's icon 128
    BOOL smallIconMatches;     // the same for ICON_SMALL
    FILETIME uiKernelTime;     // GetThreadTimes of the user-interface thread
    FILETIME uiUserTime;
    int uiThreadPriority;
    char modulePath[MAX_PATH]; // the program's file
    SystemVersionReport system;
    // Counted continuously while the hook is installed.
    LONG timerMessages;        // WM_TIMER retrieved for the main window
    // Filled when a registration tool (regsvr32) calls the probe's
    // DllRegisterServer: the system version that tool was given.
    LONG registrations;
    SystemVersionReport registrar;
};
