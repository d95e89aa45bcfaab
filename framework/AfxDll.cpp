#include "AfxDll.h"

#include "AfxState.h"

namespace {

// The factory list and the two counts belong to the module this code is
// linked into.
COleObjectFactory* g_pFirstFactory = nullptr;
LONG g_nObjectCount = 0;
LONG g_nLockCount = 0;
bool g_bAttached = false;
bool g_bProcessTerminating = false;

CRITICAL_SECTION& GlobalLock()
{
    static struct Lock {
        CRITICAL_SECTION cs;
        Lock() { ::InitializeCriticalSection(&cs); }
        ~Lock() { ::DeleteCriticalSection(&cs); }
    } lock;
    return lock.cs;
}

}  // namespace

void AfxLockGlobals()
{
    ::EnterCriticalSection(&GlobalLock());
}

void AfxUnlockGlobals()
{
    ::LeaveCriticalSection(&GlobalLock());
}

void AfxOleLockApp()
{
    ::InterlockedIncrement(&g_nObjectCount);
}

void AfxOleUnlockApp()
{
    ::InterlockedDecrement(&g_nObjectCount);
}

void AfxOleLockServer(BOOL bLock)
{
    if (bLock)
        ::InterlockedIncrement(&g_nLockCount);
    else
        ::InterlockedDecrement(&g_nLockCount);
}

// ---------------------------------------------------------------------------
// Class factories

COleObjectFactory::COleObjectFactory(REFCLSID clsid) : m_clsid(clsid)
{
    AfxLockGlobals();
    m_pNextFactory = g_pFirstFactory;
    g_pFirstFactory = this;
    AfxUnlockGlobals();
}

COleObjectFactory::~COleObjectFactory()
{
    AfxLockGlobals();
    for (COleObjectFactory** link = &g_pFirstFactory; *link; link = &(*link)->m_pNextFactory) {
        if (*link == this) {
            *link = m_pNextFactory;
            break;
        }
    }
    AfxUnlockGlobals();
}

BOOL COleObjectFactory::RegisterAll()
{
    BOOL all = TRUE;
    AfxLockGlobals();
    for (COleObjectFactory* f = g_pFirstFactory; f; f = f->m_pNextFactory)
        all = f->Register() && all;
    AfxUnlockGlobals();
    return all;
}

BOOL COleObjectFactory::UpdateRegistryAll(BOOL bRegister)
{
    BOOL all = TRUE;
    AfxLockGlobals();
    for (COleObjectFactory* f = g_pFirstFactory; f; f = f->m_pNextFactory)
        all = f->UpdateRegistry(bRegister) && all;
    AfxUnlockGlobals();
    return all;
}

// ---------------------------------------------------------------------------
// The exports' bodies

HRESULT AfxDllCanUnloadNow()
{
    if (g_nObjectCount != 0 || g_nLockCount != 0)
        return S_FALSE;
    HRESULT hr = S_OK;
    AfxLockGlobals();
    for (COleObjectFactory* f = g_pFirstFactory; f; f = f->m_pNextFactory) {
        if (f->GetRefCount() > 1) {
            hr = S_FALSE;
            break;
        }
    }
    AfxUnlockGlobals();
    return hr;
}

HRESULT AfxDllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    HRESULT hr = CLASS_E_CLASSNOTAVAILABLE;
    AfxLockGlobals();
    for (COleObjectFactory* f = g_pFirstFactory; f; f = f->m_pNextFactory) {
        if (IsEqualCLSID(f->m_clsid, rclsid)) {
            hr = f->GetClassObject(riid, ppv);
            break;
        }
    }
    AfxUnlockGlobals();
    return hr;
}

HRESULT AfxDllRegisterServer()
{
    // Whatever a factory reports, registration counts as done.
    COleObjectFactory::UpdateRegistryAll(TRUE);
    return S_OK;
}

// ---------------------------------------------------------------------------
// Entry steps

void AfxWinTerm()
{
    AfxTermThread();
    AfxFreeThreadStateSlot();
    AfxSetResourceHandle(nullptr);
}

BOOL AfxDllProcessTerminating()
{
    return g_bProcessTerminating;
}

BOOL AfxDllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved)
{
    switch (dwReason) {
    case DLL_PROCESS_ATTACH: {
        if (!AfxWinInit(hInstance)) {
            AfxWinTerm();
            return FALSE;
        }
        CWinApp* app = AfxGetApp();
        BOOL started = FALSE;
        try {
            started = app->InitInstance();
        } catch (...) {
            started = FALSE;
        }
        if (!started) {
            try {
                app->ExitInstance();
            } catch (...) {
            }
            AfxWinTerm();
            return FALSE;
        }
        g_bAttached = true;
        return TRUE;
    }
    case DLL_THREAD_DETACH:
        AfxTermThread();
        return TRUE;
    case DLL_PROCESS_DETACH:
        // The loader also sends this after a refused attach: the exit step
        // has run then already.
        if (g_bAttached) {
            g_bAttached = false;
            g_bProcessTerminating = lpReserved != nullptr;
            if (CWinApp* app = AfxGetApp()) {
                try {
                    app->ExitInstance();
                } catch (...) {
                }
            }
            AfxWinTerm();
            g_bProcessTerminating = false;
        }
        return TRUE;
    default:
        return TRUE;
    }
}
