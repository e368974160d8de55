#include "platform/system/Gestalt.h"

#include <atomic>

namespace {

std::atomic<bool> sOverridden{false};
std::atomic<OSErr> sOverrideStatus{noErr};
std::atomic<SInt32> sOverrideVersion{0};

} // namespace

OSErr Gestalt(OSType selector, SInt32* response) {
    if (!response)
        return paramErr;
    if (selector != gestaltSystemVersion)
        return gestaltUndefSelectorErr;
    if (sOverridden.load()) {
        const OSErr status = sOverrideStatus.load();
        if (status != noErr)
            return status;
        *response = sOverrideVersion.load();
        return noErr;
    }
    *response = kLumenreelSystemVersion;
    return noErr;
}

void GestaltSetSystemVersionOverride(OSErr status, SInt32 version) {
    sOverrideStatus.store(status);
    sOverrideVersion.store(version);
    sOverridden.store(true);
}

void GestaltClearSystemVersionOverride() {
    sOverridden.store(false);
}
