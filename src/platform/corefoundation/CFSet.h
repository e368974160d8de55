#pragma once

#include "platform/corefoundation/CFDictionary.h"

// Unordered collections: a set holds each value once, a bag counts repeated values.

using CFSetCallBacks = CFDictionaryKeyCallBacks;
using CFBagCallBacks = CFDictionaryKeyCallBacks;
extern const CFSetCallBacks kCFTypeSetCallBacks;
extern const CFBagCallBacks kCFTypeBagCallBacks;

CFTypeID CFSetGetTypeID();
CFSetRef CFSetCreate(CFAllocatorRef allocator, const void** values, CFIndex numValues,
                     const CFSetCallBacks* callBacks);
CFMutableSetRef CFSetCreateMutable(CFAllocatorRef allocator, CFIndex capacity,
                                   const CFSetCallBacks* callBacks);
CFIndex CFSetGetCount(CFSetRef theSet);
Boolean CFSetContainsValue(CFSetRef theSet, const void* value);
// The stored value equal to `value`, or null.
const void* CFSetGetValue(CFSetRef theSet, const void* value);
void CFSetGetValues(CFSetRef theSet, const void** values);
void CFSetAddValue(CFMutableSetRef theSet, const void* value);
void CFSetRemoveValue(CFMutableSetRef theSet, const void* value);

CFTypeID CFBagGetTypeID();
CFBagRef CFBagCreate(CFAllocatorRef allocator, const void** values, CFIndex numValues,
                     const CFBagCallBacks* callBacks);
CFMutableBagRef CFBagCreateMutable(CFAllocatorRef allocator, CFIndex capacity,
                                   const CFBagCallBacks* callBacks);
CFIndex CFBagGetCount(CFBagRef theBag);
CFIndex CFBagGetCountOfValue(CFBagRef theBag, const void* value);
Boolean CFBagContainsValue(CFBagRef theBag, const void* value);
void CFBagAddValue(CFMutableBagRef theBag, const void* value);
// Removes one occurrence.
void CFBagRemoveValue(CFMutableBagRef theBag, const void* value);
