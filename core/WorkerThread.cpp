// The real thread start for test workers.
#include "TestRun.h"

#include <new>

#if defined(_WIN32)
#include <windows.h>
#else
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace {

// Carries the procedure across the thread start; the new thread frees it.
struct WorkerStart {
    WorkerProc proc;
    void* param;
    std::uint32_t run;
};

#if defined(_WIN32)

DWORD WINAPI WorkerEntry(LPVOID parameter)
{
    WorkerStart start = *static_cast<WorkerStart*>(parameter);
    delete static_cast<WorkerStart*>(parameter);
    return start.proc(start.param, start.run);
}

#else

// Room for the worker's 640,000 bytes of arrays and its calls, as the
// program's own stack reserve gives on Windows.
const unsigned WorkerStackSize = 1024 * 1024;

// Nearest equivalent of THREAD_PRIORITY_ABOVE_NORMAL: one nice step below the
// process's. Usually not permitted without privileges; then the worker runs
// at the normal level.
void RaiseOwnPriority()
{
    const id_t tid = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, tid);
    if (errno == 0)
        setpriority(PRIO_PROCESS, tid, nice - 1);
}

void* WorkerEntry(void* parameter)
{
    WorkerStart start = *static_cast<WorkerStart*>(parameter);
    delete static_cast<WorkerStart*>(parameter);
    RaiseOwnPriority();
    start.proc(start.param, start.run);
    return nullptr;
}

#endif

} // namespace

#if defined(_WIN32)

bool StartWorkerThread(WorkerProc proc, void* param, std::uint32_t run)
{
    WorkerStart* start = new (std::nothrow) WorkerStart{ proc, param, run };
    if (!start)
        return false;
    // Suspended, so that the worker runs above normal from its first
    // instruction. Size 0: the executable's default stack (the program
    // reserves 1 MiB); before Windows XP a size given here is committed
    // whole, and there is no flag to make it a reservation. Windows 95 and
    // 98 fail the call without somewhere to put the thread's identifier.
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, WorkerEntry, start, CREATE_SUSPENDED, &threadId);
    if (!thread) {
        delete start;
        return false;
    }
    SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL);
    ResumeThread(thread);
    // Nobody waits for a worker: its thread object goes when it ends.
    CloseHandle(thread);
    return true;
}

#else

bool StartWorkerThread(WorkerProc proc, void* param, std::uint32_t run)
{
    WorkerStart* start = new (std::nothrow) WorkerStart{ proc, param, run };
    if (!start)
        return false;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) {
        delete start;
        return false;
    }
    pthread_attr_setstacksize(&attributes, WorkerStackSize);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    const int result = pthread_create(&thread, &attributes, WorkerEntry, start);
    pthread_attr_destroy(&attributes);
    if (result != 0) {
        delete start;
        return false;
    }
    return true;
}

#endif
