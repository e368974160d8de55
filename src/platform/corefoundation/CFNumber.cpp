#include "platform/corefoundation/CFNumber.h"

#include "platform/corefoundation/CFInternal.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

bool isFloatType(CFIndex type) {
    return type == kCFNumberFloat32Type || type == kCFNumberFloat64Type ||
           type == kCFNumberFloatType || type == kCFNumberDoubleType ||
           type == kCFNumberCGFloatType;
}

CFIndex byteSizeOf(CFIndex type) {
    switch (type) {
    case kCFNumberSInt8Type:
    case kCFNumberCharType:
        return 1;
    case kCFNumberSInt16Type:
    case kCFNumberShortType:
        return 2;
    case kCFNumberSInt32Type:
    case kCFNumberIntType:
    case kCFNumberFloat32Type:
    case kCFNumberFloatType:
        return 4;
    case kCFNumberLongType:
        return sizeof(long);
    case kCFNumberCFIndexType:
    case kCFNumberNSIntegerType:
        return sizeof(CFIndex);
    case kCFNumberCGFloatType:
        return sizeof(double);
    default:
        return 8;
    }
}

bool validType(CFIndex type) {
    return type >= kCFNumberSInt8Type && type <= kCFNumberMaxType;
}

template <class T>
bool storeInteger(std::int64_t value, void* out) {
    const T narrowed = T(value);
    std::memcpy(out, &narrowed, sizeof(T));
    return std::int64_t(narrowed) == value;
}

} // namespace

struct __CFNumber final : __CFType {
    __CFNumber(CFNumberType type, std::int64_t i, double d)
        : __CFType(kCFTypeIDNumber), numberType(type), integer(i), real(d) {}
    bool isFloat() const { return isFloatType(numberType); }
    double asDouble() const { return isFloat() ? real : double(integer); }

    bool equals(const __CFType* other) const override {
        return CFNumberCompare(this, static_cast<const __CFNumber*>(other), nullptr) ==
               kCFCompareEqualTo;
    }
    CFHashCode hash() const override {
        if (!isFloat())
            return CFHashCode(integer);
        const double whole = std::trunc(real);
        return whole == real && std::fabs(real) < 9.2e18 ? CFHashCode(std::int64_t(real))
                                                         : CFHashCode(std::hash<double>()(real));
    }
    QString describe(int) const override {
        if (!isFloat())
            return QString::number(integer);
        return QString::number(real, 'g', QLocale::FloatingPointShortest);
    }

    CFNumberType numberType;
    std::int64_t integer;
    double real;
};

struct __CFBoolean final : __CFType {
    explicit __CFBoolean(bool v) : __CFType(kCFTypeIDBoolean), value(v) { immortal = true; }
    QString describe(int) const override {
        return value ? QStringLiteral("true") : QStringLiteral("false");
    }
    QString describeAsMember(int) const override {
        return value ? QStringLiteral("1") : QStringLiteral("0");
    }
    bool value;
};

struct __CFDate final : __CFType {
    explicit __CFDate(CFAbsoluteTime t) : __CFType(kCFTypeIDDate), at(t) {}
    bool equals(const __CFType* other) const override {
        return at == static_cast<const __CFDate*>(other)->at;
    }
    CFHashCode hash() const override { return CFHashCode(std::int64_t(at)); }
    QString describe(int) const override {
        const auto ms = qint64(std::llround((at + kCFAbsoluteTimeIntervalSince1970) * 1000.0));
        return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC)
                   .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
               QStringLiteral(" +0000");
    }
    CFAbsoluteTime at;
};

CFTypeID CFNumberGetTypeID() {
    return kCFTypeIDNumber;
}

CFNumberRef CFNumberCreate(CFAllocatorRef, CFNumberType theType, const void* valuePtr) {
    if (!valuePtr || !validType(theType))
        return nullptr;
    const CFIndex size = byteSizeOf(theType);
    if (isFloatType(theType)) {
        double value;
        if (size == 4) {
            float f;
            std::memcpy(&f, valuePtr, 4);
            value = f;
        } else {
            std::memcpy(&value, valuePtr, 8);
        }
        return new __CFNumber(theType, 0, value);
    }
    std::int64_t value = 0;
    switch (size) {
    case 1: {
        std::int8_t v;
        std::memcpy(&v, valuePtr, 1);
        value = v;
        break;
    }
    case 2: {
        std::int16_t v;
        std::memcpy(&v, valuePtr, 2);
        value = v;
        break;
    }
    case 4: {
        std::int32_t v;
        std::memcpy(&v, valuePtr, 4);
        value = v;
        break;
    }
    default:
        std::memcpy(&value, valuePtr, 8);
        break;
    }
    return new __CFNumber(theType, value, 0.0);
}

