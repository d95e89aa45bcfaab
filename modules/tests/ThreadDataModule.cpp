// The companion-module skeleton with one export more, for the threads test:
// a thread procedure that leaves per-thread data in the module behind, as
// module code running on a host's thread can.
#include <windows.h>

#include "AfxState.h"

namespace {

__attribute__((noinline)) void Throw(int value)
{
    throw value;
}

}  // namespace

// The framework's state of the calling thread, and the C++ runtime's
// exception state (emulated thread-local data of the runtime linked into
// the module): both are the calling thread's until its detach frees them.
extern "C" DWORD WINAPI UseThreadData(LPVOID)
{
    AfxGetThreadState();
    try {
        Throw(1);
    } catch (int value) {
        return static_cast<DWORD>(value);
    }
    return 0;
}
