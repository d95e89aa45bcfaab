// The library's entry point. Only a library hosting an application object
// links this source.
#include "AfxDll.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved)
{
    return AfxDllMain(hInstance, dwReason, lpReserved);
}

// No TLS directory: Windows 95 refuses to load a library that has one
// (LoadLibrary fails with ERROR_DLL_INIT_FAILED). The C runtime's start-up
// files would add one for their thread clean-up, run as TLS callbacks: the
// destructors registered for thread keys (libgcc's emulated thread-local
// data, among it the C++ runtime's per-thread exception state) for each
// ending thread. Defining the hook they look for keeps their object out;
// the same clean-up then runs from DllEntryPoint, which the start-up code
// calls before the static constructors on attach and after DllMain on
// detach, as the callbacks ran.
extern "C" {
extern const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback;
const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback = nullptr;

BOOL __mingw_TLScallback(HANDLE hDllHandle, DWORD dwReason, LPVOID lpReserved);

BOOL WINAPI DllEntryPoint(HANDLE hDllHandle, DWORD dwReason, LPVOID lpReserved)
{
    // The callbacks passed on the process attach (which readies the key
    // list) and both detaches (which run the destructors), not the thread
    // attach.
    if (dwReason != DLL_THREAD_ATTACH)
        __mingw_TLScallback(hDllHandle, dwReason, lpReserved);
    return TRUE;
}
}
