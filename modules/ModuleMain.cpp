// One companion library: its application object and its three exports.
// Built twice, as MMX.dll and as SSE.dll.
#include <objbase.h>

#include "AfxDll.h"
#include "ModuleApp.h"

ModuleApp theApp;

STDAPI DllCanUnloadNow()
{
    return AfxDllCanUnloadNow();
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    return AfxDllGetClassObject(rclsid, riid, ppv);
}

STDAPI DllRegisterServer()
{
    return AfxDllRegisterServer();
}
