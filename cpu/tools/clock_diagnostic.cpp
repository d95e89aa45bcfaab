// clock_diagnostic [rounds]: prints the clock estimate beside an independent
// measure of the time-stamp counter's rate (the counter read across an
// interval of the monotonic clock) and their ratio. The estimate assumes its
// sleep lasts exactly one second; the ratio shows how far that holds here.
#include <cstdio>
#include <cstdlib>

#include "ClockEstimate.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <time.h>
#endif

namespace {

double MonotonicSeconds() {
#if defined(_WIN32)
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
#else
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#endif
}

// Counter ticks per microsecond (MHz) across about one second of the
// monotonic clock.
double IndependentMhz(ClockSource& clock) {
    const double t0 = MonotonicSeconds();
    const std::uint64_t c0 = clock.ReadCounter();
    clock.SleepMilliseconds(1000);
    const std::uint64_t c1 = clock.ReadCounter();
    const double t1 = MonotonicSeconds();
    return static_cast<double>(c1 - c0) / ((t1 - t0) * 1e6);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 1;
    ClockSource& clock = RealClock();
    if (!clock.HasCounter()) {
        std::printf("EstimateClock: \"%s\" (no time-stamp counter)\n", EstimateClock().GetString());
        return 0;
    }
    double worst = 0;
    for (int round = 1; round <= rounds; ++round) {
        const CString estimate = EstimateClock(clock);
        const double estimateMhz = std::strtod(estimate.GetString(), nullptr);
        const double independent = IndependentMhz(clock);
        const double ratio = estimateMhz / independent;
        const double deviation = ratio > 1 ? ratio - 1 : 1 - ratio;
        if (deviation > worst)
            worst = deviation;
        std::printf("round %d: EstimateClock \"%s\"  independent %.2f MHz  ratio %.5f\n",
                    round, estimate.GetString(), independent, ratio);
    }
    std::printf("largest deviation %.3f %% (target: within 1 %%)\n", worst * 100);
    return 0;
}
