#pragma once

#include "platform/corefoundation/CFBase.h"

#include <exception>
#include <string>

// The platform type identifier of each wrapped reference type, taken once while the program's
// statics are made.
template <class T>
struct T_CFTypeID {
    static CFTypeID sTypeID;
};

template <>
CFTypeID T_CFTypeID<CFStringRef>::sTypeID;
template <>
CFTypeID T_CFTypeID<CFNumberRef>::sTypeID;
template <>
CFTypeID T_CFTypeID<CFBooleanRef>::sTypeID;
template <>
CFTypeID T_CFTypeID<CFArrayRef>::sTypeID;
template <>
CFTypeID T_CFTypeID<CFMutableArrayRef>::sTypeID;
template <>
CFTypeID T_CFTypeID<CFDictionaryRef>::sTypeID;
template <>
CFTypeID T_CFTypeID<CFDataRef>::sTypeID;
template <>
CFTypeID T_CFTypeID<CFSetRef>::sTypeID;
template <>
CFTypeID T_CFTypeID<CFMutableSetRef>::sTypeID;
template <>
CFTypeID T_CFTypeID<CFBagRef>::sTypeID;
template <>
CFTypeID T_CFTypeID<CFMutableBagRef>::sTypeID;
template <>
CFTypeID T_CFTypeID<CFBundleRef>::sTypeID;
template <>
CFTypeID T_CFTypeID<CFURLRef>::sTypeID;

// Operations on any Core Foundation reference.
class CFTypeRefClass {
public:
    // A reference of an unexpected type. Carries nothing beyond its class.
    class TypeException : public std::exception {};

    // The type identifier, when ref is non-null and of that type; otherwise throws.
    static CFTypeID ThrowIfNotTypeMatch(CFTypeRef ref, CFTypeID in_type_id);
    // The platform's description of a type identifier or of an object, as UTF-8.
    static bool GetTypeDescription(CFTypeID in_type_id, std::string& out_description);
    static bool GetDescription(CFTypeRef ref, std::string& out_description);

    // A number read out as T (double, float, unsigned long, long, unsigned int, int, unsigned
    // short, short); false for null, other objects and lossy conversions.
    template <class T>
    static bool ConvertTo(CFTypeRef ref, T& out_value);
    // null: false; a string: its UTF-8 text; any other object: its description.
    static bool ConvertTo(CFTypeRef ref, std::string& out_value);
};

#include "support/T_CFNumber.h"

template <class T>
bool CFTypeRefClass::ConvertTo(CFTypeRef ref, T& out_value) {
    return TCFNumber(static_cast<CFNumberRef>(ref), kCFTypeRefBorrowed).GetValue(out_value);
}
