#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ClockEstimate.h"

#if defined(__linux__)
#include <csetjmp>
#include <csignal>
#include <sys/prctl.h>
#include <thread>
#endif

namespace {

const std::string kTail = "   MHZ   estimated ";

// Stand-ins for the system's affinity calls.
std::uintptr_t s_processMask;
bool s_processMaskKnown;
std::uintptr_t s_threadMask;  // 0: setting fails, as on Windows 95, 98 and Me
std::vector<std::uintptr_t> s_setCalls;

bool FakeProcessMask(std::uintptr_t* mask) {
    *mask = s_processMask;
    return s_processMaskKnown;
}

std::uintptr_t FakeSetThreadMask(std::uintptr_t mask) {
    s_setCalls.push_back(mask);
    const std::uintptr_t previous = s_threadMask;
    if (previous)
        s_threadMask = mask;
    return previous;
}

// A counter that returns scripted values and a sleep that only records,
// with the stand-in affinity calls.
class ScriptedClock : public ClockSource {
public:
    bool counter = true;
    std::vector<std::uint64_t> values;
    std::vector<std::string> events;
    std::vector<std::uintptr_t> readOn;  // the thread's set at each read
    std::function<void()> duringSleep;

    bool HasCounter() override {
        events.push_back("has");
        return counter;
    }
    std::uint64_t ReadCounter() override {
        events.push_back("read");
        readOn.push_back(s_threadMask);
        if (next >= values.size()) {
            ADD_FAILURE() << "counter read more often than scripted";
            return 0;
        }
        return values[next++];
    }
    void SleepMilliseconds(unsigned milliseconds) override {
        events.push_back("sleep " + std::to_string(milliseconds));
        if (duringSleep)
            duringSleep();
    }
    AffinityCalls Affinity() override { return {FakeProcessMask, FakeSetThreadMask}; }

private:
    std::size_t next = 0;
};

// Counter readings for a calibration costing `overhead` ticks and a
// measured interval of `interval` ticks after calibration.
std::vector<std::uint64_t> Readings(std::uint64_t first, std::uint64_t overhead,
                                    std::uint64_t interval) {
    const std::uint64_t measureStart = first + overhead + 777;
    return {first, first + overhead, measureStart, measureStart + overhead + interval};
}

std::string Estimate(std::uint64_t interval, std::uint64_t first = 1000000,
                     std::uint64_t overhead = 42) {
    ScriptedClock clock;
    clock.values = Readings(first, overhead, interval);
    return EstimateClock(clock).GetString();
}

TEST(EstimateClock, WholeMegahertz) {
    EXPECT_EQ("733.00" + kTail, Estimate(733000000));
}

TEST(EstimateClock, HundredthsInTwoDigits) {
    EXPECT_EQ("733.05" + kTail, Estimate(733050000));
    EXPECT_EQ("733.50" + kTail, Estimate(733500000));
    EXPECT_EQ("1999.99" + kTail, Estimate(1999999999));
}

TEST(EstimateClock, UnderTenThousandTicksIsZero) {
    EXPECT_EQ("0.00" + kTail, Estimate(9999));
    EXPECT_EQ("0.00" + kTail, Estimate(0));
    EXPECT_EQ("0.01" + kTail, Estimate(10000));
}

TEST(EstimateClock, CalibrationIsSubtracted) {
    // Same interval, very different calibration costs: same text.
    EXPECT_EQ("733.05" + kTail, Estimate(733050000, 5, 0));
    EXPECT_EQ("733.05" + kTail, Estimate(733050000, 5, 9999));
    // Without the subtraction 1,000,000 extra ticks would show as 100 more
    // hundredths.
    EXPECT_EQ("733.05" + kTail, Estimate(733050000, 5, 1000000));
}

TEST(EstimateClock, CounterWrappingAroundIsHarmless) {
    const std::uint64_t nearTop = ~std::uint64_t(0) - 100;
    EXPECT_EQ("2400.00" + kTail, Estimate(2400000000u, nearTop, 60));
}

// A thread free to run on processors 0 and 1 of a two-processor machine.
void TwoProcessors() {
    s_processMask = 0x3;
    s_processMaskKnown = true;
    s_threadMask = 0x3;
    s_setCalls.clear();
}

TEST(EstimateClock, CalibratesThenSleepsOneSecondBetweenStartAndElapsedOnOneProcessor) {
    TwoProcessors();
    ScriptedClock clock;
    clock.values = Readings(10, 20, 30);
    EstimateClock(clock);
    EXPECT_EQ((std::vector<std::string>{"has", "read", "read", "read", "sleep 1000", "read"}),
              clock.events);
    EXPECT_EQ((std::vector<std::uintptr_t>{0x1, 0x1, 0x1, 0x1}), clock.readOn);
    EXPECT_EQ(s_threadMask, 0x3u) << "the thread's set is not back";
}

TEST(EstimateClock, AnotherEstimateMeanwhileLeavesThisOneOnItsProcessor) {
    // Another thread's estimate through the same clock (the program has one
    // real clock), here started inside this one's sleep: each call puts
    // back the set it found, not the other's, and not while this one still
    // measures.
    TwoProcessors();
    ScriptedClock clock;
    const std::vector<std::uint64_t> outer = Readings(10, 20, 733000000),
                                    inner = Readings(5, 2, 500000000);
    clock.values = {outer[0], outer[1], outer[2], inner[0], inner[1], inner[2], inner[3], outer[3]};
    std::string innerText;
    clock.duringSleep = [&] {
        clock.duringSleep = nullptr;
        innerText = EstimateClock(clock).GetString();
    };
    EXPECT_EQ("733.00" + kTail, std::string(EstimateClock(clock).GetString()));
    EXPECT_EQ("500.00" + kTail, innerText);
    EXPECT_EQ(std::vector<std::uintptr_t>(8, 0x1), clock.readOn);
    EXPECT_EQ(s_threadMask, 0x3u) << "the thread's set is not back";
}

TEST(OneProcessorHold, LowestProcessorWhileHeldThenThePreviousSetBack) {
    struct Case {
        const char* system;
        AffinityCalls calls;
        bool known;
        std::uintptr_t process, thread;
        std::vector<std::uintptr_t> sets;  // expected calls, hold then release
    };
    const Case cases[] = {
        {"two processors", {FakeProcessMask, FakeSetThreadMask}, true, 0x3, 0x3, {0x1, 0x3}},
        {"process on 2 and 3 of 4", {FakeProcessMask, FakeSetThreadMask}, true, 0xC, 0x4 | 0x8, {0x4, 0xC}},
        {"one processor", {FakeProcessMask, FakeSetThreadMask}, true, 0x1, 0x1, {0x1, 0x1}},
        {"setting fails (9x)", {FakeProcessMask, FakeSetThreadMask}, true, 0x1, 0, {0x1}},
        {"mask unknown", {FakeProcessMask, FakeSetThreadMask}, false, 0x3, 0x3, {}},
        {"calls missing (95)", {nullptr, nullptr}, true, 0x3, 0x3, {}},
    };
    for (const Case& c : cases) {
        s_processMask = c.process;
        s_processMaskKnown = c.known;
        s_threadMask = c.thread;
        s_setCalls.clear();
        {
            OneProcessorHold hold(c.calls);
            hold.Hold();
            hold.Hold();  // a second hold changes nothing
            if (!c.sets.empty()) {
                EXPECT_EQ(s_setCalls.front(), c.sets.front()) << c.system;
            }
        }  // released by its end
        EXPECT_EQ(s_setCalls, c.sets) << c.system;
        EXPECT_EQ(s_threadMask, c.thread) << c.system << ": the previous set is not back";
    }
}

TEST(EstimateClock, WithoutCounterNotDetectedAndNoSleep) {
    ScriptedClock clock;
    clock.counter = false;
    EXPECT_EQ(std::string("Not Detected!"), EstimateClock(clock).GetString());
    EXPECT_EQ(std::vector<std::string>{"has"}, clock.events);
}

TEST(FormatClock, KeepsLowThirtyTwoBitsOfTheCount) {
    // (2^32 + 5) * 10000 ticks: the count wraps to 5 hundredths.
    const std::uint64_t ticks = ((std::uint64_t(1) << 32) + 5) * 10000u;
    EXPECT_EQ("0.05" + kTail, std::string(FormatClock(ticks).GetString()));
    // The largest count that fits.
    EXPECT_EQ("42949672.95" + kTail,
              std::string(FormatClock(std::uint64_t(0xFFFFFFFFu) * 10000u + 9999u)));
}

TEST(FormatClock, TailIsExact) {
    const CString text = FormatClock(733000000);
    ASSERT_GE(text.GetLength(), 19);
    EXPECT_EQ(kTail, std::string(text.Right(19).GetString()));
    EXPECT_EQ(' ', text.GetAt(text.GetLength() - 1));
    EXPECT_EQ(text.GetLength(), 6 + 19);
}

TEST(TscStopwatch, ElapsedSubtractsStartAndOverheadAndChangesNothing) {
    ScriptedClock clock;
    clock.values = {500, 2000, 2000};
    TscStopwatch watch;
    EXPECT_EQ(0u, watch.overhead);
    watch.Start(clock);
    watch.overhead = 100;
    EXPECT_EQ(1400u, watch.Elapsed(clock));
    EXPECT_EQ(500u, watch.start);
    EXPECT_EQ(1400u, watch.Elapsed(clock));
}

TEST(TscStopwatch, ModuloTwoToTheSixtyFourth) {
    ScriptedClock clock;
    clock.values = {10, 5};
    TscStopwatch watch;
    watch.Start(clock);
    watch.overhead = 0;
    EXPECT_EQ(~std::uint64_t(0) - 4, watch.Elapsed(clock));
}

#if defined(__i386__) || defined(__x86_64__)

TEST(RealClock, CounterRunsAndStopwatchMeasuresIt) {
    ASSERT_TRUE(RealClock().HasCounter());
    TscStopwatch watch;
    watch.Start();
    RealClock().SleepMilliseconds(20);
    EXPECT_GT(watch.Elapsed(), 1000000u);  // any counter above 50 MHz
}

// The one real second of the suite.
TEST(RealClock, EstimateOnThisMachine) {
    const std::string text = EstimateClock().GetString();
    ASSERT_GT(text.size(), kTail.size());
    EXPECT_EQ(kTail, text.substr(text.size() - kTail.size()));
    const double mhz = std::stod(text);
    EXPECT_GT(mhz, 100.0) << text;
    EXPECT_LT(mhz, 20000.0) << text;
}

#if defined(__linux__)

sigjmp_buf g_rdtscFault;

void JumpOutOfRdtsc(int) {
    siglongjmp(g_rdtscFault, 1);
}

// Whether a plain RDTSC raises SIGSEGV in the calling thread: the kernel may
// agree to make it fault while a hypervisor still answers it.
bool RawRdtscFaults() {
    struct sigaction action = {}, previous = {};
    action.sa_handler = JumpOutOfRdtsc;
    sigemptyset(&action.sa_mask);
    sigaction(SIGSEGV, &action, &previous);
    volatile bool faulted = true;
    if (sigsetjmp(g_rdtscFault, 1) == 0) {
        unsigned low, high;
        __asm__ __volatile__("rdtsc" : "=a"(low), "=d"(high));
        faulted = false;
    }
    sigaction(SIGSEGV, &previous, nullptr);
    return faulted;
}

// Linux can make RDTSC fault (SIGSEGV) for one thread: the real counter is
// then missing, the estimate says so and the thread goes on.
TEST(RealClock, NotDetectedWhenTheCounterFaults) {
    const char* unavailable = nullptr;
    bool hasCounter = true;
    std::uint64_t read = 1;
    std::string text;
    std::thread thread([&] {
        if (prctl(PR_SET_TSC, PR_TSC_SIGSEGV, 0, 0, 0) != 0) {
            unavailable = "this kernel cannot make RDTSC fault";
            return;
        }
        if (!RawRdtscFaults()) {
            unavailable = "RDTSC does not fault here although the kernel agreed (a hypervisor answers it)";
            return;
        }
        hasCounter = RealClock().HasCounter();
        read = RealClock().ReadCounter();
        text = EstimateClock().GetString();
    });
    thread.join();
    if (unavailable)
        GTEST_SKIP() << unavailable;
    EXPECT_FALSE(hasCounter);
    EXPECT_EQ(0u, read);
    EXPECT_EQ("Not Detected!", text);
}

#endif

#endif

}  // namespace
