#include "platform/system/MachTime.h"

#include <ctime>

std::uint64_t mach_absolute_time() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint64_t(now.tv_sec) * 1000000000u + std::uint64_t(now.tv_nsec);
}

kern_return_t mach_timebase_info(mach_timebase_info_t info) {
    if (!info)
        return KERN_INVALID_ARGUMENT;
    info->numer = 1;
    info->denom = 1;
    return KERN_SUCCESS;
}
