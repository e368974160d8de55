#include "support/CorePString.h"

#include "support/CoreException.h"
#include "support/CoreMachDebugLog.h"

#include <algorithm>
#include <cstring>

namespace {

[[noreturn]] void ThrowNilPointer() {
    throw CoreException("Nil exception pointer");
}

} // namespace

CorePString::CorePString() {
    std::memset(m_pstring, 0, sizeof(m_pstring));
}

CorePString::CorePString(const char* in_cstring) : CorePString() {
    *this = in_cstring;
}

CorePString::CorePString(const unsigned char* in_pstring) : CorePString() {
    *this = in_pstring;
}

CorePString::CorePString(const CorePString& in_copy) : CorePString() {
    *this = in_copy;
}

CorePString& CorePString::operator=(const CorePString& in_copy) {
    if (this != &in_copy) {
        std::memcpy(m_pstring, in_copy.m_pstring, kMaxLength + 1);
        m_pstring[kMaxLength + 1] = 0;
    }
    return *this;
}

CorePString& CorePString::operator=(const char* in_cstring) {
    if (in_cstring == nullptr) {
        assign(nullptr, 0);
    } else {
        assign(reinterpret_cast<const unsigned char*>(in_cstring),
               ::strnlen(in_cstring, kMaxLength));
    }
    return *this;
}

CorePString& CorePString::operator=(const unsigned char* in_pstring) {
    if (in_pstring == nullptr) {
        assign(nullptr, 0);
    } else {
        assign(in_pstring + 1, in_pstring[0]);
    }
    return *this;
}

void CorePString::assign(const unsigned char* in_chars, std::size_t in_length) {
    // memmove: the source may be this object's own characters.
    if (in_length > 0) {
        std::memmove(m_pstring + 1, in_chars, in_length);
    }
    m_pstring[0] = static_cast<unsigned char>(in_length);
    m_pstring[in_length + 1] = 0;
}

const char* CorePString::strcatc(char in_char) {
    const std::size_t length = strlen();
    if (length < kMaxLength) {
        m_pstring[length + 1] = static_cast<unsigned char>(in_char);
        m_pstring[0] = static_cast<unsigned char>(length + 1);
        m_pstring[length + 2] = 0;
    }
    return c_str();
}

const char* CorePString::strcat(const unsigned char* in_pstring) {
    if (in_pstring == nullptr) {
        ThrowNilPointer();
    }
    const std::size_t pstring_len = strlen();
    const std::size_t rhs_len = in_pstring[0];
    VERIFY_AT(86, "pstring_len+rhs_len", pstring_len + rhs_len);
    // Whatever would pass the 255th character is dropped; the length byte stays right.
    const std::size_t appended = std::min(rhs_len, kMaxLength - pstring_len);
    if (appended > 0) {
        std::memmove(m_pstring + 1 + pstring_len, in_pstring + 1, appended);
        m_pstring[0] = static_cast<unsigned char>(pstring_len + appended);
        m_pstring[pstring_len + appended + 1] = 0;
    }
    return c_str();
}

void CorePString::strcpy(unsigned char* out_pstring, std::size_t in_max) const {
    if (out_pstring == nullptr) {
        ThrowNilPointer();
    }
    const std::size_t length = std::min({strlen(), in_max, kMaxLength});
    std::memmove(out_pstring + 1, m_pstring + 1, length);
    out_pstring[0] = static_cast<unsigned char>(length);
}

void CorePString::AssignTo(unsigned char* out_pstring, std::size_t in_max) const {
    strcpy(out_pstring, in_max);
}

void CorePString::AssignTo(char* out_cstring) const {
    if (out_cstring == nullptr) {
        ThrowNilPointer();
    }
    std::memmove(out_cstring, c_str(), strlen() + 1);
}

bool CorePString::operator==(const char* in_cstring) const {
    if (in_cstring == nullptr) {
        ThrowNilPointer();
    }
    const std::size_t length = std::strlen(in_cstring);
    return length == strlen() && std::memcmp(in_cstring, m_pstring + 1, length) == 0;
}

bool CorePString::operator==(const unsigned char* in_pstring) const {
    if (in_pstring == nullptr) {
        ThrowNilPointer();
    }
    return in_pstring[0] == strlen() && std::memcmp(in_pstring + 1, m_pstring + 1, strlen()) == 0;
}
