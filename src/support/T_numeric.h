#pragma once

#include "platform/corefoundation/CFNumber.h"

#include <type_traits>

// The platform number-type codes used to read values of each native arithmetic type.
struct T_numeric_base {
    // The platform name of a number-type code ("kCFNumberSInt32Type"); "Unknown" for others.
    static const char* name_of(long in_code);

    template <class T>
    static constexpr CFNumberType number_type_of() {
        if constexpr (std::is_same_v<T, char>)
            return kCFNumberSInt8Type;
        else if constexpr (std::is_same_v<T, short>)
            return kCFNumberSInt16Type;
        else if constexpr (std::is_same_v<T, int>)
            return kCFNumberSInt32Type;
        else if constexpr (std::is_same_v<T, long>)
            // Follows the size of long here: reading a 64-bit long as a 32-bit integer would
            // leave half of it unwritten.
            return sizeof(long) == 4 ? kCFNumberSInt32Type : kCFNumberSInt64Type;
        else if constexpr (std::is_same_v<T, long long>)
            return kCFNumberSInt64Type;
        else if constexpr (std::is_same_v<T, unsigned char>)
            return kCFNumberCharType;
        else if constexpr (std::is_same_v<T, unsigned short>)
            return kCFNumberShortType;
        else if constexpr (std::is_same_v<T, unsigned int>)
            return kCFNumberIntType;
        else if constexpr (std::is_same_v<T, unsigned long>)
            return kCFNumberLongType;
        else if constexpr (std::is_same_v<T, unsigned long long>)
            return kCFNumberLongLongType;
        else if constexpr (std::is_same_v<T, float>)
            return kCFNumberFloatType;
        else {
            static_assert(std::is_same_v<T, double>, "no number type for this native type");
            return kCFNumberDoubleType;
        }
    }
};

template <class T>
struct T_numeric : T_numeric_base {
    static constexpr CFNumberType sNumberType = number_type_of<T>();
};