CFNumberType CFNumberGetType(CFNumberRef number) {
    const auto* object = CFCast<__CFNumber>(number, kCFTypeIDNumber);
    return object ? object->numberType : CFNumberType(0);
}

CFIndex CFNumberGetByteSize(CFNumberRef number) {
    const auto* object = CFCast<__CFNumber>(number, kCFTypeIDNumber);
    return object ? byteSizeOf(object->numberType) : 0;
}

Boolean CFNumberIsFloatType(CFNumberRef number) {
    const auto* object = CFCast<__CFNumber>(number, kCFTypeIDNumber);
    return object && object->isFloat();
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr) {
    const auto* object = CFCast<__CFNumber>(number, kCFTypeIDNumber);
    if (!object || !valuePtr || !validType(theType))
        return false;
    const CFIndex size = byteSizeOf(theType);
    if (isFloatType(theType)) {
        const double value = object->asDouble();
        bool exact = object->isFloat() || std::int64_t(value) == object->integer;
        if (size == 4) {
            const float f = float(value);
            std::memcpy(valuePtr, &f, 4);
            exact = exact && (double(f) == value || std::isnan(value));
        } else {
            std::memcpy(valuePtr, &value, 8);
        }
        return exact;
    }
    std::int64_t integer = object->integer;
    bool exact = true;
    if (object->isFloat()) {
        const double real = object->real;
        if (std::isnan(real)) {
            integer = 0;
            exact = false;
        } else if (real >= 9.223372036854775807e18) {
            integer = std::numeric_limits<std::int64_t>::max();
            exact = false;
        } else if (real < -9.223372036854775808e18) {
            integer = std::numeric_limits<std::int64_t>::min();
            exact = false;
        } else {
            integer = std::int64_t(real);
            exact = double(integer) == real;
        }
    }
    switch (size) {
    case 1:
        return storeInteger<std::int8_t>(integer, valuePtr) && exact;
    case 2:
        return storeInteger<std::int16_t>(integer, valuePtr) && exact;
    case 4:
        return storeInteger<std::int32_t>(integer, valuePtr) && exact;
    default:
        return storeInteger<std::int64_t>(integer, valuePtr) && exact;
    }
}

CFComparisonResult CFNumberCompare(CFNumberRef number, CFNumberRef otherNumber, void*) {
    const auto* a = CFCast<__CFNumber>(number, kCFTypeIDNumber);
    const auto* b = CFCast<__CFNumber>(otherNumber, kCFTypeIDNumber);
    if (!a || !b)
        return !a && !b ? kCFCompareEqualTo : (!a ? kCFCompareLessThan : kCFCompareGreaterThan);
    if (!a->isFloat() && !b->isFloat())
        return a->integer < b->integer
                   ? kCFCompareLessThan
                   : (a->integer > b->integer ? kCFCompareGreaterThan : kCFCompareEqualTo);
    const double x = a->asDouble();
    const double y = b->asDouble();
    return x < y ? kCFCompareLessThan : (x > y ? kCFCompareGreaterThan : kCFCompareEqualTo);
}

namespace {
// Made before every other static object (the lowest priority number), so that code running in
// static initialisers already sees two complete booleans.
__CFBoolean sTrue __attribute__((init_priority(101))) (true);
__CFBoolean sFalse __attribute__((init_priority(101))) (false);
} // namespace

const CFBooleanRef kCFBooleanTrue = &sTrue;
const CFBooleanRef kCFBooleanFalse = &sFalse;

CFTypeID CFBooleanGetTypeID() {
    return kCFTypeIDBoolean;
}

Boolean CFBooleanGetValue(CFBooleanRef boolean) {
    const auto* object = CFCast<__CFBoolean>(boolean, kCFTypeIDBoolean);
    return object && object->value;
}

CFTypeID CFDateGetTypeID() {
    return kCFTypeIDDate;
}

CFDateRef CFDateCreate(CFAllocatorRef, CFAbsoluteTime at) {
    return new __CFDate(at);
}

CFAbsoluteTime CFDateGetAbsoluteTime(CFDateRef theDate) {
    const auto* object = CFCast<__CFDate>(theDate, kCFTypeIDDate);
    return object ? object->at : 0.0;
}

CFAbsoluteTime CFAbsoluteTimeGetCurrent() {
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 - kCFAbsoluteTimeIntervalSince1970;
}
