// The library side of the framework: the entry steps driven by DllMain, and
// the three exports walking the module's class-factory list.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "AfxDll.h"
#include "AfxState.h"
#include "Win32TestSupport.h"
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

TEST(DllExports, TheWalkHoldsTheGlobalLock)
{
    FakeFactory a(ClsidA);
    testsupport::TestEvent trying, gotLock;
    std::unique_ptr<testsupport::TestThread> other;
    bool lockedOut = false;
    a.duringUpdate = [&] {
        other.reset(new testsupport::TestThread([&] {
            trying.Set();
            AfxLockGlobals();
            gotLock.Set();
            AfxUnlockGlobals();
        }));
        // Handshake: the other thread is running and about to take the lock.
        // Without the walk holding it, it has it within microseconds.
        ASSERT_TRUE(trying.Wait(10000));
        lockedOut = !gotLock.Wait(500);
    };
    EXPECT_EQ(AfxDllRegisterServer(), S_OK);
    ASSERT_TRUE(other);
    EXPECT_TRUE(lockedOut) << "the other thread took the lock during the walk";
    EXPECT_TRUE(gotLock.Wait(10000)) << "the lock is given up after the walk";
    EXPECT_TRUE(other->Join(10000));
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

TEST(DllEntry, TheExitStepKnowsWhetherTheProcessTerminates)
{
    theApp.initResult = TRUE;
    HINSTANCE self = GetModuleHandleA(nullptr);
    for (LPVOID reserved : { reinterpret_cast<LPVOID>(1), static_cast<LPVOID>(nullptr) }) {
        ASSERT_TRUE(AfxDllMain(self, DLL_PROCESS_ATTACH, nullptr));
        theApp.terminatingAtExit = !reserved;
        EXPECT_TRUE(AfxDllMain(self, DLL_PROCESS_DETACH, reserved));
        EXPECT_EQ(theApp.terminatingAtExit, reserved != nullptr);
        EXPECT_FALSE(AfxDllProcessTerminating()) << "only while the exit step runs";
    }
    theApp.initResult = FALSE;
    AfxWinInit(self);
}

TEST(DllEntry, ThreadDetachReleasesOnlyStateThatExists)
{
    HINSTANCE self = GetModuleHandleA(nullptr);
    // A thread that never used the framework: the detach makes nothing,
    // not even a state to free at once.
    const LONG made = AfxThreadStatesMade();
    bool hadBefore = true, hadAfter = true;
    testsupport::TestThread plain([&] {
        hadBefore = AfxFindThreadState() != nullptr;
        AfxDllMain(self, DLL_THREAD_DETACH, nullptr);
        hadAfter = AfxFindThreadState() != nullptr;
    });
    ASSERT_TRUE(plain.Join(10000));
    EXPECT_FALSE(hadBefore);
    EXPECT_FALSE(hadAfter) << "the detach left a state behind";
    EXPECT_EQ(AfxThreadStatesMade(), made) << "the detach made a state only to release it";

    // A thread that bound a window and left a creation hook behind: both go.
    bool bound = false, released = false, hookGone = false;
    testsupport::TestThread user([&] {
        CWnd wnd;
        bound = wnd.CreateEx(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr) &&
                AfxFindThreadState() != nullptr;
        wnd.DestroyWindow();
        AfxHookWindowCreate(&wnd);
        HHOOK hook = AfxFindThreadState()->hHookCbt;
        AfxDllMain(self, DLL_THREAD_DETACH, nullptr);
        released = AfxFindThreadState() == nullptr;
        hookGone = hook && !UnhookWindowsHookEx(hook);
    });
    ASSERT_TRUE(user.Join(10000));
    EXPECT_TRUE(bound);
    EXPECT_TRUE(released);
    EXPECT_TRUE(hookGone);
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
    // With nothing bound the state goes.
    EXPECT_TRUE(AfxDllMain(self, DLL_THREAD_DETACH, nullptr));
    EXPECT_EQ(AfxFindThreadState(), nullptr);
}

const UINT WM_MARKER = WM_APP + 21;

// A window procedure of its own that answers the marker.
LRESULT CALLBACK AnswerProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return message == WM_MARKER ? 42 : DefWindowProcA(hWnd, message, wParam, lParam);
}

