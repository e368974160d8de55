// CoreCString from a Core Foundation string.
#include "support/CoreCString.h"

#include "support/CoreMachDebugLog.h"

#include "platform/corefoundation/CFString.h"

CoreCString& CoreCString::operator=(const __CFString* in_string) {
    Delete();
    if (in_string == nullptr)
        return *this;
    // Mac Roman has one byte for each UTF-16 unit.
    const std::size_t size = std::size_t(::CFStringGetLength(in_string)) + 1;
    if (!VERIFY(size <= kMaxBufferSize))
        return *this;
    m_cstring = new char[size];
    m_cstring_size = static_cast<size_type>(size);
    m_cstring[0] = 0;
    bool fOk = false;
    VERIFY(
        fOk = ::CFStringGetCString(in_string, m_cstring, CFIndex(size), kCFStringEncodingMacRoman));
    if (!fOk)
        Delete();
    return *this;
}
