// The framework's per-thread state in an explicit thread-local slot.
//
// The slot holds a pointer that stays null for a thread that never used the
// framework, so releasing a thread's state is a look at the slot and makes
// nothing; and the state goes exactly when the framework releases it, with
// no per-thread destructor pass of the runtime involved (Windows 9x may not
// run one at all).
#include "AfxState.h"

#include <new>

namespace {

// The slot index, taken at first use. Set once a thread's
// InterlockedCompareExchange wins; a losing thread gives its index back.
LONG g_nSlot = static_cast<LONG>(TLS_OUT_OF_INDEXES);

// Set when the system had no slot to give.
LONG g_bNoSlot = FALSE;

// Shared by every thread when no slot or no memory is to be had: windows
// still work, only no longer apart per thread.
AfxThreadState& FallbackState()
{
    static AfxThreadState state;
    return state;
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
    if (!state)
        state = &FallbackState();
    ::TlsSetValue(slot, state);
    return *state;
}

void AfxTermThread()
{
    AfxThreadState* state = AfxFindThreadState();
    if (!state)
        return;
    // A creation hook left behind by this thread goes with it.
    if (state->hHookCbt)
        ::UnhookWindowsHookEx(state->hHookCbt);
    state->hHookCbt = nullptr;
    state->pWndInit = nullptr;
    if (state == &FallbackState())
        return;  // shared: it stays
    // Bound windows keep their entries: their objects still look them up.
    if (!state->windows.empty())
        return;
    ::TlsSetValue(static_cast<DWORD>(g_nSlot), nullptr);
    delete state;
}

void AfxFreeThreadStateSlot()
{
    LONG slot = ::InterlockedExchange(&g_nSlot, static_cast<LONG>(TLS_OUT_OF_INDEXES));
    if (slot != static_cast<LONG>(TLS_OUT_OF_INDEXES))
        ::TlsFree(static_cast<DWORD>(slot));
}