// A layer that another component puts on above the framework's.
WNDPROC g_belowUpper = nullptr;
LRESULT CALLBACK UpperProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcA(g_belowUpper, hWnd, message, wParam, lParam);
}

TEST(DllEntry, ThreadDetachKeepsTheFrameworksForwardingPlaceInAChain)
{
    // An object unsubclassed from under another layer leaves AfxWndProc in
    // the chain as a forwarder; the window's own procedure must go on
    // getting its messages after the thread's detach.
    HINSTANCE self = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &AnswerProc;
    wc.hInstance = self;
    wc.lpszClassName = "PyroluxAnswer";
    RegisterClassA(&wc);
    LRESULT before = 0, after = 0;
    testsupport::TestThread user([&] {
        HWND hWnd = CreateWindowExA(0, "PyroluxAnswer", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                    nullptr, self, nullptr);
        {
            CWnd lower;
            lower.SubclassWindow(hWnd);
            g_belowUpper = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&UpperProc)));
        }
        before = SendMessageA(hWnd, WM_MARKER, 0, 0);
        AfxDllMain(self, DLL_THREAD_DETACH, nullptr);
        after = SendMessageA(hWnd, WM_MARKER, 0, 0);
        DestroyWindow(hWnd);
        AfxDllMain(self, DLL_THREAD_DETACH, nullptr);
    });
    ASSERT_TRUE(user.Join(10000));
    EXPECT_EQ(before, 42);
    EXPECT_EQ(after, 42) << "the window's own procedure lost its messages at the detach";
}

TEST(DllEntry, AStateKeptAtThreadDetachGoesOnceItsThreadHasEnded)
{
    HINSTANCE self = GetModuleHandleA(nullptr);
    const LONG before = AfxThreadStateCount();
    std::unique_ptr<CWnd> wnd(new CWnd);
    LONG kept = 0;
    DWORD userId = 0;
    {
        testsupport::TestThread user([&] {
            userId = GetCurrentThreadId();
            wnd->CreateEx(0, "STATIC", "bound", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
            AfxDllMain(self, DLL_THREAD_DETACH, nullptr);
            kept = AfxThreadStateCount();  // its window is still bound
        });
        ASSERT_TRUE(user.Join(10000));
    }  // the test's handle to the thread goes with it
    EXPECT_EQ(kept, before + 1) << "the state is not kept on the module's list";
    // The thread has ended, its windows with it: the next detach of any
    // thread frees what it kept, and the handle it kept to tell the end.
    testsupport::TestThread next([&] { AfxDllMain(self, DLL_THREAD_DETACH, nullptr); });
    ASSERT_TRUE(next.Join(10000));
    EXPECT_EQ(AfxThreadStateCount(), before) << "the ended thread's state leaked";
    EXPECT_TRUE(testsupport::ThreadObjectGone(userId)) << "the kept thread handle is still open";
}

TEST(DllEntry, ProcessDetachFreesTheStatesOfEveryThread)
{
    theApp.initResult = TRUE;
    HINSTANCE self = GetModuleHandleA(nullptr);
    ASSERT_TRUE(AfxDllMain(self, DLL_PROCESS_ATTACH, nullptr));
    testsupport::TestEvent made, done;
    testsupport::TestThread other([&] {
        AfxGetThreadState();
        made.Set();
        done.Wait(10000);
    });
    ASSERT_TRUE(made.Wait(10000));
    const LONG states = AfxThreadStateCount();
    EXPECT_GE(states, 1);
    // A terminating process: the states go with it, the list is not touched
    // (a thread killed while holding its lock would hang the end).
    EXPECT_TRUE(AfxDllMain(self, DLL_PROCESS_DETACH, reinterpret_cast<LPVOID>(1)));
    EXPECT_EQ(AfxThreadStateCount(), states);
    // An unload while the other thread runs: it gets no detach of its own.
    ASSERT_TRUE(AfxDllMain(self, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_TRUE(AfxDllMain(self, DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(AfxThreadStateCount(), 0) << "a thread's state outlived the module";
    done.Set();
    EXPECT_TRUE(other.Join(10000));
    theApp.initResult = FALSE;
    AfxWinInit(self);
}

}  // namespace
