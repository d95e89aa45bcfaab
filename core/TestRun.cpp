#include "TestRun.h"

#include "MatrixWorker.h"

static_assert(sizeof(std::atomic<std::uint8_t>) == 1, "test flags are single bytes");
static_assert(std::atomic<std::uint8_t>::is_always_lock_free, "test flags take no lock");

TestFlags g_testFlags;
std::atomic<std::uint32_t> g_testRun{0};

namespace {

const std::memory_order relaxed = std::memory_order_relaxed;

struct ErrorMessage {
    std::atomic<std::uint8_t> TestFlags::*flag;
    const char* text;
};

// In poll order: when several flags are set, the last one's text remains.
const ErrorMessage s_errorMessages[] = {
    { &TestFlags::ErrorComplexMath, " Error in Complex Math" },
    { &TestFlags::ErrorIntegerMath, " Error in Integer Math" },
    { &TestFlags::ErrorMatrix,      " Error in Matrix" },
    { &TestFlags::ErrorChipsets,    " Error in Chipsets" },
};

} // namespace

int WorkerCount(bool useMmx, bool useSse)
{
    int workers = 2;
    if (useMmx)
        workers += 1;
    if (useSse)
        workers += 2;
    return workers;
}

int StartTest(void* param, bool useMmx, bool useSse, ThreadStartProc startThread)
{
    // Workers still finishing a pass of the previous run see a new number,
    // and see it before Stop goes: in between, one of them would find its
    // run current and not stopped, and make one more pass beside the new
    // workers.
    const std::uint32_t run = g_testRun.load(relaxed) + 1;
    g_testRun.store(run, relaxed);

    g_testFlags.Idle.store(0, relaxed);
    g_testFlags.Stop.store(0, relaxed);
    g_testFlags.ErrorComplexMath.store(0, relaxed);
    g_testFlags.ErrorIntegerMath.store(0, relaxed);
    g_testFlags.ErrorMatrix.store(0, relaxed);
    g_testFlags.ErrorChipsets.store(0, relaxed);

    // A run short of workers would load the processor less than the user
    // asked while looking like a full one: it is not started at all.
    const int workers = WorkerCount(useMmx, useSse);
    int started = 0;
    while (started < workers && startThread(MatrixWorker, param, run))
        ++started;
    if (started < workers)
        StopTest();
    return started;
}

int StartTest(void* param, bool useMmx, bool useSse)
{
    return StartTest(param, useMmx, useSse, StartWorkerThread);
}

void StopTest()
{
    g_testFlags.Stop.store(1, relaxed);
    g_testFlags.Idle.store(1, relaxed);
}

void PollErrors(CString& text)
{
    for (const ErrorMessage& message : s_errorMessages) {
        if ((g_testFlags.*message.flag).load(relaxed) != 0)
            text = message.text;
    }
}
