#include "ClockEstimate.h"

#include "FaultGuard.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#include <time.h>
#endif

namespace {

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
};

}  // namespace

const char* const ClockNotDetected = "Not Detected!";

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
    TscStopwatch stopwatch;
    stopwatch.Start(clock);
    stopwatch.overhead = stopwatch.Elapsed(clock);
    stopwatch.Start(clock);
    clock.SleepMilliseconds(1000);
    return FormatClock(stopwatch.Elapsed(clock));
}
