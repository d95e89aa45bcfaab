#include "TestRun.h"

#include "MatrixWorker.h"

static_assert(sizeof(std::atomic<std::uint8_t>) == 1, "test flags are single bytes");
static_assert(std::atomic<std::uint8_t>::is_always_lock_free, "test flags take no lock");

TestFlags g_testFlags;

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

void StartTest(void* param, bool useMmx, bool useSse, ThreadStartProc startThread)
{
    g_testFlags.Idle.store(0, relaxed);
    g_testFlags.Stop.store(0, relaxed);
    g_testFlags.ErrorComplexMath.store(0, relaxed);
    g_testFlags.ErrorIntegerMath.store(0, relaxed);
    g_testFlags.ErrorMatrix.store(0, relaxed);
    g_testFlags.ErrorChipsets.store(0, relaxed);

    int workers = 2;
    if (useMmx)
        workers += 1;
    if (useSse)
        workers += 2;

    // A thread that cannot be created just leaves the run one worker short.
    for (int i = 0; i < workers; ++i)
        startThread(MatrixWorker, param);
}

void StartTest(void* param, bool useMmx, bool useSse)
{
    StartTest(param, useMmx, useSse, StartWorkerThread);
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
