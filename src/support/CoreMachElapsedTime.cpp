#include "support/CoreMachElapsedTime.h"

#include "platform/system/MachTime.h"

namespace {

struct TimeBase {
    mach_timebase_info_data_t info{0, 0};
    kern_return_t result = KERN_INVALID_ARGUMENT;
};

} // namespace

std::uint64_t CoreMachElapsedTime::GetNanoseconds() {
    // Asked once, safely under concurrent first use.
    static const TimeBase sTimeBase = [] {
        TimeBase base;
        base.result = mach_timebase_info(&base.info);
        return base;
    }();
    if (sTimeBase.result != KERN_SUCCESS || sTimeBase.info.denom == 0)
        return 0;
    return mach_absolute_time() * sTimeBase.info.numer / sTimeBase.info.denom;
}
