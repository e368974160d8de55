#pragma once

#include "support/T_CFTypeRef.h"
#include "support/T_numeric.h"

#include "platform/corefoundation/CFNumber.h"

#include <limits>
#include <type_traits>

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

    // false for a null or non-number reference; otherwise the platform's read-out as T. The
    // platform's codes for the unsigned types are its signed ones of the same size, so for an
    // unsigned T success means the number is a whole number within T's own range.
    template <class T>
    bool GetValue(T& out_value) const {
        static_assert(std::is_arithmetic_v<T>);
        if (!IsTypeValid())
            return false;
        const bool fOk = ::CFNumberGetValue(mValueRef, T_numeric<T>::sNumberType, &out_value) != 0;
        if constexpr (std::is_unsigned_v<T>) {
            long long wide = 0;
            return ::CFNumberGetValue(mValueRef, kCFNumberSInt64Type, &wide) != 0 && wide >= 0 &&
                   static_cast<unsigned long long>(wide) <= std::numeric_limits<T>::max();
        }
        return fOk;
    }
};
