#include "support/CoreServicesFramework.h"

#include "support/CoreStaticOrder.h"

namespace CoreServicesFramework {

// Made before any code runs (constant initialisation), so that failure reports from other
// static initialisers can use it; unloaded at exit.
constinit T_CFBaseDLL<I_CFBundleDLL> sCoreServices CORE_STATIC_ORDER(kCoreStaticOrder_DebugLog){
    "CoreServices.framework"};

const char* StatusText(const char* functionName, int err) {
    using StatusTextFunction = const char* (*)(SInt32);
    const auto function = sCoreServices.Function<StatusTextFunction>(functionName);
    if (!function)
        return "";
    const char* text = function(SInt32(err));
    return text ? text : "";
}

} // namespace CoreServicesFramework
