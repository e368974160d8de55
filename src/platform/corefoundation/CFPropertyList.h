#pragma once

#include "platform/corefoundation/CFBase.h"

// XML property lists: dictionaries, arrays, strings, integers, reals, booleans, data and dates.

enum : CFOptionFlags {
    kCFPropertyListImmutable = 0,
    kCFPropertyListMutableContainers = 1,
    kCFPropertyListMutableContainersAndLeaves = 2,
};

enum CFPropertyListFormat : CFIndex {
    kCFPropertyListOpenStepFormat = 1,
    kCFPropertyListXMLFormat_v1_0 = 100,
    kCFPropertyListBinaryFormat_v1_0 = 200,
};

// Parses XML data into a new property list; null when the data is not a well-formed XML property
// list, with a description of the fault in *errorString (the caller releases it) when asked.
CFPropertyListRef CFPropertyListCreateFromXMLData(CFAllocatorRef allocator, CFDataRef xmlData,
                                                  CFOptionFlags mutabilityOption,
                                                  CFStringRef* errorString);
// The XML form of a property list; null when it holds something a property list cannot.
CFDataRef CFPropertyListCreateXMLData(CFAllocatorRef allocator, CFPropertyListRef propertyList);
// Whether the object is a property list that can be written in the format (XML only here).
Boolean CFPropertyListIsValid(CFPropertyListRef plist, CFPropertyListFormat format);
