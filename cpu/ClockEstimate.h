// Clock-frequency estimate: time-stamp-counter ticks across a one-second
// sleep, shown as "733.05   MHZ   estimated ".
//
// The counter, the sleep and the affinity calls come through ClockSource so
// tests can hand in exact tick counts; the overloads without it use RDTSC,
// the system sleep and the system's affinity calls.
#pragma once

#include <cstdint>

#include "CString.h"

// The system's processor-affinity calls, as plain function pointers so that
// tests can stand in for the system. Either may be null: Windows 95, 98 and
// Me have no affinity (the functions fail or are missing there).
struct AffinityCalls {
    // The processors the process may run on; false when unknown.
    bool (*processMask)(std::uintptr_t* mask);
    // Sets the calling thread's processors; returns the previous set, or 0
    // when it failed.
    std::uintptr_t (*setThreadMask)(std::uintptr_t mask);
};

// The calling system's calls: on Windows looked up in KERNEL32 at run time.
AffinityCalls SystemAffinityCalls();

// Where the ticks, the sleep and the affinity calls come from.
class ClockSource {
public:
    virtual ~ClockSource() = default;
    // True when the time-stamp counter can be read (RDTSC does not fault).
    virtual bool HasCounter() = 0;
    // The counter now; 0 when it cannot be read.
    virtual std::uint64_t ReadCounter() = 0;
    // Blocks the calling thread for `milliseconds`.
    virtual void SleepMilliseconds(unsigned milliseconds) = 0;
    // The calls that keep the measuring thread on one processor, so that
    // every counter read comes from the same processor's counter (on a
    // multiprocessor the counters differ).
    virtual AffinityCalls Affinity() = 0;
};

// Keeps the calling thread on the lowest processor of the process's set
// from Hold until Release (or destruction), and puts the thread's previous
// set back then. Does nothing where the calls are missing or fail. One
// hold is one thread's: it keeps that thread's previous set.
class OneProcessorHold {
public:
    explicit OneProcessorHold(const AffinityCalls& calls) : calls(calls) {}
    ~OneProcessorHold() { Release(); }
    OneProcessorHold(const OneProcessorHold&) = delete;
    OneProcessorHold& operator=(const OneProcessorHold&) = delete;

    void Hold();
    void Release();

private:
    AffinityCalls calls;
    bool holding = false;
    std::uintptr_t previous = 0;  // 0: nothing to put back
};

// RDTSC (fault-guarded), the system's sleep and its affinity calls. It
// keeps no state: any thread may use it, several at once.
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

// Calibrates, measures across a 1000 ms sleep and formats, with the thread
// held on one processor from the first counter read to the last (a hold of
// this call's own, so estimates on several threads at once each put back
// their own thread's set). "Not Detected!" when the processor has no
// time-stamp counter.
CString EstimateClock();
CString EstimateClock(ClockSource& clock);
