// Starting, stopping and polling a test run, with the thread start replaced
// so that no real worker runs.
#include "TestRun.h"

#include "MatrixWorker.h"

#include <gtest/gtest.h>

#include <vector>

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__))
#include <signal.h>
#define PYROLUX_SINGLE_STEP 1
#endif

namespace {

const std::memory_order relaxed = std::memory_order_relaxed;

struct FlagSnapshot {
    int idle, stop, complexMath, integerMath, matrix, chipsets;
};

FlagSnapshot Snapshot()
{
    return { g_testFlags.Idle.load(relaxed),
             g_testFlags.Stop.load(relaxed),
             g_testFlags.ErrorComplexMath.load(relaxed),
             g_testFlags.ErrorIntegerMath.load(relaxed),
             g_testFlags.ErrorMatrix.load(relaxed),
             g_testFlags.ErrorChipsets.load(relaxed) };
}

// What the fake thread start saw, one entry per attempted thread.
struct StartAttempt {
    WorkerProc proc;
    void* param;
    std::uint32_t run;
    std::uint32_t current;  // g_testRun as the thread would start
    FlagSnapshot flags;
};
std::vector<StartAttempt> s_attempts;
int s_failOnAttempt = -1; // index of the attempt whose creation fails

bool RecordingStart(WorkerProc proc, void* param, std::uint32_t run)
{
    s_attempts.push_back({ proc, param, run, g_testRun.load(relaxed), Snapshot() });
    return static_cast<int>(s_attempts.size()) - 1 != s_failOnAttempt;
}

void SetAllFlags(std::uint8_t value)
{
    g_testFlags.Idle.store(value, relaxed);
    g_testFlags.Stop.store(value, relaxed);
    g_testFlags.ErrorComplexMath.store(value, relaxed);
    g_testFlags.ErrorIntegerMath.store(value, relaxed);
    g_testFlags.ErrorMatrix.store(value, relaxed);
    g_testFlags.ErrorChipsets.store(value, relaxed);
}

class TestRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        s_attempts.clear();
        s_failOnAttempt = -1;
        SetAllFlags(0);
        g_testFlags.Idle.store(1, relaxed);
    }
    void TearDown() override
    {
        SetAllFlags(0);
        g_testFlags.Idle.store(1, relaxed);
    }
};

} // namespace

TEST(TestFlagsTest, OnlyIdleIsSetAtStart)
{
    const TestFlags fresh;
    EXPECT_EQ(fresh.Idle.load(), 1);
    EXPECT_EQ(fresh.Stop.load(), 0);
    EXPECT_EQ(fresh.ErrorComplexMath.load(), 0);
    EXPECT_EQ(fresh.ErrorIntegerMath.load(), 0);
    EXPECT_EQ(fresh.ErrorMatrix.load(), 0);
    EXPECT_EQ(fresh.ErrorChipsets.load(), 0);
}

#if defined(PYROLUX_SINGLE_STEP)
namespace {

// Every point of a start at which a worker of the previous run could make
// its check: the start runs one instruction at a time (the trap flag), and
// after each one the handler checks the flags as such a worker would.
std::uint32_t s_previousRun;
volatile sig_atomic_t s_steps;
volatile sig_atomic_t s_previousWorkerGoesOn;

void AfterEachInstruction(int)
{
    ++s_steps;
    if (g_testFlags.Stop.load(relaxed) == 0 && g_testRun.load(relaxed) == s_previousRun)
        s_previousWorkerGoesOn = 1;
}

__attribute__((noinline)) void SetTrapFlag(bool on)
{
#if defined(__x86_64__)
    if (on)
        __asm__ __volatile__("pushfq\n\torq $0x100, (%%rsp)\n\tpopfq" ::: "memory", "cc");
    else
        __asm__ __volatile__("pushfq\n\tandq $~0x100, (%%rsp)\n\tpopfq" ::: "memory", "cc");
#else
    if (on)
        __asm__ __volatile__("pushfl\n\torl $0x100, (%%esp)\n\tpopfl" ::: "memory", "cc");
    else
        __asm__ __volatile__("pushfl\n\tandl $~0x100, (%%esp)\n\tpopfl" ::: "memory", "cc");
#endif
}

bool StartThatDoesNothing(WorkerProc, void*, std::uint32_t)
{
    return true;
}

} // namespace

