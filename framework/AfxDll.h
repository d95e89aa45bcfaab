// The framework's support for a library that hosts an application object:
// the entry steps driven by DllMain, and the module's list of component
// class factories behind the three self-registration exports.
#pragma once

#include <objbase.h>

#include "Afx.h"

// A component class factory of the module. Constructing one adds it to the
// module's list, destroying it removes it. This program defines none; the
// exports walk the (empty) list all the same.
class COleObjectFactory {
public:
    explicit COleObjectFactory(REFCLSID clsid);
    virtual ~COleObjectFactory();
    COleObjectFactory(const COleObjectFactory&) = delete;
    COleObjectFactory& operator=(const COleObjectFactory&) = delete;

    // Makes the class object known to the system as running.
    virtual BOOL Register() { return TRUE; }
    // Writes (or removes) the class's registry entries.
    virtual BOOL UpdateRegistry(BOOL bRegister) = 0;
    // Hands out the class object's interface riid.
    virtual HRESULT GetClassObject(REFIID riid, void** ppv) = 0;
    // References currently held on the class object.
    virtual ULONG GetRefCount() const = 0;

    const CLSID& GetClassID() const { return m_clsid; }

    // Walk the module's list under the global lock.
    static BOOL RegisterAll();
    static BOOL UpdateRegistryAll(BOOL bRegister = TRUE);

private:
    friend HRESULT AfxDllCanUnloadNow();
    friend HRESULT AfxDllGetClassObject(REFCLSID, REFIID, LPVOID*);
    CLSID m_clsid;
    COleObjectFactory* m_pNextFactory = nullptr;
};

// The framework's global lock.
void AfxLockGlobals();
void AfxUnlockGlobals();

// Live objects and server locks of the module; while either is counted the
// module cannot be unloaded.
void AfxOleLockApp();
void AfxOleUnlockApp();
void AfxOleLockServer(BOOL bLock);

// The bodies of DllCanUnloadNow, DllGetClassObject and DllRegisterServer.
HRESULT AfxDllCanUnloadNow();
HRESULT AfxDllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
HRESULT AfxDllRegisterServer();

// The library's entry: process attach (framework set-up for the module,
// then InitInstance; a failure refuses the load), thread detach and
// process detach (ExitInstance, then framework end).
BOOL AfxDllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved);

// True while the exit step runs in a process detach of a terminating
// process (lpReserved non-null), not of an unload by FreeLibrary: the other
// threads are gone and the loader lock is held, so the step must not call
// into libraries that may wait on either.
BOOL AfxDllProcessTerminating();

// Ends the framework for the module: the calling thread's state and the
// module's per-thread slot go (AfxTermThread in Afx.h releases one thread's
// state).
void AfxWinTerm();
