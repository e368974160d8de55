#include "support/T_CFString.h"

#include "platform/corefoundation/CFArray.h"
#include "platform/corefoundation/CFBundle.h"
#include "platform/corefoundation/CFData.h"
#include "platform/corefoundation/CFDictionary.h"
#include "platform/corefoundation/CFNumber.h"
#include "platform/corefoundation/CFSet.h"
#include "platform/corefoundation/CFURL.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

// --- Operations on any reference ---------------------------------------------------------------

CFTypeID CFTypeRefClass::ThrowIfNotTypeMatch(CFTypeRef ref, CFTypeID in_type_id) {
    if (ref == nullptr || ::CFGetTypeID(ref) != in_type_id)
        throw TypeException();
    return in_type_id;
}

bool CFTypeRefClass::GetTypeDescription(CFTypeID in_type_id, std::string& out_description) {
    out_description.clear();
    const TCFString description(::CFCopyTypeIDDescription(in_type_id), kCFTypeRefOwned);
    return description.IsTypeValid() &&
           description.GetValue(out_description, kCFStringEncodingUTF8);
}

bool CFTypeRefClass::GetDescription(CFTypeRef ref, std::string& out_description) {
    out_description.clear();
    if (ref == nullptr)
        return false;
    const TCFString description(::CFCopyDescription(ref), kCFTypeRefOwned);
    return description.IsTypeValid() &&
           description.GetValue(out_description, kCFStringEncodingUTF8);
}

bool CFTypeRefClass::ConvertTo(CFTypeRef ref, std::string& out_value) {
    out_value.clear();
    if (ref == nullptr)
        return false;
    if (::CFGetTypeID(ref) == T_CFTypeID<CFStringRef>::sTypeID)
        return TCFString(static_cast<CFStringRef>(ref), kCFTypeRefBorrowed)
            .GetValue(out_value, kCFStringEncodingUTF8);
    return GetDescription(ref, out_value);
}

// --- TCFString: holding a reference --------------------------------------------------------------

bool TCFString::construct(CFStringRef ref, CFTypeRef_Ownership ownership) {
    const bool fOk = T_CFTypeRef<CFStringRef>::construct(ref, ownership);
    if (fOk)
        CFTypeRefClass::ThrowIfNotTypeMatch(ref, T_CFTypeID<CFStringRef>::sTypeID);
    return fOk;
}

bool TCFString::IsTypeValid() const {
    return mValueRef != nullptr && ::CFGetTypeID(mValueRef) == T_CFTypeID<CFStringRef>::sTypeID;
}

bool TCFString::adopt(CFStringRef created) {
    if (created == nullptr)
        return false;
    return T_CFTypeRef<CFStringRef>::construct(created, kCFTypeRefOwned);
}

// --- TCFString: forms without checks of their own ------------------------------------------------

TCFString::TCFString(const HFSUniStr255& in_name) {
    SetValue(in_name);
}

TCFString& TCFString::operator=(const std::wstring& in_wide_string) {
    SetValue(in_wide_string);
    return *this;
}

TCFString& TCFString::operator=(const HFSUniStr255& in_name) {
    SetValue(in_name);
    return *this;
}

// Mac Roman, at most 255 bytes, into the caller's Pascal-string buffer.
bool TCFString::GetValue(unsigned char* out_pstring) const {
    if (!VERIFY_AT(90, "out_pstring != nullptr", out_pstring != nullptr))
        return false;
    out_pstring[0] = 0;
    std::string text;
    if (!GetValue(text, kCFStringEncodingMacRoman))
        return false;
    const std::size_t length = std::min<std::size_t>(text.size(), 255);
    std::memcpy(out_pstring + 1, text.data(), length);
    out_pstring[0] = static_cast<unsigned char>(length);
    return true;
}

// --- TCFString: conversion to 8-bit text ---------------------------------------------------------
//
// The requested encoding is tried first when it is available (never the invalid code). When it
// is not, or the conversion fails, the first available encoding of the fixed list below is
// tried once, and its result stands: the list is not searched any further. The empty string
// converts to failure.

namespace {

const CFStringEncoding PreferredEncoding[] = {
    kCFStringEncodingUTF8,          kCFStringEncodingUTF8,          kCFStringEncodingMacRoman,
    kCFStringEncodingWindowsLatin1, kCFStringEncodingISOLatin1,     kCFStringEncodingASCII,
    kCFStringEncodingNextStepLatin, kCFStringEncodingNonLossyASCII,
};

// The converted text of a string in one encoding, into a buffer of the platform's maximum size
// for it; false, reporting nothing, when the conversion fails.
bool ConvertOnce(CFStringRef string, CFIndex length, CFStringEncoding encoding, std::string& out) {
    const CFIndex max_size = ::CFStringGetMaximumSizeForEncoding(length, encoding);
    if (max_size == kCFNotFound)
        return false;
    std::string buffer(std::size_t(max_size) + 1, '\0');
    if (!::CFStringGetCString(string, buffer.data(), CFIndex(buffer.size()), encoding))
        return false;
    out.assign(buffer.c_str());
    return true;
}

} // namespace

// For the string "café":
//   Mac Roman                    "caf\x8E"
//   ISO Latin 1                  "caf\xE9"
//   ASCII (no é)                 falls back to UTF-8: "caf\xC3\xA9"
//   the invalid code, or 0x1234  UTF-8 as well
// A string that UTF-8 cannot hold either (a lone surrogate) fails with a report, without trying
// Mac Roman or the rest of the list. Text after a zero unit is not part of the result: the
// conversion makes a C string.
bool TCFString::GetValue(std::string& out_string, CFStringEncoding inToThisEncoding) const {
    out_string.clear();
    if (!IsTypeValid())
        return false;
    const CFIndex length = ::CFStringGetLength(mValueRef);
    if (length < 1)
        return false;
    if (inToThisEncoding != kCFStringEncodingInvalidId &&
        ::CFStringIsEncodingAvailable(inToThisEncoding) &&
        ConvertOnce(mValueRef, length, inToThisEncoding, out_string))
        return true;
    for (std::size_t i = 0; i < sizeof(PreferredEncoding) / sizeof(PreferredEncoding[0]); ++i) {
        if (!::CFStringIsEncodingAvailable(PreferredEncoding[i]))
            continue;
        const CFIndex _max_buffer_size =
            ::CFStringGetMaximumSizeForEncoding(length, PreferredEncoding[i]) + 1;
        char* buffer_raw_string = nullptr;
        bool fOk = false;
        if (VERIFY_AT(169, "buffer_raw_string = (char*)std::malloc(_max_buffer_size)",
                      buffer_raw_string = (char*)std::malloc(_max_buffer_size)))
            VERIFY_AT(170,
                      "fOk = "
                      "::CFStringGetCString(mValueRef,buffer_raw_string,_max_buffer_size,"
                      "PreferredEncoding[i])",
                      fOk = ::CFStringGetCString(mValueRef, buffer_raw_string, _max_buffer_size,
                                                 PreferredEncoding[i]));
        if (fOk)
            out_string.assign(buffer_raw_string);
        std::free(buffer_raw_string);
        return fOk;
    }
    return false;
}
