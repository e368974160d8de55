#include "support/CoreCString.h"

#include "support/CoreException.h"
#include "support/CorePString.h"

#include "platform/system/Files.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

namespace {

[[noreturn]] void ThrowNilPointer() {
    throw CoreException("Nil exception pointer");
}
[[noreturn]] void ThrowInvariant() {
    throw CoreException("Invariant failed");
}

// The characters of a length-prefixed text as a zero-terminated copy.
std::string FromPString(const unsigned char* in_pstring) {
    if (in_pstring == nullptr) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(in_pstring + 1), in_pstring[0]);
}

// The name of a file specification; a length byte past the record's 63 characters is not
// believed.
std::string FromSpecName(const FSSpec& in_spec) {
    const std::size_t length = std::min<std::size_t>(in_spec.name[0], sizeof(in_spec.name) - 1);
    return std::string(reinterpret_cast<const char*>(in_spec.name + 1), length);
}

bool IsSpace(char in_char) {
    return std::isspace(static_cast<unsigned char>(in_char)) != 0;
}

constexpr std::size_t kPrintfScratchSize = 2050;
constexpr std::size_t kPrintfMaxLength = 2048;

} // namespace

CoreCString::CoreCString(size_type in_min_size) {
    Alloc(nullptr, in_min_size);
}

CoreCString::CoreCString(const char* in_cstring, size_type in_min_size) {
    Alloc(in_cstring, in_min_size);
}

CoreCString::CoreCString(const CoreCString& in_copy, size_type in_min_size) {
    Alloc(in_copy.m_cstring, in_min_size);
}

CoreCString::CoreCString(const CorePString& in_pstring, size_type in_min_size) {
    Alloc(FromPString(in_pstring.pstring()).c_str(), in_min_size);
}

CoreCString::CoreCString(const unsigned char* in_pstring, size_type in_min_size) {
    Alloc(FromPString(in_pstring).c_str(), in_min_size);
}

CoreCString::CoreCString(const std::string& in_string, size_type in_min_size) {
    Alloc(in_string.c_str(), in_min_size);
}

CoreCString::CoreCString(const FSSpec& in_spec, size_type in_min_size) {
    Alloc(FromSpecName(in_spec).c_str(), in_min_size);
}

CoreCString::CoreCString(const FSSpec* in_spec, size_type in_min_size) {
    Alloc(in_spec != nullptr ? FromSpecName(*in_spec).c_str() : nullptr, in_min_size);
}

CoreCString::CoreCString(int in_min_size) {
    if (in_min_size < 0 || in_min_size > std::numeric_limits<size_type>::max())
        throw CoreException("Invariant failed");
    Alloc(nullptr, static_cast<size_type>(in_min_size));
}

CoreCString::CoreCString(std::uint32_t in_four_char_code, size_type in_min_size) {
    Alloc(nullptr, in_min_size);
    ConstructFourCharCode(in_four_char_code);
}

CoreCString::~CoreCString() {
    Delete();
}

CoreCString& CoreCString::operator=(const CoreCString& in_copy) {
    if (this != &in_copy) {
        *this = in_copy.m_cstring;
    }
    return *this;
}

CoreCString& CoreCString::operator=(const char* in_cstring) {
    // The text may live in this object's own buffer: copy it before the buffer goes.
    const std::string text = in_cstring != nullptr ? std::string(in_cstring) : std::string();
    Delete();
    Alloc(in_cstring != nullptr ? text.c_str() : nullptr);
    return *this;
}

CoreCString& CoreCString::operator=(const CorePString& in_pstring) {
    return *this = FromPString(in_pstring.pstring()).c_str();
}

CoreCString& CoreCString::operator=(const unsigned char* in_pstring) {
    return *this = FromPString(in_pstring).c_str();
}

char* CoreCString::Alloc(const char* in_cstring, size_type in_min_size) {
    std::string own_copy;
    if (in_cstring != nullptr && m_cstring != nullptr && in_cstring >= m_cstring &&
        in_cstring < m_cstring + m_cstring_size) {
        own_copy = in_cstring;
        in_cstring = own_copy.c_str();
    }
    const std::size_t text_size = in_cstring != nullptr ? std::strlen(in_cstring) + 1 : 1;
    const std::size_t needed =
        std::min(std::max<std::size_t>(text_size, in_min_size), kMaxBufferSize);
    if (m_cstring == nullptr || m_cstring_size < needed) {
        Delete();
        m_cstring = new char[needed];
        m_cstring_size = static_cast<size_type>(needed);
        m_cstring[0] = 0;
    }
    safe_strcpy(in_cstring);
    return m_cstring;
}

void CoreCString::Delete() {
    delete[] m_cstring;
    m_cstring = nullptr;
    m_cstring_size = 0;
}

void CoreCString::RequireBuffer() const {
    if (m_cstring == nullptr) {
        ThrowNilPointer();
    }
}

void CoreCString::Empty() {
    RequireBuffer();
    m_cstring[0] = 0;
}

std::size_t CoreCString::strlen() const {
    return m_cstring != nullptr ? ::strnlen(m_cstring, m_cstring_size) : 0;
}

char* CoreCString::safe_strcpy(const char* in_cstring) {
    return safe_strncpy(in_cstring, in_cstring != nullptr ? std::strlen(in_cstring) : 0);
}

