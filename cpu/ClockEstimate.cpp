#include "ClockEstimate.h"

#include "FaultGuard.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#include <sched.h>
#include <time.h>
#endif

namespace {

#if defined(_WIN32)
// Missing from KERNEL32 or failing on Windows 95, 98 and Me; present on
// every NT. Looked up at run time so the program loads everywhere.
typedef BOOL(WINAPI* GetProcessAffinityMaskProc)(HANDLE, PDWORD_PTR, PDWORD_PTR);
typedef DWORD_PTR(WINAPI* SetThreadAffinityMaskProc)(HANDLE, DWORD_PTR);

template <typename Function>
Function Kernel32Function(const char* name) {
    HMODULE kernel = ::GetModuleHandleA("KERNEL32.DLL");
    FARPROC found = kernel ? ::GetProcAddress(kernel, name) : nullptr;
    // Through a generic function pointer: FARPROC has no parameters.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

bool SystemProcessMask(std::uintptr_t* mask) {
    GetProcessAffinityMaskProc get =
        Kernel32Function<GetProcessAffinityMaskProc>("GetProcessAffinityMask");
    DWORD_PTR process = 0, system = 0;
    if (!get || !get(::GetCurrentProcess(), &process, &system))
        return false;
    *mask = process;
    return true;
}

std::uintptr_t SystemSetThreadMask(std::uintptr_t mask) {
    SetThreadAffinityMaskProc set =
        Kernel32Function<SetThreadAffinityMaskProc>("SetThreadAffinityMask");
    if (!set)
        return 0;
    const DWORD_PTR previous = set(::GetCurrentThread(), mask);
    // Moves the thread at once if it runs elsewhere now.
    if (previous)
        ::Sleep(0);
    return previous;
}
#else
bool SystemProcessMask(std::uintptr_t* mask) {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return false;
    *mask = 0;
    for (unsigned cpu = 0; cpu < sizeof(std::uintptr_t) * 8; ++cpu)
        if (CPU_ISSET(cpu, &set))
            *mask |= std::uintptr_t(1) << cpu;
    return true;
}

std::uintptr_t SystemSetThreadMask(std::uintptr_t mask) {
    std::uintptr_t previous = 0;
    if (!SystemProcessMask(&previous) || previous == 0)
        return 0;
    cpu_set_t set;
    CPU_ZERO(&set);
    for (unsigned cpu = 0; cpu < sizeof(std::uintptr_t) * 8; ++cpu)
        if (mask & (std::uintptr_t(1) << cpu))
            CPU_SET(cpu, &set);
    return sched_setaffinity(0, sizeof set, &set) == 0 ? previous : 0;
}
#endif

class RealClockSource : public ClockSource {
public:
    bool HasCounter() override {
        std::uint64_t ticks;
        return FaultGuard::ExecuteRdtsc(&ticks);
    }
    std::uint64_t ReadCounter() override {
        std::uint64_t ticks = 0;
        FaultGuard::ExecuteRdtsc(&ticks);
        return ticks;
    }
    void SleepMilliseconds(unsigned milliseconds) override {
#if defined(_WIN32)
        ::Sleep(milliseconds);
#else
        timespec rest = {static_cast<time_t>(milliseconds / 1000),
                         static_cast<long>(milliseconds % 1000) * 1000000L};
        while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
        }
#endif
    }
    AffinityCalls Affinity() override { return SystemAffinityCalls(); }
};

}  // namespace

const char* const ClockNotDetected = "Not Detected!";

AffinityCalls SystemAffinityCalls() {
    return AffinityCalls{SystemProcessMask, SystemSetThreadMask};
}

void OneProcessorHold::Hold() {
    if (holding)
        return;
    holding = true;
    std::uintptr_t process = 0;
    if (!calls.processMask || !calls.setThreadMask || !calls.processMask(&process) ||
        process == 0)
        return;
    // The lowest processor the process may use.
    previous = calls.setThreadMask(process & (~process + 1));
}

void OneProcessorHold::Release() {
    if (!holding)
        return;
    holding = false;
    if (previous)
        calls.setThreadMask(previous);
    previous = 0;
}

ClockSource& RealClock() {
    static RealClockSource clock;
    return clock;
}

CString FormatClock(std::uint64_t ticks) {
    // Hundredths of a megahertz, kept to 32 bits.
    const std::uint32_t count = static_cast<std::uint32_t>(ticks / 10000u);
    CString text;
    text.Format("%u.%02u   MHZ   estimated ", static_cast<unsigned>(count / 100u),
                static_cast<unsigned>(count % 100u));
    return text;
}

CString EstimateClock() {
    return EstimateClock(RealClock());
}

CString EstimateClock(ClockSource& clock) {
    if (!clock.HasCounter())
        return CString(ClockNotDetected);
    OneProcessorHold hold(clock.Affinity());
    hold.Hold();
    TscStopwatch stopwatch;
    stopwatch.Start(clock);
    stopwatch.overhead = stopwatch.Elapsed(clock);
    stopwatch.Start(clock);
    clock.SleepMilliseconds(1000);
    const std::uint64_t ticks = stopwatch.Elapsed(clock);
    hold.Release();
    return FormatClock(ticks);
}
