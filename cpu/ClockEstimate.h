// Clock-frequency estimate: time-stamp-counter ticks across a one-second
// sleep, shown as "733.05   MHZ   estimated ".
//
// The counter and the sleep come through ClockSource so tests can hand in
// exact tick counts; the overloads without it use RDTSC and the system sleep.
#pragma once

#include <cstdint>

#include "CString.h"

// Where the ticks and the sleep come from.
class ClockSource {
public:
    virtual ~ClockSource() = default;
    // True when the time-stamp counter can be read (RDTSC does not fault).
    virtual bool HasCounter() = 0;
    // The counter now; 0 when it cannot be read.
    virtual std::uint64_t ReadCounter() = 0;
    // Blocks the calling thread for `milliseconds`.
    virtual void SleepMilliseconds(unsigned milliseconds) = 0;
};

// RDTSC (fault-guarded) and the system's sleep.
ClockSource& RealClock();

// Interval counter over the time-stamp counter. Arithmetic is modulo 2^64.
struct TscStopwatch {
    std::uint64_t start = 0;     // counter value read by the last Start
    std::uint64_t overhead = 0;  // ticks subtracted from every Elapsed

    void Start() { Start(RealClock()); }
    void Start(ClockSource& clock) { start = clock.ReadCounter(); }
    // Counter now minus overhead minus start; leaves the stopwatch as it is.
    std::uint64_t Elapsed() const { return Elapsed(RealClock()); }
    std::uint64_t Elapsed(ClockSource& clock) const {
        return clock.ReadCounter() - overhead - start;
    }
};

// Text shown before (or instead of) an estimate.
extern const char* const ClockNotDetected;  // "Not Detected!"

// The clock text for `ticks` counted across an interval taken to be one
// second: whole MHz, a point, two digits of hundredths, then the fixed tail.
CString FormatClock(std::uint64_t ticks);

// Calibrates, measures across a 1000 ms sleep and formats. "Not Detected!"
// when the processor has no time-stamp counter.
CString EstimateClock();
CString EstimateClock(ClockSource& clock);
