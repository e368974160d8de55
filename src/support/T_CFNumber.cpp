#include "support/T_CFNumber.h"

#include "support/CFTypeRefClass.h"

bool TCFNumber::construct(CFNumberRef ref, CFTypeRef_Ownership ownership) {
    const bool fOk = T_CFTypeRef<CFNumberRef>::construct(ref, ownership);
    if (fOk)
        CFTypeRefClass::ThrowIfNotTypeMatch(ref, T_CFTypeID<CFNumberRef>::sTypeID);
    return fOk;
}

bool TCFNumber::IsTypeValid() const {
    return mValueRef != nullptr && ::CFGetTypeID(mValueRef) == T_CFTypeID<CFNumberRef>::sTypeID;
}
