#include "support/T_numeric.h"

const char* T_numeric_base::name_of(long in_code) {
    switch (in_code) {
    case 1:
        return "kCFNumberSInt8Type";
    case 2:
        return "kCFNumberSInt16Type";
    case 3:
        return "kCFNumberSInt32Type";
    case 4:
        return "kCFNumberSInt64Type";
    case 7:
        return "kCFNumberCharType";
    case 8:
        return "kCFNumberShortType";
    case 9:
        return "kCFNumberIntType";
    case 10:
        return "kCFNumberLongType";
    case 11:
        return "kCFNumberLongLongType";
    case 12:
        return "kCFNumberFloatType";
    case 13:
        return "kCFNumberDoubleType";
    case 14:
        return "kCFNumberCFIndexType";
    default:
        return "Unknown";
    }
}
