#pragma once

// Core Foundation strings as a value class, converted to and from 8-bit C strings in a chosen
// encoding, std::string, wide, UTF-16, Pascal and HFSUniStr255 strings. Failures write one
// VERIFY line and return false, -1 or an empty value; only a type mismatch in construct throws.

#include "support/CFTypeRefClass.h"
#include "support/CoreMachDebugLog.h"
#include "support/T_CFTypeRef.h"

#include "platform/corefoundation/CFString.h"
#include "platform/system/Files.h"

#include <cstddef>
#include <new>
#include <string>

// An owned, heap-allocated, zero-terminated string of T units (UTF-16 for unsigned short).
template <class T>
class T_cstring {
public:
    T_cstring() = default;
    T_cstring(const T_cstring&) = delete;
    T_cstring& operator=(const T_cstring&) = delete;
    ~T_cstring() { clear(); }

    void clear() {
        delete[] m_cstring;
        m_cstring = nullptr;
        m_length = 0;
    }

    // Room for n units and the terminator, holding the empty string; nothing for n = 0.
    // Returns whether a buffer is held.
    bool set_length(std::size_t n);

    // The units before the terminator (set by whoever fills the buffer).
    std::size_t length() const { return m_length; }
    const T* c_str() const { return m_cstring; }

    T* m_cstring = nullptr;
    std::size_t m_length = 0;
};

template <class T>
bool T_cstring<T>::set_length(std::size_t n) {
    clear();
    if (n == 0)
        return false;
    m_cstring = new (std::nothrow) T[n + 1];
    if (!VERIFY_AT(55, "m_cstring!=__null", m_cstring != nullptr))
        return false;
    m_cstring[0] = 0;
    return true;
}

// A string reference, owned or borrowed. Strings this class creates itself are owned.
class TCFString : public T_CFTypeRef<CFStringRef> {
public:
    TCFString() = default;
    // Stored unchanged, without a type check.
    TCFString(CFStringRef ref, CFTypeRef_Ownership ownership = kCFTypeRefBorrowed)
        : T_CFTypeRef<CFStringRef>(ref, ownership) {}
    // UTF-8.
    TCFString(const char* in_cstring);
    TCFString(const std::string& in_string);
    // Narrowed to UTF-16 units first.
    TCFString(const wchar_t* in_wide_cstring);
    TCFString(const std::wstring& in_wide_string);
    TCFString(const HFSUniStr255& in_name);

    TCFString& operator=(const char* in_cstring);
    TCFString& operator=(const std::string& in_string);
    TCFString& operator=(const wchar_t* in_wide_cstring);
    TCFString& operator=(const std::wstring& in_wide_string);
    TCFString& operator=(const HFSUniStr255& in_name);

    // Lets go of the held reference and takes ref; false for null. A reference of another type
    // throws CFTypeRefClass::TypeException and stays stored.
    bool construct(CFStringRef ref, CFTypeRef_Ownership ownership);

    // Whether a string is held.
    bool IsTypeValid() const;
    bool IsValid() const { return IsTypeValid(); }

    // Length in UTF-16 units; 0 for a null or non-string reference.
    CFIndex strlen() const;
    // Whether a zero character (U+0000) is anywhere in the string; false for no string.
    bool HasZeroCharacter() const;
    // The platform's comparison (-1, 0, 1) with another string or a UTF-8 C string; -1 when
    // this string is invalid or the other is null.
    int strcmp(const char* in_rhs_utf8_cstring) const;
    int strcmp(const __CFString* rhs_StringRef) const;

    // Creation from 8-bit text in the given encoding. A text that cannot be read in that
    // encoding is logged and leaves the string as it was.
    bool SetValue(const char* in_cstring, CFStringEncoding inFromThisEncoding);
    bool SetValue(const std::string& in_string, CFStringEncoding inFromThisEncoding);
    bool SetValue(const unsigned char* in_pstring, CFStringEncoding inFromThisEncoding);
    // Creation from UTF-16 units: zero-terminated, a name record, or wide characters narrowed
    // unit by unit.
    bool SetValue(const unsigned short* in_cstring);
    bool SetValue(const HFSUniStr255& in_name);
    bool SetValue(const wchar_t* in_wide_cstring);
    bool SetValue(const std::wstring& in_wide_string);

    // 8-bit text in the requested encoding, or in the first available one of the fallback
    // list; the empty string converts to failure. On failure the output is cleared.
    bool GetValue(std::string& out_string,
                  CFStringEncoding inToThisEncoding = kCFStringEncodingUTF8) const;
    // The first 255 units at most; false when nothing was converted.
    bool GetValue(HFSUniStr255& out_name) const;
    // A zero-terminated UTF-16 copy of the whole string.
    bool GetValue(T_cstring<unsigned short>& out_cstring) const;
    // The same in a new buffer that the caller frees with delete[], and its length in units.
    bool GetValue(const unsigned short*& out_cstring, long& out_length) const;
    // The UTF-16 copy widened unit by unit.
    bool GetValue(std::wstring& out_wide_string) const;
    // Mac Roman into the caller's 256-byte Pascal-string buffer.
    bool GetValue(unsigned char* out_pstring) const;

    // A temporary string made from the input and read out as named.
    static bool ToUnicode(const unsigned char* in_pstring, HFSUniStr255& out_name,
                          CFStringEncoding inFromThisEncoding);
    static bool ToUnicode(const char* in_utf8_cstring, HFSUniStr255& out_name,
                          CFStringEncoding inFromThisEncoding);
    static bool ToUnicode(const char* in_utf8_cstring, std::wstring& out_wide_string,
                          CFStringEncoding inFromThisEncoding);
    static bool FromUnicode(const HFSUniStr255& in_name, std::string& out_string,
                            CFStringEncoding inToThisEncoding);
    static bool FromUnicode(const wchar_t* in_wide_cstring, std::string& out_string,
                            CFStringEncoding inToThisEncoding);

private:
    // Holds a newly created string (owned); false, leaving the string as it was, for null.
    bool adopt(CFStringRef created);
};

#include "support/T_CFString_inlines.h"
