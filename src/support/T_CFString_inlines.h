#pragma once

// Inline operations of TCFString. Included by T_CFString.h only. Each check is reported with
// this file's name and the line it names, whatever the layout.

#include "support/CoreUnicode.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

// Construction and assignment. Every string made here is owned by the object.

inline TCFString::TCFString(const char* in_cstring) {
    if (VERIFY_AT(26, "in_cstring!=NULL", in_cstring != nullptr))
        SetValue(in_cstring, kCFStringEncodingUTF8);
}

inline TCFString::TCFString(const std::string& in_string) {
    SetValue(in_string, kCFStringEncodingUTF8);
}

inline TCFString::TCFString(const wchar_t* in_wide_cstring) {
    if (VERIFY_AT(37, "in_wide_cstring!=NULL", in_wide_cstring != nullptr))
        SetValue(in_wide_cstring);
}

inline TCFString::TCFString(const std::wstring& in_wide_string) {
    SetValue(in_wide_string);
}

inline TCFString& TCFString::operator=(const char* in_cstring) {
    if (VERIFY_AT(46, "in_cstring!=NULL", in_cstring != nullptr))
        SetValue(in_cstring, kCFStringEncodingUTF8);
    return *this;
}

inline TCFString& TCFString::operator=(const std::string& in_string) {
    SetValue(in_string, kCFStringEncodingUTF8);
    return *this;
}

inline TCFString& TCFString::operator=(const wchar_t* in_wide_cstring) {
    SetValue(in_wide_cstring);
    return *this;
}

// Length and comparison.

inline CFIndex TCFString::strlen() const {
    if (!VERIFY_AT(67, "IsValid()", IsValid()))
        return 0;
    return ::CFStringGetLength(mValueRef);
}

inline int TCFString::strcmp(const char* in_rhs_utf8_cstring) const {
    if (!VERIFY_AT(76, "IsValid()", IsValid()))
        return -1;
    if (!VERIFY_AT(78, "in_rhs_utf8_cstring!=NULL", in_rhs_utf8_cstring != nullptr))
        return -1;
    // A text that is not UTF-8 makes no string, and compares as a null one.
    TCFString rhs;
    if (!rhs.SetValue(in_rhs_utf8_cstring, kCFStringEncodingUTF8))
        return -1;
    return int(::CFStringCompare(mValueRef, rhs.mValueRef, 0));
}

inline int TCFString::strcmp(const __CFString* rhs_StringRef) const {
    if (!VERIFY_AT(90, "IsValid()", IsValid()))
        return -1;
    if (!VERIFY_AT(92, "rhs_StringRef!=NULL", rhs_StringRef != nullptr))
        return -1;
    return int(::CFStringCompare(mValueRef, rhs_StringRef, 0));
}

// Creation from 8-bit text.

inline bool TCFString::SetValue(const char* in_cstring, CFStringEncoding inFromThisEncoding) {
    if (!VERIFY_AT(105, "in_cstring!=NULL", in_cstring != nullptr))
        return false;
    // A C string ends at its first zero byte in every encoding, UTF-16 included.
    CFStringRef created =
        inFromThisEncoding == kCFStringEncodingUnicode
            ? ::CFStringCreateWithBytes(kCFAllocatorDefault,
                                        reinterpret_cast<const UInt8*>(in_cstring),
                                        CFIndex(std::strlen(in_cstring)), inFromThisEncoding, false)
            : ::CFStringCreateWithCString(kCFAllocatorDefault, in_cstring, inFromThisEncoding);
    if (created == nullptr) {
        CoreMachDebugLog("TCFString::SetValue in_cstring:%s inFromThisEncoding:%d\n", in_cstring,
                         int(inFromThisEncoding));
        return false;
    }
    return adopt(created);
}

inline bool TCFString::SetValue(const std::string& in_string, CFStringEncoding inFromThisEncoding) {
    return SetValue(in_string.c_str(), inFromThisEncoding);
}

// Creation from UTF-16 units.

