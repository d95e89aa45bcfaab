// core_benchmark: prints what one pass of the matrix workload costs, shows
// that both copies are really computed, compares the pass with a plainly
// written reference, and loads every core with real workers for a while.
// Prints figures only; it judges nothing. About 15 s in all.
#include "MatrixWorker.h"
#include "TestRun.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#else
#include <time.h>
#endif

namespace {

typedef std::chrono::steady_clock Clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processors the system has. The win32 runtime's std::thread cannot tell
// (it answers 0).
int ProcessorCount()
{
#if defined(_WIN32)
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return std::max(1, static_cast<int>(info.dwNumberOfProcessors));
#else
    return std::max(1u, std::thread::hardware_concurrency());
#endif
}

// CPU time of the whole process, in seconds.
double ProcessCpuSeconds()
{
#if defined(_WIN32)
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user))
        return 0;
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return (k.QuadPart + u.QuadPart) * 1e-7;
#else
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
#endif
}

// --- The reference: one pass written as plainly as possible ----------------

double P1[10000], C1[10000], L1[10000], Q1[10000];
double P2[10000], C2[10000], L2[10000], Q2[10000];

__attribute__((noinline)) bool ReferencePass()
{
    for (int e = 1; e < 10000; ++e) {
        P1[e] = e; L1[e] = e; C1[e] = 10000 - e; Q1[e] = 10000 - e;
    }
    for (int e = 1; e < 10000; ++e) {
        P1[e] = sin(P1[e]); C1[e] = cos(C1[e]); L1[e] = log(L1[e]); Q1[e] = e / sin(Q1[e]);
    }
    for (int e = 1; e < 10000; ++e)
        P1[e] = Q1[e] * L1[e] * C1[e] * P1[e];
    for (int e = 1; e < 10000; ++e) {
        P2[e] = e; L2[e] = e; C2[e] = 10000 - e; Q2[e] = 10000 - e;
    }
    for (int e = 1; e < 10000; ++e) {
        P2[e] = sin(P2[e]); C2[e] = cos(C2[e]); L2[e] = log(L2[e]); Q2[e] = e / sin(Q2[e]);
    }
    for (int e = 1; e < 10000; ++e)
        P2[e] = Q2[e] * L2[e] * C2[e] * P2[e];
    bool same = true;
    for (int e = 1; e < 10000; ++e) {
        if (P1[e] != P2[e]) same = false;
        if (C1[e] != C2[e]) same = false;
        if (L1[e] != L2[e]) same = false;
        if (Q1[e] != Q2[e]) same = false;
    }
    return same;
}

// --- Single-thread timing ----------------------------------------------------

MatrixCopy g_copy1;
MatrixCopy g_copy2;
int g_sink;

enum Subject { SingleCopy, FullPass, Reference };

// Seconds for `count` runs of the subject.
double TimeBlock(Subject subject, int count)
{
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) {
        switch (subject) {
        case SingleCopy: ComputeCopy(g_copy1); break;
        case FullPass: g_sink += RunPass(g_copy1, g_copy2, ComputeCopy); break;
        case Reference: g_sink += ReferencePass() ? 0 : 1; break;
        }
    }
    return SecondsSince(start);
}

struct PassTimes {
    double copy, pass, reference; // best seconds per run
};

// Interleaves blocks of the three subjects for about `budget` seconds and
// keeps the fastest block of each: other load on the machine only ever
// makes a block slower.
PassTimes MeasurePass(double budget)
{
    TimeBlock(FullPass, 2); // warm up caches and pages
    const double estimate = TimeBlock(FullPass, 3) / 3;
    const int count = std::max(1, static_cast<int>(0.05 / std::max(estimate, 1e-6)));
    PassTimes best = { 1e9, 1e9, 1e9 };
    const Clock::time_point start = Clock::now();
    do {
        best.copy = std::min(best.copy, TimeBlock(SingleCopy, count) / count);
        best.pass = std::min(best.pass, TimeBlock(FullPass, count) / count);
        best.reference = std::min(best.reference, TimeBlock(Reference, count) / count);
    } while (SecondsSince(start) < budget);
    return best;
}

// --- Load run ---------------------------------------------------------------