TEST_F(TestRunTest, NoInstructionOfAStartLetsThePreviousRunGoOn)
{
    StartTest(nullptr, false, false, StartThatDoesNothing);
    StopTest();
    s_previousRun = g_testRun.load(relaxed);
    s_steps = 0;
    s_previousWorkerGoesOn = 0;
    struct sigaction step = {}, before = {};
    step.sa_handler = AfterEachInstruction;
    ASSERT_EQ(sigaction(SIGTRAP, &step, &before), 0);
    SetTrapFlag(true);
    StartTest(nullptr, false, false, StartThatDoesNothing);
    SetTrapFlag(false);
    sigaction(SIGTRAP, &before, nullptr);
    EXPECT_GT(s_steps, 10) << "the start did not run step by step";
    EXPECT_EQ(s_previousWorkerGoesOn, 0)
        << "a worker of the previous run found Stop clear and its run still current";
}

#endif

TEST_F(TestRunTest, WorkerCountFollowsTheOptions)
{
    struct Case { bool mmx, sse; size_t workers; };
    const Case cases[] = {
        { false, false, 2 }, { true, false, 3 }, { false, true, 4 }, { true, true, 5 },
    };
    for (const Case& c : cases) {
        s_attempts.clear();
        EXPECT_EQ(WorkerCount(c.mmx, c.sse), static_cast<int>(c.workers));
        EXPECT_EQ(StartTest(nullptr, c.mmx, c.sse, RecordingStart), static_cast<int>(c.workers));
        EXPECT_EQ(s_attempts.size(), c.workers) << "mmx " << c.mmx << " sse " << c.sse;
        StopTest();
    }
}

TEST_F(TestRunTest, EveryStartHandsItsWorkersANewRunNumber)
{
    const std::uint32_t before = g_testRun.load(relaxed);
    StartTest(nullptr, false, false, RecordingStart);
    StopTest();
    StartTest(nullptr, true, false, RecordingStart);
    ASSERT_EQ(s_attempts.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(s_attempts[i].run, before + (i < 2 ? 1 : 2)) << "worker " << i;
        // Published before the worker starts, or it would leave at once.
        EXPECT_EQ(s_attempts[i].current, s_attempts[i].run) << "worker " << i;
    }
    EXPECT_EQ(g_testRun.load(relaxed), before + 2);
}

TEST_F(TestRunTest, EveryWorkerRunsMatrixWorkerWithTheCallersParameter)
{
    int dialog = 0;
    StartTest(&dialog, true, true, RecordingStart);
    ASSERT_EQ(s_attempts.size(), 5u);
    for (const StartAttempt& attempt : s_attempts) {
        EXPECT_EQ(attempt.proc, &MatrixWorker);
        EXPECT_EQ(attempt.param, &dialog);
    }
}

TEST_F(TestRunTest, StartClearsEveryFlagBeforeTheFirstWorker)
{
    SetAllFlags(1); // a previous run stopped with every error raised
    StartTest(nullptr, false, false, RecordingStart);
    ASSERT_FALSE(s_attempts.empty());
    const FlagSnapshot& seen = s_attempts.front().flags;
    EXPECT_EQ(seen.idle, 0);
    EXPECT_EQ(seen.stop, 0);
    EXPECT_EQ(seen.complexMath, 0);
    EXPECT_EQ(seen.integerMath, 0);
    EXPECT_EQ(seen.matrix, 0);
    EXPECT_EQ(seen.chipsets, 0);
}

TEST_F(TestRunTest, FailedThreadStopsTheRunAndTellsHowManyStarted)
{
    // As on a system that refuses the thread (Windows 95 and 98 refuse a
    // CreateThread without an identifier variable, for one).
    struct Case { int failOn; bool mmx, sse; };
    const Case cases[] = { { 0, false, false }, { 1, false, false }, { 2, true, false }, { 4, true, true } };
    for (const Case& c : cases) {
        s_attempts.clear();
        s_failOnAttempt = c.failOn;
        g_testFlags.Idle.store(1, relaxed);
        EXPECT_EQ(StartTest(nullptr, c.mmx, c.sse, RecordingStart), c.failOn) << "failing " << c.failOn;
        // No further attempt; the ones started leave at their next check.
        EXPECT_EQ(s_attempts.size(), static_cast<size_t>(c.failOn + 1));
        const FlagSnapshot after = Snapshot();
        EXPECT_EQ(after.stop, 1);
        EXPECT_EQ(after.idle, 1);
        EXPECT_EQ(after.matrix, 0);
    }
}

