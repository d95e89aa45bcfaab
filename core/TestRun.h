// The test run: the process-wide test flags, starting and stopping the
// matrix workers, and turning the error flags into the line the user sees.
// No user interface here; the main dialog drives it.
#pragma once

#include <atomic>
#include <cstdint>

#include "CString.h"

// One-byte flags shared without locks between the user-interface thread and
// the workers. Every access is relaxed: nothing else in memory is ordered by
// them, a byte is never seen half-written, and the workers read Stop afresh
// at every check.
struct TestFlags {
    std::atomic<std::uint8_t> Idle{1};
    std::atomic<std::uint8_t> Stop{0};
    std::atomic<std::uint8_t> ErrorComplexMath{0};
    std::atomic<std::uint8_t> ErrorIntegerMath{0};
    std::atomic<std::uint8_t> ErrorMatrix{0};
    std::atomic<std::uint8_t> ErrorChipsets{0};
};

extern TestFlags g_testFlags;

// A worker's procedure, as the thread start runs it.
typedef std::uint32_t (*WorkerProc)(void* param);

// Starts one thread running proc(param) at THREAD_PRIORITY_ABOVE_NORMAL from
// its first instruction, on a 1 MiB stack, and lets go of it at once.
// False when the thread could not be created.
typedef bool (*ThreadStartProc)(WorkerProc proc, void* param);

// The real thread start.
bool StartWorkerThread(WorkerProc proc, void* param);

// Clears Idle, Stop and the four error flags (in that order) and starts two
// workers, one more for MMX and two more for SSE, each running
// MatrixWorker(param). A worker whose thread cannot be created is simply
// missing. The overload without startThread uses StartWorkerThread.
void StartTest(void* param, bool useMmx, bool useSse, ThreadStartProc startThread);
void StartTest(void* param, bool useMmx, bool useSse);

// Sets Stop, then Idle. Waits for nothing and leaves the error flags alone:
// each worker returns after the pass it is in.
void StopTest();

// Replaces text with the message of every set error flag in poll order, so
// the last set one remains; leaves text alone when none is set. Never clears
// a flag.
void PollErrors(CString& text);
