// Hexadecimal and four-character-code forms of CoreCString.
#include "support/CoreCString.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The buffer of a hexadecimal text: 4 characters a byte plus 9.
constexpr std::size_t kHexCharsPerByte = 4;
constexpr std::size_t kHexExtra = 9;

int HexValue(char in_char) {
    if (in_char >= '0' && in_char <= '9') {
        return in_char - '0';
    }
    if (in_char >= 'a' && in_char <= 'f') {
        return in_char - 'a' + 10;
    }
    if (in_char >= 'A' && in_char <= 'F') {
        return in_char - 'A' + 10;
    }
    return -1;
}

} // namespace

bool CoreCString::ConstructFourCharCode(std::uint32_t in_code) {
    char text[32];
    std::snprintf(text, sizeof(text), "0x%08lx '%c%c%c%c'", static_cast<unsigned long>(in_code),
                  FourCharCodeCharacter(in_code >> 24), FourCharCodeCharacter(in_code >> 16),
                  FourCharCodeCharacter(in_code >> 8), FourCharCodeCharacter(in_code));
    return Alloc(text) != nullptr;
}

char CoreCString::FourCharCodeCharacter(std::uint32_t in_byte) {
    const char character = static_cast<char>(in_byte);
    return character == '\0' ? '.' : character;
}

const char* CoreCString::HexDigitPairFromByte(unsigned char in_byte, char in_separator) {
    static char Digit[4];
    Digit[0] = kHexDigits[in_byte >> 4];
    Digit[1] = kHexDigits[in_byte & 0x0F];
    Digit[2] = 0;
    if (in_separator != 0) {
        const unsigned char separator = static_cast<unsigned char>(in_separator);
        Digit[2] = (separator < 32 || separator > 127) ? ' ' : in_separator;
        Digit[3] = 0;
    }
    return Digit;
}

const char* CoreCString::EncodeHexString(const void* in_data, std::size_t in_length,
                                         std::size_t in_max, char in_separator) {
    std::size_t count = in_data != nullptr ? in_length : 0;
    if (in_max != 0 && in_max < count) {
        count = in_max;
    }
    // The 16-bit buffer size bounds how many bytes one text can show.
    count = std::min(count, (kMaxBufferSize - kHexExtra) / kHexCharsPerByte);
    // The data may be this object's own text: read it before the buffer is replaced.
    const auto* bytes = static_cast<const unsigned char*>(in_data);
    std::string text;
    text.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        text += HexDigitPairFromByte(bytes[i], in_separator);
    }
    Delete();
    return Alloc(text.c_str(), static_cast<size_type>(count * kHexCharsPerByte + kHexExtra));
}

const char* CoreCString::HexData(const void* in_data, std::size_t in_length, std::size_t in_max) {
    return EncodeHexString(in_data, in_length, in_max, ' ');
}

const char* CoreCString::AsHexString() {
    RequireBuffer();
    const std::string own(m_cstring);
    if (own.empty()) {
        return m_cstring;
    }
    return HexData(own.data(), own.size());
}

const char* CoreCString::DecodeHexString(const char* in_hex) {
    const std::string hex = in_hex != nullptr ? std::string(in_hex) : std::string();
    std::size_t digits = 0;
    for (char c : hex) {
        digits += HexValue(c) >= 0 ? 1 : 0;
    }
    const std::size_t count = std::min(digits / 2, kMaxBufferSize - kHexExtra);
    const std::size_t size = count + kHexExtra;
    Delete();
    m_cstring = new char[size];
    m_cstring_size = static_cast<size_type>(size);
    std::memset(m_cstring, 0, size);
    std::size_t written = 0;
    int high = -1;
    for (char c : hex) {
        if (written == count) {
            break;
        }
        const int value = HexValue(c);
        if (value < 0) {
            continue;
        }
        if (high < 0) {
            high = value;
            continue;
        }
        m_cstring[written++] = static_cast<char>((high << 4) | value);
        m_cstring[written] = 0;
        high = -1;
    }
    return m_cstring;
}
