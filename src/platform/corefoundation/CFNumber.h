#pragma once

#include "platform/corefoundation/CFBase.h"

// Numbers, booleans and dates.

enum CFNumberType : CFIndex {
    kCFNumberSInt8Type = 1,
    kCFNumberSInt16Type = 2,
    kCFNumberSInt32Type = 3,
    kCFNumberSInt64Type = 4,
    kCFNumberFloat32Type = 5,
    kCFNumberFloat64Type = 6,
    kCFNumberCharType = 7,  // char
    kCFNumberShortType = 8, // short
    kCFNumberIntType = 9,   // int
    kCFNumberLongType = 10, // long (of this platform)
    kCFNumberLongLongType = 11,
    kCFNumberFloatType = 12,
    kCFNumberDoubleType = 13,
    kCFNumberCFIndexType = 14,
    kCFNumberNSIntegerType = 15,
    kCFNumberCGFloatType = 16,
    kCFNumberMaxType = 16,
};

CFTypeID CFNumberGetTypeID();
// Reads a value of the given type from valuePtr; null for an unknown type or a null pointer.
CFNumberRef CFNumberCreate(CFAllocatorRef allocator, CFNumberType theType, const void* valuePtr);
CFNumberType CFNumberGetType(CFNumberRef number);
CFIndex CFNumberGetByteSize(CFNumberRef number);
Boolean CFNumberIsFloatType(CFNumberRef number);
// Writes the value as the given type (exactly that type's size). False when the conversion
// loses information (a fraction, a value out of range) or the arguments are unusable; the
// nearest value is still written where there is one.
Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr);
CFComparisonResult CFNumberCompare(CFNumberRef number, CFNumberRef otherNumber, void* context);

CFTypeID CFBooleanGetTypeID();
extern const CFBooleanRef kCFBooleanTrue;
extern const CFBooleanRef kCFBooleanFalse;
Boolean CFBooleanGetValue(CFBooleanRef boolean);

// Seconds since 2001-01-01 00:00:00 UTC.
using CFAbsoluteTime = double;
using CFTimeInterval = double;
constexpr CFTimeInterval kCFAbsoluteTimeIntervalSince1970 = 978307200.0;
CFTypeID CFDateGetTypeID();
CFDateRef CFDateCreate(CFAllocatorRef allocator, CFAbsoluteTime at);
CFAbsoluteTime CFDateGetAbsoluteTime(CFDateRef theDate);
CFAbsoluteTime CFAbsoluteTimeGetCurrent();
