// pyrolux_probe.dll: loaded into Pyrolux.exe by a test's WH_GETMESSAGE hook.
#include "ProbeProtocol.h"

namespace {

HINSTANCE g_module;
UINT g_queryMessage;

ProbeShared* OpenShared()
{
    static ProbeShared* shared;
    if (!shared) {
        HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, PROBE_SHARED_NAME);
        if (mapping)
            shared = static_cast<ProbeShared*>(
                MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(ProbeShared)));
    }
    return shared;
}

void Answer(HWND window, ProbeShared* shared)
{
    HMENU menu = GetSystemMenu(window, FALSE);
    int count = menu ? GetMenuItemCount(menu) : -1;
    shared->menuItemCount = count;
    shared->lastItemText[0] = '\0';
    if (count >= 2) {
        MENUITEMINFOA item = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
        item.dwTypeData = shared->lastItemText;
        item.cch = sizeof shared->lastItemText;
        GetMenuItemInfoA(menu, count - 1, TRUE, &item);
        shared->lastItemId = item.wID;
        shared->lastItemType = item.fType;
        MENUITEMINFOA before = {};
        before.cbSize = sizeof before;
        before.fMask = MIIM_FTYPE;
        GetMenuItemInfoA(menu, count - 2, TRUE, &before);
        shared->beforeLastItemType = before.fType;
    }
    HICON big = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0));
    HICON small = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0));
    HICON own = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128));
    shared->bigIconMatches = big != nullptr && big == own;
    shared->smallIconMatches = small != nullptr && small == own;
    FILETIME created, exited;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &shared->uiKernelTime,
                   &shared->uiUserTime);
    shared->uiThreadPriority = GetThreadPriority(GetCurrentThread());
    GetModuleFileNameA(nullptr, shared->modulePath, sizeof shared->modulePath);
    ReadSystemVersion(&shared->system);
    InterlockedIncrement(&shared->queries);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeGetMessageHook(int code, WPARAM wParam,
                                                                      LPARAM lParam)
{
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (ProbeShared* shared = OpenShared()) {
            if (msg->message == WM_TIMER && msg->hwnd && GetParent(msg->hwnd) == nullptr)
                InterlockedIncrement(&shared->timerMessages);
            else if (msg->message == g_queryMessage && msg->hwnd)
                Answer(msg->hwnd, shared);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer()
{
    ProbeShared* shared = OpenShared();
    if (!shared)
        return E_FAIL;
    ReadSystemVersion(&shared->registrar);
    InterlockedIncrement(&shared->registrations);
    return S_OK;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = module;
        g_queryMessage = RegisterWindowMessageA(PROBE_QUERY_MESSAGE);
    }
    return TRUE;
}
