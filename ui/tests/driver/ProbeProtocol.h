// What the end-to-end tests read from inside Pyrolux.exe.
//
// Wine refuses some questions across processes (GetSystemMenu, WM_GETICON,
// another process's CPU times), so a test loads pyrolux_probe.dll into the
// program's user-interface thread with a WH_GETMESSAGE hook. The hook counts
// the timer messages the main window retrieves and answers queries into a
// shared memory block.
#pragma once

#include <windows.h>

#define PROBE_SHARED_NAME "PyroluxProbeShared"
#define PROBE_QUERY_MESSAGE "PyroluxProbeQuery"
#define PROBE_HOOK_EXPORT "ProbeGetMessageHook"

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
    // Counted continuously while the hook is installed.
    LONG timerMessages;        // WM_TIMER retrieved for the main window
};