inline bool TCFString::SetValue(const unsigned short* in_cstring) {
    if (!VERIFY_AT(134, "in_cstring!=NULL", in_cstring != nullptr))
        return false;
    CFIndex string_length = 0;
    while (in_cstring[string_length] != 0)
        ++string_length;
    const bool fOk = adopt(::CFStringCreateWithCharacters(nullptr, in_cstring, string_length));
    VERIFY_AT(140, "string_length == strlen()", string_length == strlen());
    return fOk;
}

// The UTF-16 copies: 2n + 2 bytes for n units, converted with the Unicode encoding, a 16-bit
// terminator at unit n.

inline bool TCFString::GetValue(const unsigned short*& out_cstring, long& out_length) const {
    out_cstring = nullptr;
    out_length = 0;
    if (!VERIFY_AT(151, "IsTypeValid()", IsTypeValid()))
        return false;
    const CFIndex length = ::CFStringGetLength(mValueRef);
    const CFIndex uszValue_sizebytes = 2 * length + 2;
    unsigned short* uszValue = new (std::nothrow) unsigned short[std::size_t(length) + 1];
    if (!VERIFY_AT(156, "uszValue", uszValue))
        return false;
    bool fOk = false;
    VERIFY_AT(159,
              "fOk = "
              "::CFStringGetCString(mValueRef,(char*)uszValue,uszValue_sizebytes,"
              "kCFStringEncodingUnicode)",
              fOk = ::CFStringGetCString(mValueRef, (char*)uszValue, uszValue_sizebytes,
                                         kCFStringEncodingUnicode));
    if (!fOk) {
        delete[] uszValue;
        return false;
    }
    uszValue[length] = 0;
    out_cstring = uszValue;
    out_length = length;
    return true;
}

inline bool TCFString::GetValue(T_cstring<unsigned short>& out_cstring) const {
    out_cstring.clear();
    bool fOk = false;
    if (!VERIFY_AT(174, "IsTypeValid()", IsTypeValid()))
        return false;
    const CFIndex length = ::CFStringGetLength(mValueRef);
    const CFIndex uszValue_sizebytes = 2 * length + 2;
    if (!out_cstring.set_length(std::size_t(length == 0 ? 1 : length))) // "" has a buffer too
        return false;
    VERIFY_AT(180,
              "fOk = "
              "::CFStringGetCString(mValueRef,(char*)out_cstring.m_cstring,uszValue_sizebytes,"
              "kCFStringEncodingUnicode)",
              fOk = ::CFStringGetCString(mValueRef, (char*)out_cstring.m_cstring,
                                         uszValue_sizebytes, kCFStringEncodingUnicode));
    if (!fOk) {
        out_cstring.clear();
        return false;
    }
    out_cstring.m_cstring[length] = 0;
    out_cstring.m_length = std::size_t(length);
    return true;
}

inline bool TCFString::GetValue(std::wstring& out_wide_string) const {
    out_wide_string.clear();
    T_cstring<unsigned short> utf16;
    if (!GetValue(utf16))
        return false;
    const CoreUnicode::string_t<unsigned short, wchar_t> wide(utf16.c_str(), utf16.length());
    if (wide.c_str() != nullptr)
        out_wide_string.assign(wide.c_str(), wide.length());
    return true;
}

// Creation from wide characters and name records: the units are taken as they are, counted,
// so that a unit that narrows to zero does not cut the string.

inline bool TCFString::SetValue(const wchar_t* in_wide_cstring) {
    if (!VERIFY_AT(216, "in_wide_cstring!=NULL", in_wide_cstring != nullptr))
        return false;
    const CoreUnicode::string_t<wchar_t, unsigned short> units(in_wide_cstring);
    return adopt(::CFStringCreateWithCharacters(kCFAllocatorDefault, units.c_str(),
                                                CFIndex(units.length())));
}

