#pragma once

#include <cstdint>

// The Mach clock: ticks of a monotonic clock that does not count suspended time differently
// from running time. Here one tick is one nanosecond of CLOCK_MONOTONIC (time base 1/1).
using kern_return_t = int;
constexpr kern_return_t KERN_SUCCESS = 0;
constexpr kern_return_t KERN_INVALID_ARGUMENT = 4;

struct mach_timebase_info_data_t {
    std::uint32_t numer;
    std::uint32_t denom;
};
using mach_timebase_info_t = mach_timebase_info_data_t*;

std::uint64_t mach_absolute_time();
// Fills in the ratio that turns ticks into nanoseconds.
kern_return_t mach_timebase_info(mach_timebase_info_t info);
