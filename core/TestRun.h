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

// The number of the current run, counted up by every StartTest. Each worker
// is started with the number of its own run and leaves once that is no
// longer the current one, so that a Start right after a Stop does not keep
// the previous run's workers going (they may not have seen Stop yet).
extern std::atomic<std::uint32_t> g_testRun;

// A worker's procedure, as the thread start runs it: param as StartTest got
// it, run the number of the run it belongs to.
typedef std::uint32_t (*WorkerProc)(void* param, std::uint32_t run);

// Starts one thread running proc(param, run) at THREAD_PRIORITY_ABOVE_NORMAL
// from its first instruction, on the executable's default stack (1 MiB for
// the program), and lets go of it at once. False when the thread could not
// be created.
typedef bool (*ThreadStartProc)(WorkerProc proc, void* param, std::uint32_t run);

// The real thread start.
bool StartWorkerThread(WorkerProc proc, void* param, std::uint32_t run);

// Workers a run has: two, one more for MMX, two more for SSE.
int WorkerCount(bool useMmx, bool useSse);

// Counts g_testRun up, then clears Idle, Stop and the four error flags (in
// that order) and starts WorkerCount(useMmx, useSse) workers, each running
// MatrixWorker(param, run). Returns how many started. When a thread cannot
// be created it starts no more and stops the run (StopTest), so that the
// ones already running leave after their pass: a result below WorkerCount
// means the run did not start and the caller stays idle. The overload
// without startThread uses StartWorkerThread.
int StartTest(void* param, bool useMmx, bool useSse, ThreadStartProc startThread);
int StartTest(void* param, bool useMmx, bool useSse);

// Sets Stop, then Idle. Waits for nothing and leaves the error flags alone:
// each worker returns after the pass it is in.
void StopTest();

// Replaces text with the message of every set error flag in poll order, so
// the last set one remains; leaves text alone when none is set. Never clears
// a flag.
void PollErrors(CString& text);
