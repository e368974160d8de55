#pragma once

#include "support/T_CFTypeRef.h"
#include "support/T_numeric.h"

#include "platform/corefoundation/CFNumber.h"

// A number reference, owned or borrowed, read out into the native arithmetic types.
class TCFNumber : public T_CFTypeRef<CFNumberRef> {
public:
    TCFNumber() = default;
    // Stored unchanged, without a type check.
    explicit TCFNumber(CFNumberRef ref, CFTypeRef_Ownership ownership = kCFTypeRefBorrowed)
        : T_CFTypeRef<CFNumberRef>(ref, ownership) {}

    // Lets go of the held reference and takes ref; false for null. A reference of another type
    // throws CFTypeRefClass::TypeException and stays stored.
    bool construct(CFNumberRef ref, CFTypeRef_Ownership ownership);

    // Whether a number is held.
    bool IsTypeValid() const;

    // false for a null or non-number reference; otherwise the platform's read-out as T.
    template <class T>
    bool GetValue(T& out_value) const {
        static_assert(std::is_arithmetic_v<T>);
        return IsTypeValid() &&
               ::CFNumberGetValue(mValueRef, T_numeric<T>::sNumberType, &out_value) != 0;
    }
};