TEST_F(TestRunTest, StopSetsStopAndIdleAndKeepsTheErrors)
{
    StartTest(nullptr, false, false, RecordingStart);
    g_testFlags.ErrorMatrix.store(1, relaxed);
    g_testFlags.ErrorChipsets.store(1, relaxed);
    StopTest();
    FlagSnapshot after = Snapshot();
    EXPECT_EQ(after.stop, 1);
    EXPECT_EQ(after.idle, 1);
    EXPECT_EQ(after.complexMath, 0);
    EXPECT_EQ(after.integerMath, 0);
    EXPECT_EQ(after.matrix, 1);
    EXPECT_EQ(after.chipsets, 1);

    // Polling after the stop still finds them; only the next start clears.
    CString text("No Error(s) detected yet!");
    PollErrors(text);
    EXPECT_EQ(text, " Error in Chipsets");
    StartTest(nullptr, false, false, RecordingStart);
    after = Snapshot();
    EXPECT_EQ(after.matrix, 0);
    EXPECT_EQ(after.chipsets, 0);
}

TEST_F(TestRunTest, StopWithNoErrorLeavesThemClear)
{
    StartTest(nullptr, false, false, RecordingStart);
    StopTest();
    const FlagSnapshot after = Snapshot();
    EXPECT_EQ(after.complexMath + after.integerMath + after.matrix + after.chipsets, 0);
}

TEST_F(TestRunTest, PollWithoutErrorsKeepsTheText)
{
    StartTest(nullptr, false, false, RecordingStart);
    CString text("No Error(s) detected yet!");
    for (int tick = 0; tick < 3; ++tick)
        PollErrors(text);
    EXPECT_EQ(text, "No Error(s) detected yet!");
}

TEST_F(TestRunTest, EachErrorFlagHasItsMessage)
{
    struct Case { std::atomic<std::uint8_t> TestFlags::*flag; const char* message; };
    const Case cases[] = {
        { &TestFlags::ErrorComplexMath, " Error in Complex Math" },
        { &TestFlags::ErrorIntegerMath, " Error in Integer Math" },
        { &TestFlags::ErrorMatrix,      " Error in Matrix" },
        { &TestFlags::ErrorChipsets,    " Error in Chipsets" },
    };
    for (const Case& c : cases) {
        SetAllFlags(0);
        (g_testFlags.*c.flag).store(1, relaxed);
        CString text("No Error(s) detected yet!");
        PollErrors(text);
        EXPECT_EQ(text, c.message);
    }
}

TEST_F(TestRunTest, LastSetFlagInPollOrderWins)
{
    CString text;
    g_testFlags.ErrorMatrix.store(1, relaxed);
    g_testFlags.ErrorChipsets.store(1, relaxed);
    PollErrors(text);
    EXPECT_EQ(text, " Error in Chipsets");

    SetAllFlags(0);
    g_testFlags.ErrorComplexMath.store(1, relaxed);
    g_testFlags.ErrorMatrix.store(1, relaxed);
    PollErrors(text);
    EXPECT_EQ(text, " Error in Matrix");

    SetAllFlags(0);
    g_testFlags.ErrorComplexMath.store(1, relaxed);
    g_testFlags.ErrorIntegerMath.store(1, relaxed);
    PollErrors(text);
    EXPECT_EQ(text, " Error in Integer Math");

    SetAllFlags(0);
    g_testFlags.ErrorComplexMath.store(1, relaxed);
    g_testFlags.ErrorIntegerMath.store(1, relaxed);
    g_testFlags.ErrorMatrix.store(1, relaxed);
    g_testFlags.ErrorChipsets.store(1, relaxed);
    PollErrors(text);
    EXPECT_EQ(text, " Error in Chipsets");
}

TEST_F(TestRunTest, PollingNeverClearsAndTheMessageStays)
{
    StartTest(nullptr, false, false, RecordingStart);
    CString text("No Error(s) detected yet!");
    g_testFlags.ErrorMatrix.store(1, relaxed);
    PollErrors(text);
    EXPECT_EQ(text, " Error in Matrix");
    for (int tick = 0; tick < 3; ++tick) {
        text = "No Error(s) detected yet!";
        PollErrors(text);
        EXPECT_EQ(text, " Error in Matrix");
    }
    EXPECT_EQ(g_testFlags.ErrorMatrix.load(relaxed), 1);
}
