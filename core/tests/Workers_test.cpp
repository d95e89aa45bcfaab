// Real workers on real threads: started through the real thread start, run
// for a moment, stopped, and all seen to return.
#include "MatrixWorker.h"
#include "TestRun.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#if defined(_WIN32)
#include <windows.h>

#include "Win32TestSupport.h"
#endif

namespace {

const std::memory_order relaxed = std::memory_order_relaxed;

// Waits up to timeout for counter to reach target.
bool WaitFor(const std::atomic<int>& counter, int target, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (counter.load() < target) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// --- The production worker, through StartTest and the real thread start ---

WorkerProc s_startedProc;
void* s_expectedParam;
std::atomic<int> s_started;
std::atomic<int> s_returned;
std::atomic<int> s_wrongParam;
std::atomic<int> s_wrongPriority;

#if defined(_WIN32)
std::atomic<DWORD> s_workerIds[8];
std::atomic<int> s_workerIdCount;

#endif

std::uint32_t ObservedWorker(void* param, std::uint32_t run)
{
#if defined(_WIN32)
    if (GetThreadPriority(GetCurrentThread()) != THREAD_PRIORITY_ABOVE_NORMAL)
        ++s_wrongPriority;
    int slot = s_workerIdCount++;
    if (slot < 8)
        s_workerIds[slot] = GetCurrentThreadId();
#endif
    if (param != s_expectedParam)
        ++s_wrongParam;
    ++s_started;
    const std::uint32_t result = s_startedProc(param, run);
    if (result == 0)
        ++s_returned;
    return result;
}

bool ObservingStart(WorkerProc proc, void* param, std::uint32_t run)
{
    s_startedProc = proc;
    return StartWorkerThread(ObservedWorker, param, run);
}

} // namespace

TEST(RealWorkersTest, RunWithoutErrorAndAllReturnAfterStop)
{
    int dialog = 0;
    s_expectedParam = &dialog;
    StartTest(&dialog, true, true, ObservingStart);
    ASSERT_EQ(s_startedProc, &MatrixWorker);

    ASSERT_TRUE(WaitFor(s_started, 5, std::chrono::seconds(10)));
    CString text("No Error(s) detected yet!");
    for (int tick = 0; tick < 10; ++tick) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        PollErrors(text);
    }
    EXPECT_EQ(text, "No Error(s) detected yet!");
    EXPECT_EQ(g_testFlags.ErrorMatrix.load(relaxed), 0);

    StopTest();
    EXPECT_TRUE(WaitFor(s_returned, 5, std::chrono::seconds(20)))
        << s_returned.load() << " of 5 workers returned";
    EXPECT_EQ(s_wrongParam.load(), 0);
    EXPECT_EQ(s_wrongPriority.load(), 0) << "workers not above normal at their start";
    EXPECT_EQ(g_testFlags.ErrorMatrix.load(relaxed), 0);
#if defined(_WIN32)
    // The run keeps no thread handle: each ended worker's object is gone.
    ASSERT_EQ(s_workerIdCount.load(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(testsupport::ThreadObjectGone(s_workerIds[i])) << "worker " << i << ": its handle kept open";
#endif
}

TEST(RealWorkersTest, StartRightAfterStopLeavesOnlyTheNewRunsWorkers)
{
    s_expectedParam = nullptr;
    s_started = 0;
    s_returned = 0;
#if defined(_WIN32)
    s_workerIdCount = 0;
#endif
    ASSERT_EQ(StartTest(nullptr, false, false, ObservingStart), 2);
    ASSERT_TRUE(WaitFor(s_started, 2, std::chrono::seconds(10)));
    // The old workers are in a pass and have not seen Stop when Start clears it.
    StopTest();
    ASSERT_EQ(StartTest(nullptr, false, false, ObservingStart), 2);
    EXPECT_TRUE(WaitFor(s_returned, 2, std::chrono::seconds(20)))
        << "the previous run's workers kept computing beside the new ones";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(s_returned.load(), 2) << "a worker of the new run left";
    StopTest();
    EXPECT_TRUE(WaitFor(s_returned, 4, std::chrono::seconds(20)));
}

// --- Complete passes on real threads ------------------------------------------

namespace {

struct CountingSlot {
    std::atomic<int> copies{ 0 };
    std::atomic<unsigned> precisionControl{ 0 };
    std::atomic<int> returned{ 0 };
};

thread_local CountingSlot* t_slot;

void CountingCompute(MatrixCopy& copy)
{
#if defined(__i386__) && !defined(__SSE2_MATH__)
    unsigned short control;
    __asm__ __volatile__("fnstcw %0" : "=m"(control));
    t_slot->precisionControl.store(control & 0x0300u);
#endif
    ComputeCopy(copy);
    ++t_slot->copies;
}

std::uint32_t CountingWorker(void* param, std::uint32_t run)
{
    t_slot = static_cast<CountingSlot*>(param);
#if defined(__i386__) && !defined(__SSE2_MATH__)
    // Start from extended precision, as MinGW's start-up code leaves the
    // main thread: the worker itself must narrow it.
    unsigned short control;
    __asm__ __volatile__("fnstcw %0" : "=m"(control));
    control = static_cast<unsigned short>(control | 0x0300u);
    __asm__ __volatile__("fldcw %0" : : "m"(control));
#endif
    const std::uint32_t result = RunMatrixWorker(g_testFlags, g_testRun, run, CountingCompute);
    t_slot->returned.store(1);
    return result;
}

} // namespace

TEST(RealWorkersTest, EveryPassComputesBothCopiesAndFinishes)
{
    g_testFlags.Stop.store(0, relaxed);
    g_testFlags.ErrorMatrix.store(0, relaxed);
    CountingSlot slots[3];
    for (CountingSlot& slot : slots)
        ASSERT_TRUE(StartWorkerThread(CountingWorker, &slot, g_testRun.load()));
    // Stop at some moment after every worker has made a few passes.
    for (CountingSlot& slot : slots)
        ASSERT_TRUE(WaitFor(slot.copies, 6, std::chrono::seconds(20)));
    StopTest();

    for (CountingSlot& slot : slots) {
        ASSERT_TRUE(WaitFor(slot.returned, 1, std::chrono::seconds(20)));
        EXPECT_EQ(slot.copies.load() % 2, 0) << "a worker left in the middle of a pass";
#if defined(__i386__) && !defined(__SSE2_MATH__)
        EXPECT_EQ(slot.precisionControl.load(), 0x0200u) << "x87 not at 53-bit precision";
#endif
    }
    EXPECT_EQ(g_testFlags.ErrorMatrix.load(relaxed), 0);
}