struct LoadRun {
    // Microseconds since `start`: a 32-bit atomic, which the i486 has
    // without a lock (64-bit ones need CMPXCHG8B, a Pentium instruction).
    Clock::time_point start = Clock::now();
    std::atomic<int> returned{ 0 };
    std::atomic<std::int32_t> lastReturn{ 0 };

    std::int32_t Now() const
    {
        return static_cast<std::int32_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count());
    }
};

std::uint32_t TimedWorker(void* param, std::uint32_t testRun)
{
    const std::uint32_t result = MatrixWorker(nullptr, testRun);
    LoadRun* run = static_cast<LoadRun*>(param);
    const std::int32_t now = run->Now();
    std::int32_t last = run->lastReturn.load();
    while (last < now && !run->lastReturn.compare_exchange_weak(last, now)) {
    }
    ++run->returned;
    return result;
}

void RunLoad(int workers, int cores, double seconds, double passSeconds)
{
    LoadRun run;
    g_testFlags.Idle.store(0, std::memory_order_relaxed);
    g_testFlags.Stop.store(0, std::memory_order_relaxed);
    g_testFlags.ErrorMatrix.store(0, std::memory_order_relaxed);
    int started = 0;
    for (int i = 0; i < workers; ++i)
        started += StartWorkerThread(TimedWorker, &run, g_testRun.load()) ? 1 : 0;

    const Clock::time_point wallStart = Clock::now();
    const double cpuStart = ProcessCpuSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double wall = SecondsSince(wallStart);
    const double cpu = ProcessCpuSeconds() - cpuStart;

    const std::int32_t stopAt = run.Now();
    StopTest();
    const Clock::time_point waitStart = Clock::now();
    while (run.returned.load() < started && SecondsSince(waitStart) < 10)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    const int returned = run.returned.load();

    std::printf("  N = %d workers (%d started) for %.1f s\n", workers, started, wall);
    std::printf("    CPU time / (wall x cores):  %.3f   (target >= 0.95 when N >= cores)\n",
                cpu / (wall * cores));
    if (returned == started) {
        const double latencyMs = (run.lastReturn.load() - stopAt) * 1e-3;
        std::printf("    stop latency:               %.2f ms   (target <= one pass + 20 ms = %.2f ms)\n",
                    latencyMs, passSeconds * 1e3 + 20);
    } else {
        std::printf("    stop latency:               only %d of %d workers returned within 10 s\n",
                    returned, started);
    }
    std::printf("    ErrorMatrix:                %d\n",
                g_testFlags.ErrorMatrix.load(std::memory_order_relaxed));
}

} // namespace

int main()
{
#if defined(_WIN32)
#if defined(__i686__)
    const char* build = "win32, code for the i686";
#elif defined(__i386__)
    const char* build = "win32, code for the i486";
#else
    const char* build = "win64";
#endif
#else
    const char* build = sizeof(void*) == 4 ? "native i386" : "native x86-64";
#endif
#if defined(__i386__) && !defined(__SSE2_MATH__)
    const char* math = "x87, 53-bit precision control";
#else
    const char* math = "SSE2";
#endif
    const int cores = ProcessorCount();
    std::printf("Pyrolux stress-test core benchmark (%s, %s math, %d cores)\n", build, math, cores);

    // Measure on this thread under the same floating-point setup as a worker.
    UseDoublePrecision();
    const PassTimes t = MeasurePass(4.0);
    std::printf("\nOne worker, fastest of repeated blocks:\n");
    std::printf("  single copy:                  %10.0f ns\n", t.copy * 1e9);
    std::printf("  full pass (2 copies+compare): %10.0f ns\n", t.pass * 1e9);
    std::printf("  pass / single copy:           %10.3f   (about 2: the copies are not merged)\n",
                t.pass / t.copy);
    std::printf("  passes per second per worker: %10.1f\n", 1 / t.pass);
    std::printf("  plain reference pass:         %10.0f ns\n", t.reference * 1e9);
    std::printf("  ours / reference:             %10.3f   (target <= 1.05)\n", t.pass / t.reference);

    std::printf("\nLoad runs (real workers, real threads; other load on the machine lowers the CPU share):\n");
    RunLoad(2, cores, 3.0, t.pass);
    RunLoad(cores + 1, cores, 3.0, t.pass);
    return g_sink == -1 ? 1 : 0;
}
