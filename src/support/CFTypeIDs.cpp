#include "support/CFTypeRefClass.h"

#include "support/CoreStaticOrder.h"

#include "platform/corefoundation/CFArray.h"
#include "platform/corefoundation/CFBundle.h"
#include "platform/corefoundation/CFData.h"
#include "platform/corefoundation/CFDictionary.h"
#include "platform/corefoundation/CFNumber.h"
#include "platform/corefoundation/CFSet.h"
#include "platform/corefoundation/CFString.h"
#include "platform/corefoundation/CFURL.h"

// The type identifiers of the wrapped reference types: zero until their group of the ordered
// statics takes them from the platform, before the statics that come after it (the system name)
// and before main.
template <>
CFTypeID T_CFTypeID<CFStringRef>::sTypeID = 0;
template <>
CFTypeID T_CFTypeID<CFNumberRef>::sTypeID = 0;
template <>
CFTypeID T_CFTypeID<CFBooleanRef>::sTypeID = 0;
template <>
CFTypeID T_CFTypeID<CFArrayRef>::sTypeID = 0;
template <>
CFTypeID T_CFTypeID<CFMutableArrayRef>::sTypeID = 0;
template <>
CFTypeID T_CFTypeID<CFDictionaryRef>::sTypeID = 0;
template <>
CFTypeID T_CFTypeID<CFDataRef>::sTypeID = 0;
template <>
CFTypeID T_CFTypeID<CFSetRef>::sTypeID = 0;
template <>
CFTypeID T_CFTypeID<CFMutableSetRef>::sTypeID = 0;
template <>
CFTypeID T_CFTypeID<CFBagRef>::sTypeID = 0;
template <>
CFTypeID T_CFTypeID<CFMutableBagRef>::sTypeID = 0;
template <>
CFTypeID T_CFTypeID<CFBundleRef>::sTypeID = 0;
template <>
CFTypeID T_CFTypeID<CFURLRef>::sTypeID = 0;

namespace {
struct CFTypeIDsAtLoad {
    CFTypeIDsAtLoad() {
        T_CFTypeID<CFStringRef>::sTypeID = ::CFStringGetTypeID();
        T_CFTypeID<CFNumberRef>::sTypeID = ::CFNumberGetTypeID();
        T_CFTypeID<CFBooleanRef>::sTypeID = ::CFBooleanGetTypeID();
        T_CFTypeID<CFArrayRef>::sTypeID = ::CFArrayGetTypeID();
        T_CFTypeID<CFMutableArrayRef>::sTypeID = ::CFArrayGetTypeID();
        T_CFTypeID<CFDictionaryRef>::sTypeID = ::CFDictionaryGetTypeID();
        T_CFTypeID<CFDataRef>::sTypeID = ::CFDataGetTypeID();
        T_CFTypeID<CFSetRef>::sTypeID = ::CFSetGetTypeID();
        T_CFTypeID<CFMutableSetRef>::sTypeID = ::CFSetGetTypeID();
        T_CFTypeID<CFBagRef>::sTypeID = ::CFBagGetTypeID();
        T_CFTypeID<CFMutableBagRef>::sTypeID = ::CFBagGetTypeID();
        T_CFTypeID<CFBundleRef>::sTypeID = ::CFBundleGetTypeID();
        T_CFTypeID<CFURLRef>::sTypeID = ::CFURLGetTypeID();
    }
};
CFTypeIDsAtLoad sCFTypeIDsAtLoad CORE_STATIC_ORDER(kCoreStaticOrder_CFTypeIDs);
} // namespace