char* CoreCString::safe_strncpy(const char* in_cstring, std::size_t in_count) {
    if (m_cstring == nullptr || m_cstring_size == 0) {
        return m_cstring;
    }
    m_cstring[0] = 0;
    if (in_cstring == nullptr) {
        return m_cstring;
    }
    const std::size_t length = std::strlen(in_cstring);
    const std::size_t count = std::min(std::max(length, in_count), std::size_t(m_cstring_size) - 1);
    const std::size_t copied = std::min(length, count);
    std::memmove(m_cstring, in_cstring, copied);
    std::memset(m_cstring + copied, 0, count - copied + 1);
    return m_cstring;
}

char* CoreCString::safe_strcat(const char* in_cstring) {
    RequireBuffer();
    if (in_cstring == nullptr) {
        ThrowNilPointer();
    }
    const std::size_t length = strlen();
    const std::size_t room = m_cstring_size - 1 - length;
    const std::size_t appended = ::strnlen(in_cstring, room);
    std::memmove(m_cstring + length, in_cstring, appended);
    m_cstring[length + appended] = 0;
    return m_cstring;
}

char* CoreCString::strcat(const char* in_cstring) {
    RequireBuffer();
    if (in_cstring == nullptr) {
        ThrowNilPointer();
    }
    const std::string appended(in_cstring); // may be this object's own text
    const std::size_t length = strlen();
    const std::size_t needed = length + appended.size() + 1;
    if (needed > kMaxBufferSize) {
        ThrowInvariant();
    }
    if (needed > m_cstring_size) {
        char* grown = new char[needed];
        std::memcpy(grown, m_cstring, length);
        delete[] m_cstring;
        m_cstring = grown;
        m_cstring_size = static_cast<size_type>(needed);
    }
    std::memcpy(m_cstring + length, appended.c_str(), appended.size() + 1);
    return m_cstring;
}

CoreCString& CoreCString::operator+=(const char* in_cstring) {
    strcat(in_cstring);
    return *this;
}

CoreCString& CoreCString::operator+=(const CoreCString& in_cstring) {
    strcat(in_cstring.m_cstring);
    return *this;
}

CoreCString& CoreCString::operator+=(const unsigned char* in_pstring) {
    if (in_pstring == nullptr) {
        ThrowNilPointer();
    }
    strcat(FromPString(in_pstring).c_str());
    return *this;
}

void CoreCString::AssignTo(char* out_cstring) const {
    RequireBuffer();
    if (out_cstring == nullptr) {
        ThrowNilPointer();
    }
    std::memmove(out_cstring, m_cstring, strlen() + 1);
}

void CoreCString::AssignTo(unsigned char* out_pstring, std::size_t in_max) const {
    if (out_pstring == nullptr) {
        ThrowNilPointer();
    }
    const std::size_t length = std::min({strlen(), in_max, std::size_t(255)});
    if (length > 0) {
        std::memmove(out_pstring + 1, m_cstring, length);
    }
    out_pstring[0] = static_cast<unsigned char>(length);
}

bool CoreCString::operator==(const char* in_cstring) const {
    RequireBuffer();
    if (in_cstring == nullptr) {
        ThrowNilPointer();
    }
    return std::strcmp(m_cstring, in_cstring) == 0;
}

bool CoreCString::operator==(const unsigned char* in_pstring) const {
    RequireBuffer();
    if (in_pstring == nullptr) {
        ThrowNilPointer();
    }
    return strlen() == in_pstring[0] && std::memcmp(m_cstring, in_pstring + 1, in_pstring[0]) == 0;
}

void CoreCString::trim_leading_whitespace() {
    RequireBuffer();
    const std::size_t length = strlen();
    std::size_t first = 0;
    while (first < length && IsSpace(m_cstring[first])) {
        ++first;
    }
    if (first > 0 && first < length) {
        std::memmove(m_cstring, m_cstring + first, length - first + 1);
    }
}

void CoreCString::trim_trailing_whitespace() {
    RequireBuffer();
    std::size_t length = strlen();
    while (length > 0 && IsSpace(m_cstring[length - 1])) {
        m_cstring[--length] = 0;
    }
}

void CoreCString::trim_trailing_and_leading_whitespace() {
    trim_leading_whitespace();
    trim_trailing_whitespace();
}

double CoreCString::AsDouble() const {
    RequireBuffer();
    double value = 0.0;
    if (std::sscanf(m_cstring, "%lf", &value) != 1) {
        return 0.0;
    }
    return value;
}

const char* CoreCString::printf(const char* in_format, ...) {
    std::unique_ptr<char[]> scratch(new (std::nothrow) char[kPrintfScratchSize]);
    if (!scratch || in_format == nullptr) {
        ThrowNilPointer();
    }
    std::va_list arguments;
    va_start(arguments, in_format);
    const int length = std::vsnprintf(scratch.get(), kPrintfScratchSize, in_format, arguments);
    va_end(arguments);
    if (length < 0 || std::size_t(length) > kPrintfMaxLength) {
        ThrowInvariant();
    }
    return Alloc(scratch.get());
}

const char* CoreCString::sprintf(char* out_buffer, std::size_t in_size, const char* in_format,
                                 ...) {
    if (out_buffer == nullptr || in_format == nullptr) {
        ThrowNilPointer();
    }
    std::va_list arguments;
    va_start(arguments, in_format);
    const int length = std::vsnprintf(out_buffer, in_size, in_format, arguments);
    va_end(arguments);
    if (length < 0 || std::size_t(length) >= in_size) {
        ThrowInvariant();
    }
    return Alloc(out_buffer);
}
