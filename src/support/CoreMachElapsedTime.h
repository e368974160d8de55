#pragma once

#include <cstdint>

// A nanosecond stopwatch on the Mach clock.
class CoreMachElapsedTime {
public:
    CoreMachElapsedTime() { Start(); }

    void Start() { _startTime_nsec = GetNanoseconds(); }
    // Nanoseconds since the last Start (wraps like the unsigned clock).
    std::uint64_t Elapsed_nsec() const { return GetNanoseconds() - _startTime_nsec; }

    // The clock in nanoseconds: ticks times the time base's numerator over its denominator, in
    // unsigned 64-bit arithmetic. 0 when the time base cannot be had.
    static std::uint64_t GetNanoseconds();

private:
    std::uint64_t _startTime_nsec = 0;
};
