#include "support/CoreSystem.h"

#include "platform/system/Gestalt.h"
#include "support/CFBaseDLL.h"
#include "support/CoreMachDebugLog.h"
#include "support/CoreStaticOrder.h"

#include <atomic>

namespace {
std::atomic<SInt32> sCachedVersion{0};
} // namespace

CoreSystemName CoreSystem::GetVersion() {
    SInt32 cachedGestaltVersion = sCachedVersion.load();
    if (cachedGestaltVersion != 0)
        return CoreSystemName(cachedGestaltVersion);
    if (VERIFY_OSERR(Gestalt(gestaltSystemVersion, &cachedGestaltVersion)) != noErr)
        return 0;
    sCachedVersion.store(cachedGestaltVersion);
    return CoreSystemName(cachedGestaltVersion);
}

bool CoreSystem::SystemFrameworkHasFunction(const char* frameworkName, const char* functionName) {
    if (!frameworkName || !functionName)
        return false;
    T_CFBaseDLL<I_CFBundleDLL> framework(frameworkName);
    return framework.Function<void*>(functionName) != nullptr;
}

void CoreSystem::ResetCachedVersionForTesting() {
    sCachedVersion.store(0);
}

CoreSystemName CoreSystem::sSystemNameAtLoad = 0;

namespace {
// Reads the system name once while the program loads, after the earlier groups of statics.
struct SystemNameAtLoad {
    SystemNameAtLoad() { CoreSystem::sSystemNameAtLoad = CoreSystem::GetSystemName(); }
};
SystemNameAtLoad sSystemNameLoader CORE_STATIC_ORDER(kCoreStaticOrder_SystemName);
} // namespace
