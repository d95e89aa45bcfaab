// The fault guard on genuinely faulting instructions, natively and under Wine.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "CpuIdentification.h"
#include "FaultGuard.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

#if defined(__i386__) || defined(__x86_64__)

TEST(FaultGuard, UndefinedInstructionReturnsFalseAThousandTimesInARow) {
    int completed = 0;
    for (int i = 0; i < 1000; ++i) {
        if (FaultGuard::ExecuteUndefined())
            ++completed;
    }
    EXPECT_EQ(0, completed);
}

TEST(FaultGuard, SeveralThreadsFaultAtOnce) {
    const int kThreads = 4;
    const int kRounds = 500;
    std::atomic<int> ready(0);
    std::atomic<int> completedFaults(0);
    std::atomic<int> recovered(0);
    std::atomic<int> cpuidOk(0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            ready.fetch_add(1);
            while (ready.load() < kThreads) {
            }
            for (int i = 0; i < kRounds; ++i) {
                if (FaultGuard::ExecuteUndefined())
                    completedFaults.fetch_add(1);
                else
                    recovered.fetch_add(1);
                // A guarded instruction that completes, between faults.
                if (FaultGuard::ExecuteCpuid0())
                    cpuidOk.fetch_add(1);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(0, completedFaults.load());
    EXPECT_EQ(kThreads * kRounds, recovered.load());
    EXPECT_EQ(kThreads * kRounds, cpuidOk.load());
}

TEST(FaultGuard, ThreadKeepsItsStateAcrossAFault) {
    // Callee-saved registers and the stack survive the recovery: locals the
    // compiler keeps in registers across the call are intact.
    volatile int before = 12345;
    long long sum = 0;
    for (int i = 0; i < 100; ++i) {
        sum += i;
        EXPECT_FALSE(FaultGuard::ExecuteUndefined());
    }
    EXPECT_EQ(4950, sum);
    EXPECT_EQ(12345, before);
}

TEST(FaultGuard, CpuidAndRdtscCompleteOnThisMachine) {
    EXPECT_TRUE(FaultGuard::ExecuteCpuid0());
    std::uint64_t first = 0, second = 0;
    ASSERT_TRUE(FaultGuard::ExecuteRdtsc(&first));
    ASSERT_TRUE(FaultGuard::ExecuteRdtsc(&second));
    EXPECT_NE(0u, first);
    EXPECT_GE(second, first);
}

long double X87Product(long double a, long double b) {
    volatile long double x = a;
    volatile long double y = b;
    return x * y;
}

TEST(FaultGuard, X87UsableAfterMmxAndThreeDNowProbes) {
    // Without EMMS the MMX instruction leaves every x87 register tagged in
    // use and the next load overflows the stack into a NaN.
    ASSERT_TRUE(ProbeFeature(FeatureMMX));
    EXPECT_EQ(4.5L, X87Product(1.5L, 3.0L));
    ProbeFeature(Feature3DNow);  // faults or not, the x87 unit must work after
    EXPECT_EQ(4.5L, X87Product(1.5L, 3.0L));
}

TEST(ProbeFeature, UnknownFeatureValuesAreNotProbed) {
    EXPECT_FALSE(ProbeFeature(0));
    EXPECT_FALSE(ProbeFeature(FeatureMMX | FeatureSSE));
    EXPECT_FALSE(ProbeFeature(16));
}

#if defined(_WIN32)

// A fault that is not at a guarded instruction must go on to the next
// handler: the guard only claims its own addresses.
extern "C" int StrayUd2() __asm__("pyrolux_test_stray_ud2");
extern "C" char strayUd2At[] __asm__("pyrolux_test_stray_ud2_at");
__asm__(
    ".text\n"
    "pyrolux_test_stray_ud2:\n"
    "    xorl %eax, %eax\n"
    "pyrolux_test_stray_ud2_at:\n"
    "    ud2\n"
    "    ret\n");

std::atomic<int> g_strayFaults(0);

LONG CALLBACK SkipStrayUd2(EXCEPTION_POINTERS* info) {
    if (info->ExceptionRecord->ExceptionAddress != strayUd2At)
        return EXCEPTION_CONTINUE_SEARCH;
    g_strayFaults.fetch_add(1);
    info->ContextRecord->Eip += 2;  // past the ud2
    return EXCEPTION_CONTINUE_EXECUTION;
}

// The main window identifies the processor while handling WM_CREATE: the
// guard must work below USER32's frames too.
struct CreateResults {
    int faultsRecovered = 0;
    std::uint32_t detected = 0;
};

LRESULT CALLBACK IdentifyOnCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        CreateResults* results = static_cast<CreateResults*>(create->lpCreateParams);
        for (int i = 0; i < 100; ++i) {
            if (!FaultGuard::ExecuteUndefined())
                ++results->faultsRecovered;
        }
        ProcessorRecord record;
        results->detected = IdentifyProcessor(&record);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(FaultGuard, WorksInsideAWindowProcedure) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = IdentifyOnCreate;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "PyroluxFaultGuardTest";
    ASSERT_NE(0, RegisterClassA(&windowClass));
    CreateResults results;
    HWND window = CreateWindowA("PyroluxFaultGuardTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, windowClass.hInstance, &results);
    ASSERT_NE(nullptr, window);
    DestroyWindow(window);
    UnregisterClassA("PyroluxFaultGuardTest", windowClass.hInstance);
    EXPECT_EQ(100, results.faultsRecovered);
    EXPECT_EQ(IdentifyProcessor(nullptr), results.detected);
    EXPECT_NE(0u, results.detected & FeatureSSE2);  // every i686 host this runs on
}

TEST(FaultGuard, FaultsElsewhereReachTheNextHandler) {
    EXPECT_FALSE(FaultGuard::ExecuteUndefined());  // guard installed
    PVOID handler = AddVectoredExceptionHandler(0, SkipStrayUd2);
    ASSERT_NE(nullptr, handler);
    StrayUd2();
    EXPECT_FALSE(FaultGuard::ExecuteUndefined());
    RemoveVectoredExceptionHandler(handler);
    EXPECT_EQ(1, g_strayFaults.load());
}

#else

TEST(FaultGuardDeathTest, FaultsElsewhereStillKillTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            FaultGuard::ExecuteUndefined();
            __builtin_trap();
        },
        "");
}

#endif

#else

TEST(FaultGuard, NoX86NoInstructions) {
    EXPECT_FALSE(HasCpuid());
    EXPECT_FALSE(FaultGuard::ExecuteUndefined());
}

#endif

}  // namespace