inline bool TCFString::SetValue(const std::wstring& in_wide_string) {
    const CoreUnicode::string_t<wchar_t, unsigned short> units(in_wide_string.c_str(),
                                                               in_wide_string.size());
    return adopt(::CFStringCreateWithCharacters(kCFAllocatorDefault, units.c_str(),
                                                CFIndex(units.length())));
}

inline bool TCFString::SetValue(const HFSUniStr255& in_name) {
    // A length past the record's 255 units is not believed.
    const CFIndex length = std::min<CFIndex>(in_name.length, 255);
    return adopt(::CFStringCreateWithCharacters(kCFAllocatorDefault, in_name.unicode, length));
}

// Creation from a Pascal string in the given encoding.

inline bool TCFString::SetValue(const unsigned char* in_pstring,
                                CFStringEncoding inFromThisEncoding) {
    if (!VERIFY_AT(247, "in_pstring!=NULL", in_pstring != nullptr))
        return false;
    CFStringRef created =
        ::CFStringCreateWithPascalString(kCFAllocatorDefault, in_pstring, inFromThisEncoding);
    return VERIFY_AT(251, "adopt(created)", adopt(created));
}

// Read-out into a name record: at most its 255 units.
inline bool TCFString::GetValue(HFSUniStr255& out_name) const {
    out_name.length = 0;
    if (!IsTypeValid())
        return false;
    const CFIndex length = std::min<CFIndex>(::CFStringGetLength(mValueRef), 255);
    ::CFStringGetCharacters(mValueRef, CFRangeMake(0, length), out_name.unicode);
    out_name.length = UInt16(length);
    return length > 0;
}

// Class operations: a temporary string made from the input, read out as named. Each returns
// whether both steps succeeded.

inline bool TCFString::FromUnicode(const HFSUniStr255& in_name, std::string& out_string,
                                   CFStringEncoding inToThisEncoding) {
    out_string.clear();
    TCFString unicode;
    return unicode.SetValue(in_name) && unicode.GetValue(out_string, inToThisEncoding);
}

inline bool TCFString::FromUnicode(const wchar_t* in_wide_cstring, std::string& out_string,
                                   CFStringEncoding inToThisEncoding) {
    out_string.clear();
    if (!VERIFY_AT(279, "in_wide_cstring!=NULL", in_wide_cstring != nullptr))
        return false;
    TCFString unicode;
    return unicode.SetValue(in_wide_cstring) && unicode.GetValue(out_string, inToThisEncoding);
}

inline bool TCFString::ToUnicode(const char* in_utf8_cstring, HFSUniStr255& out_name,
                                 CFStringEncoding inFromThisEncoding) {
    out_name.length = 0;
    if (!VERIFY_AT(296, "in_utf8_cstring!=NULL", in_utf8_cstring != nullptr))
        return false;
    TCFString text;
    return text.SetValue(in_utf8_cstring, inFromThisEncoding) && text.GetValue(out_name);
}

inline bool TCFString::ToUnicode(const unsigned char* in_pstring, HFSUniStr255& out_name,
                                 CFStringEncoding inFromThisEncoding) {
    out_name.length = 0;
    if (!VERIFY_AT(310, "in_pstring!=NULL", in_pstring != nullptr))
        return false;
    TCFString text;
    return text.SetValue(in_pstring, inFromThisEncoding) && text.GetValue(out_name);
}

inline bool TCFString::ToUnicode(const char* in_utf8_cstring, std::wstring& out_wide_string,
                                 CFStringEncoding inFromThisEncoding) {
    out_wide_string.clear();
    if (!VERIFY_AT(324, "in_utf8_cstring!=NULL", in_utf8_cstring != nullptr))
        return false;
    TCFString text;
    return text.SetValue(in_utf8_cstring, inFromThisEncoding) && text.GetValue(out_wide_string);
}

inline bool TCFString::HasZeroCharacter() const {
    if (!IsTypeValid())
        return false;
    const CFIndex length = ::CFStringGetLength(mValueRef);
    for (CFIndex i = 0; i < length; ++i)
        if (::CFStringGetCharacterAtIndex(mValueRef, i) == 0)
            return true;
    return false;
}
