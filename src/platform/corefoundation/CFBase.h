#pragma once

#include "platform/system/MacTypes.h"

#include <cstdint>

// Core Foundation: reference-counted value objects behind opaque references. An object made by
// a function with "Create" or "Copy" in its name belongs to the caller, who releases it with
// CFRelease; others are borrowed. Constant objects (CFSTR texts, the two booleans) ignore
// retain and release.

using CFTypeRef = const void*;
using CFTypeID = unsigned long;
using CFIndex = long;
using CFOptionFlags = unsigned long;
using CFHashCode = unsigned long;

struct CFRange {
    CFIndex location;
    CFIndex length;
};
inline CFRange CFRangeMake(CFIndex location, CFIndex length) {
    return CFRange{location, length};
}

constexpr CFIndex kCFNotFound = -1;

enum CFComparisonResult : CFIndex {
    kCFCompareLessThan = -1,
    kCFCompareEqualTo = 0,
    kCFCompareGreaterThan = 1,
};

struct __CFAllocator;
using CFAllocatorRef = const __CFAllocator*;
// Objects are always allocated the same way; kCFAllocatorNull says "do not free" where a
// function takes over a caller's bytes.
extern const CFAllocatorRef kCFAllocatorDefault;
extern const CFAllocatorRef kCFAllocatorSystemDefault;
extern const CFAllocatorRef kCFAllocatorMalloc;
extern const CFAllocatorRef kCFAllocatorNull;

struct __CFString;
struct __CFNumber;
struct __CFBoolean;
struct __CFData;
struct __CFArray;
struct __CFDictionary;
struct __CFSet;
struct __CFBag;
struct __CFURL;
struct __CFBundle;
struct __CFDate;

using CFStringRef = const __CFString*;
using CFMutableStringRef = __CFString*;
using CFNumberRef = const __CFNumber*;
using CFBooleanRef = const __CFBoolean*;
using CFDataRef = const __CFData*;
using CFMutableDataRef = __CFData*;
using CFArrayRef = const __CFArray*;
using CFMutableArrayRef = __CFArray*;
using CFDictionaryRef = const __CFDictionary*;
using CFMutableDictionaryRef = __CFDictionary*;
using CFSetRef = const __CFSet*;
using CFMutableSetRef = __CFSet*;
using CFBagRef = const __CFBag*;
using CFMutableBagRef = __CFBag*;
using CFURLRef = const __CFURL*;
using CFBundleRef = __CFBundle*;
using CFDateRef = const __CFDate*;
using CFPropertyListRef = CFTypeRef;

// Null for a null reference; otherwise the reference, with one more owner.
CFTypeRef CFRetain(CFTypeRef cf);
// Ignores a null reference; the last release frees the object.
void CFRelease(CFTypeRef cf);
CFIndex CFGetRetainCount(CFTypeRef cf);
// 0 for a null reference.
CFTypeID CFGetTypeID(CFTypeRef cf);
Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2);
CFHashCode CFHash(CFTypeRef cf);
// A text that describes the object (its value for strings, numbers and URLs; the members for
// collections). Null for a null reference.
CFStringRef CFCopyDescription(CFTypeRef cf);
// "CFString", "CFNumber", ...; null for an unknown identifier.
CFStringRef CFCopyTypeIDDescription(CFTypeID type_id);
// Writes the description to standard error.
void CFShow(CFTypeRef obj);
