// The framework's per-thread state in an explicit thread-local slot.
//
// The slot holds a pointer that stays null for a thread that never used the
// framework, so releasing a thread's state is a look at the slot and makes
// nothing; and the state goes exactly when the framework releases it, with
// no per-thread destructor pass of the runtime involved (Windows 9x may not
// run one at all). Every state is also on a list of the module's, so that
// one kept past its thread's detach, and those of threads still running
// when the module is unloaded, are freed too.
#include "AfxState.h"

#include <new>

#include "AfxDll.h"

namespace {

// The slot index, taken at first use. Set once a thread's
// InterlockedCompareExchange wins; a losing thread gives its index back.
LONG g_nSlot = static_cast<LONG>(TLS_OUT_OF_INDEXES);

// Set when the system had no slot to give.
LONG g_bNoSlot = FALSE;

LONG g_nStatesMade = 0;

// Shared by every thread when no slot or no memory is to be had: windows
// still work, only no longer apart per thread.
AfxThreadState& FallbackState()
{
    static AfxThreadState state;
    return state;
}

// The list of every state, under its lock.
struct StateList {
    CRITICAL_SECTION cs;
    AfxThreadState* pFirst = nullptr;
    LONG nCount = 0;
    StateList() { ::InitializeCriticalSection(&cs); }
    ~StateList() { ::DeleteCriticalSection(&cs); }
};

StateList& States()
{
    static StateList list;
    return list;
}

void Link(AfxThreadState* state)
{
    StateList& list = States();
    ::EnterCriticalSection(&list.cs);
    state->pNext = list.pFirst;
    if (list.pFirst)
        list.pFirst->pPrev = state;
    list.pFirst = state;
    ++list.nCount;
    ::LeaveCriticalSection(&list.cs);
}

// Takes a state off the list; the caller holds the lock.
void Unlink(StateList& list, AfxThreadState* state)
{
    (state->pPrev ? state->pPrev->pNext : list.pFirst) = state->pNext;
    if (state->pNext)
        state->pNext->pPrev = state->pPrev;
    state->pPrev = state->pNext = nullptr;
    --list.nCount;
}

// Frees a state that is off the list.
void Free(AfxThreadState* state)
{
    if (state->hKeptThread)
        ::CloseHandle(state->hKeptThread);
    delete state;
}

// Takes off the list the states whose windows and forwarding places are
// gone with their ended threads, or all of them; frees them outside the lock.
void FreeStates(bool bAll)
{
    StateList& list = States();
    AfxThreadState* gone = nullptr;
    ::EnterCriticalSection(&list.cs);
    for (AfxThreadState* state = list.pFirst; state;) {
        AfxThreadState* next = state->pNext;
        if (bAll || (state->hKeptThread &&
                     ::WaitForSingleObject(state->hKeptThread, 0) == WAIT_OBJECT_0)) {
            Unlink(list, state);
            state->pNext = gone;
            gone = state;
        }
        state = next;
    }
    ::LeaveCriticalSection(&list.cs);
    while (gone) {
        AfxThreadState* next = gone->pNext;
        Free(gone);
        gone = next;
    }
}

DWORD Slot()
{
    LONG slot = g_nSlot;
    if (slot != static_cast<LONG>(TLS_OUT_OF_INDEXES))
        return static_cast<DWORD>(slot);
    DWORD taken = ::TlsAlloc();
    if (taken == TLS_OUT_OF_INDEXES) {
        ::InterlockedExchange(&g_bNoSlot, TRUE);
        return TLS_OUT_OF_INDEXES;
    }
    LONG before = ::InterlockedCompareExchange(&g_nSlot, static_cast<LONG>(taken),
                                               static_cast<LONG>(TLS_OUT_OF_INDEXES));
    if (before == static_cast<LONG>(TLS_OUT_OF_INDEXES))
        return taken;
    ::TlsFree(taken);
    return static_cast<DWORD>(before);
}

}  // namespace

AfxThreadState* AfxFindThreadState()
{
    LONG slot = g_nSlot;
    if (slot == static_cast<LONG>(TLS_OUT_OF_INDEXES))
        return g_bNoSlot ? &FallbackState() : nullptr;
    return static_cast<AfxThreadState*>(::TlsGetValue(static_cast<DWORD>(slot)));
}

AfxThreadState& AfxGetThreadState()
{
    DWORD slot = Slot();
    if (slot == TLS_OUT_OF_INDEXES)
        return FallbackState();
    if (auto* state = static_cast<AfxThreadState*>(::TlsGetValue(slot)))
        return *state;
    AfxThreadState* state = new (std::nothrow) AfxThreadState;
    if (state) {
        Link(state);
        ::InterlockedIncrement(&g_nStatesMade);
    } else {
        state = &FallbackState();
    }
    ::TlsSetValue(slot, state);
    return *state;
}

void AfxTermThread()
{
    // A terminating process takes every state with it; a thread killed
    // while it held the list's lock would hang its end.
    if (AfxDllProcessTerminating())
        return;
    AfxThreadState* state = AfxFindThreadState();
    if (state) {
        // A creation hook left behind by this thread goes with it.
        if (state->hHookCbt)
            ::UnhookWindowsHookEx(state->hHookCbt);
        state->hHookCbt = nullptr;
        state->pWndInit = nullptr;
    }
    if (state && state != &FallbackState()) {
        if (state->windows.empty() && state->chain.ForwarderCount() == 0) {
            ::TlsSetValue(static_cast<DWORD>(g_nSlot), nullptr);
            StateList& list = States();
            ::EnterCriticalSection(&list.cs);
            Unlink(list, state);
            ::LeaveCriticalSection(&list.cs);
            Free(state);
        } else if (!state->hKeptThread) {
            // Bound windows keep their entries (their objects still look
            // them up) and a window where AfxWndProc only forwards keeps
            // its place, while the thread runs. Once it has ended, its
            // windows are gone and a later detach frees the state.
            ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(),
                              ::GetCurrentProcess(), &state->hKeptThread, SYNCHRONIZE, FALSE, 0);
        }
    }
    FreeStates(false);
}

void AfxFreeThreadStateSlot()
{
    // The slot first: from here on no thread finds a state to be freed.
    LONG slot = ::InterlockedExchange(&g_nSlot, static_cast<LONG>(TLS_OUT_OF_INDEXES));
    if (!AfxDllProcessTerminating())
        FreeStates(true);
    if (slot != static_cast<LONG>(TLS_OUT_OF_INDEXES))
        ::TlsFree(static_cast<DWORD>(slot));
}

LONG AfxThreadStateCount()
{
    StateList& list = States();
    ::EnterCriticalSection(&list.cs);
    LONG count = list.nCount;
    ::LeaveCriticalSection(&list.cs);
    return count;
}

LONG AfxThreadStatesMade()
{
    return g_nStatesMade;
}
