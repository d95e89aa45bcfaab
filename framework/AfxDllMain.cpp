// The library's entry point. Only a library hosting an application object
// links this source.
#include "AfxDll.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved)
{
    return AfxDllMain(hInstance, dwReason, lpReserved);
}
