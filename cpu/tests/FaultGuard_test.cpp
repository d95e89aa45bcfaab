// The fault guard on genuinely faulting instructions, natively and under Wine.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "CpuIdentification.h"
#include "FaultGuard.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <thread>
#endif

namespace {

// Runs body(arg) on `count` threads at once and waits for all of them:
// CreateThread on Windows (its runtime may lack std::thread), std::thread
// elsewhere.
#if defined(_WIN32)
struct ThreadBody {
    void (*body)(void*);
    void* arg;
};

DWORD WINAPI RunThreadBody(LPVOID param) {
    const ThreadBody* start = static_cast<const ThreadBody*>(param);
    start->body(start->arg);
    return 0;
}

void RunOnThreads(int count, void (*body)(void*), void* arg) {
    ThreadBody start = {body, arg};
    std::vector<HANDLE> threads;
    for (int t = 0; t < count; ++t) {
        HANDLE thread = CreateThread(nullptr, 0, RunThreadBody, &start, 0, nullptr);
        ASSERT_NE(nullptr, thread);
        threads.push_back(thread);
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(static_cast<DWORD>(threads.size()),
                                                    threads.data(), TRUE, INFINITE));
    for (HANDLE thread : threads)
        CloseHandle(thread);
}
#else
void RunOnThreads(int count, void (*body)(void*), void* arg) {
    std::vector<std::thread> threads;
    for (int t = 0; t < count; ++t)
        threads.emplace_back(body, arg);
    for (std::thread& thread : threads)
        thread.join();
}
#endif

#if defined(__i386__) || defined(__x86_64__)

TEST(FaultGuard, UndefinedInstructionReturnsFalseAThousandTimesInARow) {
    int completed = 0;
    for (int i = 0; i < 1000; ++i) {
        if (FaultGuard::ExecuteUndefined())
            ++completed;
    }
    EXPECT_EQ(0, completed);
}

struct ThreadCounts {
    static constexpr int kThreads = 4;
    static constexpr int kRounds = 500;
    std::atomic<int> ready{0};
    std::atomic<int> completedFaults{0};
    std::atomic<int> recovered{0};
    std::atomic<int> cpuidOk{0};
};

void FaultRepeatedly(void* param) {
    ThreadCounts& counts = *static_cast<ThreadCounts*>(param);
    counts.ready.fetch_add(1);
    while (counts.ready.load() < ThreadCounts::kThreads) {
    }
    for (int i = 0; i < ThreadCounts::kRounds; ++i) {
        if (FaultGuard::ExecuteUndefined())
            counts.completedFaults.fetch_add(1);
        else
            counts.recovered.fetch_add(1);
        // A guarded instruction that completes, between faults.
        if (FaultGuard::ExecuteCpuid0())
            counts.cpuidOk.fetch_add(1);
    }
}

TEST(FaultGuard, SeveralThreadsFaultAtOnce) {
    ThreadCounts counts;
    RunOnThreads(ThreadCounts::kThreads, FaultRepeatedly, &counts);
    EXPECT_EQ(0, counts.completedFaults.load());
    EXPECT_EQ(ThreadCounts::kThreads * ThreadCounts::kRounds, counts.recovered.load());
    EXPECT_EQ(ThreadCounts::kThreads * ThreadCounts::kRounds, counts.cpuidOk.load());
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
#if defined(__i386__)
    info->ContextRecord->Eip += 2;  // past the ud2
#else
    info->ContextRecord->Rip += 2;
#endif
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
        for (int i = 0; i < 1000; ++i) {
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
    EXPECT_EQ(1000, results.faultsRecovered);
    EXPECT_EQ(IdentifyProcessor(nullptr), results.detected);
    EXPECT_NE(0u, results.detected & FeatureSSE2);  // every i686 host this runs on
}

#if defined(__i386__)
// The exception chain at fs:[0] that the 32-bit guard's frames live on.

// The thread's information block (fs:[0x18] holds its own address; read
// directly, as NtCurrentTeb's header version trips GCC's bounds warning).
NT_TIB* ThreadInformation() {
    NT_TIB* self;
    __asm__ volatile("movl %%fs:0x18, %0" : "=r"(self));
    return self;
}

EXCEPTION_REGISTRATION_RECORD* ExceptionChain() {
    return ThreadInformation()->ExceptionList;
}

TEST(FaultGuard, ExceptionChainIsTheSameAfterEitherPath) {
    // A frame left on the chain would point into stack that later calls
    // overwrite: the next exception of the thread would then crash the
    // process (and SEHOP refuses a broken chain outright).
    EXCEPTION_REGISTRATION_RECORD* before = ExceptionChain();
    ASSERT_NE(nullptr, before);
    EXPECT_FALSE(FaultGuard::ExecuteUndefined());
    EXPECT_EQ(before, ExceptionChain());
    EXPECT_TRUE(FaultGuard::ExecuteCpuid0());
    EXPECT_EQ(before, ExceptionChain());
    std::uint64_t ticks = 0;
    EXPECT_TRUE(FaultGuard::ExecuteRdtsc(&ticks));
    EXPECT_EQ(before, ExceptionChain());
    for (std::uint32_t feature : {FeatureMMX, FeatureSSE, FeatureSSE2, Feature3DNow}) {
        ProbeFeature(feature);
        EXPECT_EQ(before, ExceptionChain()) << "feature " << feature;
    }
}
#endif

// What the thread looked like when the fault was raised, seen by a vectored
// handler (called before any frame) that leaves the fault to the frames.
struct RaisedFault {
    DWORD code = 0;
    PVOID address = nullptr;
#if defined(__i386__)
    EXCEPTION_REGISTRATION_RECORD* chain = nullptr;  // the top frame then
    EXCEPTION_REGISTRATION_RECORD* next = nullptr;   // and what it linked to
    PEXCEPTION_ROUTINE handler = nullptr;
#endif
};
RaisedFault g_raised;

LONG CALLBACK RecordFault(EXCEPTION_POINTERS* info) {
    if (g_raised.address == nullptr) {
        g_raised.code = info->ExceptionRecord->ExceptionCode;
        g_raised.address = info->ExceptionRecord->ExceptionAddress;
#if defined(__i386__)
        g_raised.chain = ExceptionChain();
        // Copied now: the frame is gone from the stack once the routine returns.
        g_raised.next = g_raised.chain ? g_raised.chain->Next : nullptr;
        g_raised.handler = g_raised.chain ? g_raised.chain->Handler : nullptr;
#endif
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

// Faults once under the guard and reports what the thread looked like.
RaisedFault RaiseGuardedFault() {
    g_raised = RaisedFault();
    PVOID handler = AddVectoredExceptionHandler(1, RecordFault);
    EXPECT_NE(nullptr, handler);
    EXPECT_FALSE(FaultGuard::ExecuteUndefined());
    RemoveVectoredExceptionHandler(handler);
    return g_raised;
}

#if defined(__i386__)
TEST(FaultGuard, FaultMeetsOneFrameOnTopOfTheThreadsChain) {
    EXCEPTION_REGISTRATION_RECORD* before = ExceptionChain();
    const RaisedFault raised = RaiseGuardedFault();
    EXPECT_EQ(static_cast<DWORD>(STATUS_ILLEGAL_INSTRUCTION), raised.code);
    ASSERT_NE(nullptr, raised.chain);
    EXPECT_NE(before, raised.chain);
    EXPECT_EQ(before, raised.next);  // linked to the previous top
    EXPECT_NE(nullptr, reinterpret_cast<void*>(raised.handler));
    // The frame lives on this thread's stack, as the dispatcher requires.
    const NT_TIB* tib = ThreadInformation();
    EXPECT_LT(reinterpret_cast<char*>(tib->StackLimit), reinterpret_cast<char*>(raised.chain));
    EXPECT_GT(reinterpret_cast<char*>(tib->StackBase), reinterpret_cast<char*>(raised.chain));
}
#endif

TEST(FaultGuard, ClaimsOnlyErrorsRaisedAtItsOwnInstruction) {
    const RaisedFault raised = RaiseGuardedFault();
    void* at = raised.address;
    ASSERT_NE(nullptr, at);
    const void* recover = FaultGuard::RecoveryFor(STATUS_ILLEGAL_INSTRUCTION, 0, at);
    ASSERT_NE(nullptr, recover);
    EXPECT_GT(recover, at);  // the recovery point follows the instruction
    // Any error (a privileged instruction, an access violation) at the
    // guarded instruction is its fault.
    EXPECT_EQ(recover, FaultGuard::RecoveryFor(STATUS_PRIVILEGED_INSTRUCTION, 0, at));
    EXPECT_EQ(recover, FaultGuard::RecoveryFor(STATUS_ACCESS_VIOLATION, 0, at));
    // A debugger's breakpoint or single step there is not.
    EXPECT_EQ(nullptr, FaultGuard::RecoveryFor(STATUS_BREAKPOINT, 0, at));
    EXPECT_EQ(nullptr, FaultGuard::RecoveryFor(STATUS_SINGLE_STEP, 0, at));
    // Nor is an unwind passing by the frame.
    EXPECT_EQ(nullptr, FaultGuard::RecoveryFor(STATUS_ILLEGAL_INSTRUCTION,
                                               EXCEPTION_UNWINDING, at));
    EXPECT_EQ(nullptr, FaultGuard::RecoveryFor(STATUS_ILLEGAL_INSTRUCTION,
                                               EXCEPTION_EXIT_UNWIND, at));
    // Nor a fault anywhere else.
    EXPECT_EQ(nullptr, FaultGuard::RecoveryFor(STATUS_ILLEGAL_INSTRUCTION, 0,
                                               static_cast<char*>(at) + 1));
    EXPECT_EQ(nullptr, FaultGuard::RecoveryFor(STATUS_ILLEGAL_INSTRUCTION, 0, strayUd2At));
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
