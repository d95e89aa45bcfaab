// The library side of the framework: the entry steps driven by DllMain, and
// the three exports walking the module's class-factory list.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <vector>

#include "AfxDll.h"
#include "framework_test_app.h"

namespace {

const CLSID ClsidA = { 0x11111111, 0x2222, 0x3333, { 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55 } };
const CLSID ClsidB = { 0xAAAAAAAA, 0xBBBB, 0xCCCC, { 0xDD, 0xDD, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE } };

class FakeFactory : public COleObjectFactory {
public:
    explicit FakeFactory(REFCLSID clsid) : COleObjectFactory(clsid) {}
    ULONG refs = 1;
    BOOL updateResult = TRUE;
    int updates = 0;
    int registrations = 0;
    std::function<void()> duringUpdate;

    BOOL Register() override { ++registrations; return TRUE; }
    BOOL UpdateRegistry(BOOL) override
    {
        ++updates;
        if (duringUpdate)
            duringUpdate();
        return updateResult;
    }
    HRESULT GetClassObject(REFIID, void** ppv) override
    {
        *ppv = this;
        return S_OK;
    }
    ULONG GetRefCount() const override { return refs; }
};

TEST(DllExports, EmptyListAnswersEveryClassWithNotAvailable)
{
    EXPECT_EQ(AfxDllCanUnloadNow(), S_OK);
    for (const CLSID& clsid : { ClsidA, ClsidB, CLSID_NULL }) {
        void* out = reinterpret_cast<void*>(0x12345678);
        EXPECT_EQ(AfxDllGetClassObject(clsid, IID_IUnknown, &out), CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(AfxDllGetClassObject(ClsidA, IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(AfxDllRegisterServer(), S_OK);
    EXPECT_TRUE(COleObjectFactory::RegisterAll());
}

TEST(DllExports, CanUnloadNowCountsObjectsLocksAndFactoryReferences)
{
    FakeFactory factory(ClsidA);
    EXPECT_EQ(AfxDllCanUnloadNow(), S_OK);
    factory.refs = 2;
    EXPECT_EQ(AfxDllCanUnloadNow(), S_FALSE);
    factory.refs = 1;
    AfxOleLockApp();
    EXPECT_EQ(AfxDllCanUnloadNow(), S_FALSE);
    AfxOleUnlockApp();
    AfxOleLockServer(TRUE);
    EXPECT_EQ(AfxDllCanUnloadNow(), S_FALSE);
    AfxOleLockServer(FALSE);
    EXPECT_EQ(AfxDllCanUnloadNow(), S_OK);
}

TEST(DllExports, GetClassObjectFindsTheFactoryOfTheClassOnly)
{
    FakeFactory a(ClsidA);
    void* out = nullptr;
    EXPECT_EQ(AfxDllGetClassObject(ClsidA, IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<COleObjectFactory*>(&a));
    EXPECT_EQ(AfxDllGetClassObject(ClsidB, IID_IUnknown, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    {
        FakeFactory b(ClsidB);
        EXPECT_EQ(AfxDllGetClassObject(ClsidB, IID_IUnknown, &out), S_OK);
    }
    // A destroyed factory has left the list.
    EXPECT_EQ(AfxDllGetClassObject(ClsidB, IID_IUnknown, &out), CLASS_E_CLASSNOTAVAILABLE);
}

TEST(DllExports, RegisterServerAsksEveryFactoryAndSucceedsRegardless)
{
    FakeFactory a(ClsidA), b(ClsidB);
    a.updateResult = FALSE;
    EXPECT_EQ(AfxDllRegisterServer(), S_OK);
    EXPECT_EQ(a.updates, 1);
    EXPECT_EQ(b.updates, 1);
    EXPECT_TRUE(COleObjectFactory::RegisterAll());
    EXPECT_EQ(a.registrations, 1);
    EXPECT_EQ(b.registrations, 1);
}

DWORD WINAPI TakeTheGlobalLock(LPVOID gotLock)
{
    AfxLockGlobals();
    *static_cast<std::atomic<bool>*>(gotLock) = true;
    AfxUnlockGlobals();
    return 0;
}

TEST(DllExports, TheWalkHoldsTheGlobalLock)
{
    FakeFactory a(ClsidA);
    std::atomic<bool> gotLock(false);
    HANDLE other = nullptr;
    bool heldDuringWalk = false;
    a.duringUpdate = [&] {
        other = CreateThread(nullptr, 0, TakeTheGlobalLock, &gotLock, 0, nullptr);
        Sleep(50);
        heldDuringWalk = !gotLock;
    };
    EXPECT_EQ(AfxDllRegisterServer(), S_OK);
    ASSERT_NE(other, nullptr);
    WaitForSingleObject(other, INFINITE);
    CloseHandle(other);
    EXPECT_TRUE(heldDuringWalk);
    EXPECT_TRUE(gotLock);
}

TEST(DllEntry, RefusedAttachRunsTheExitStepOnce)
{
    theApp.initResult = FALSE;
    int init = theApp.initCalls, exit = theApp.exitCalls;
    HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_FALSE(AfxDllMain(self, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(theApp.initCalls, init + 1);
    EXPECT_EQ(theApp.exitCalls, exit + 1);
    // The loader's detach after a refused attach does not repeat it.
    EXPECT_TRUE(AfxDllMain(self, DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(theApp.exitCalls, exit + 1);
    AfxWinInit(self);
}

TEST(DllEntry, AcceptedAttachThenThreadAndProcessDetach)
{
    theApp.initResult = TRUE;
    int init = theApp.initCalls, exit = theApp.exitCalls;
    HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_TRUE(AfxDllMain(self, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(theApp.initCalls, init + 1);
    EXPECT_EQ(AfxGetResourceHandle(), self);
    EXPECT_TRUE(AfxDllMain(self, DLL_THREAD_DETACH, nullptr));
    EXPECT_EQ(theApp.exitCalls, exit);
    EXPECT_TRUE(AfxDllMain(self, DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(theApp.exitCalls, exit + 1);
    EXPECT_TRUE(AfxDllMain(self, DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(theApp.exitCalls, exit + 1);
    theApp.initResult = FALSE;
    AfxWinInit(self);
}

TEST(DllEntry, ThreadDetachKeepsTheBindingsOfLiveWindows)
{
    // The detach step frees a thread's framework state, but only once no
    // window of the thread is bound: an object must still find its window.
    HINSTANCE self = GetModuleHandleA(nullptr);
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, "STATIC", "bound", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_TRUE(AfxDllMain(self, DLL_THREAD_DETACH, nullptr));
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
    const size_t bound = CWnd::GetPermanentCount();
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(CWnd::GetPermanentCount(), bound - 1);
    // With nothing bound the state goes, and the next use starts afresh.
    EXPECT_TRUE(AfxDllMain(self, DLL_THREAD_DETACH, nullptr));
    EXPECT_EQ(CWnd::GetPermanentCount(), bound - 1);
}

}  // namespace
