#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CorePString;
struct FSSpec;
struct __CFString;

// An owned, heap-allocated, zero-terminated text with a known buffer size (terminator included,
// 16-bit). Broken preconditions throw CoreException ("Nil exception pointer" when a buffer or a
// required argument is missing, "Invariant failed" when a result does not fit).
class CoreCString {
public:
    using size_type = std::uint16_t;
    // Largest buffer the 16-bit size can describe.
    static constexpr std::size_t kMaxBufferSize = 0xFFFF;

    // Every constructor takes a minimum buffer size besides its source.
    explicit CoreCString(size_type in_min_size = 0);
    // A plain int is a minimum size too (CoreCString(64)); four-character codes come as
    // std::uint32_t. A size outside 0 to 65535 throws "Invariant failed".
    explicit CoreCString(int in_min_size);
    CoreCString(const char* in_cstring, size_type in_min_size = 0);
    CoreCString(const CoreCString& in_copy, size_type in_min_size = 0);
    CoreCString(const CorePString& in_pstring, size_type in_min_size = 0);
    CoreCString(const unsigned char* in_pstring, size_type in_min_size = 0);
    CoreCString(const std::string& in_string, size_type in_min_size = 0);
    CoreCString(const FSSpec& in_spec, size_type in_min_size = 0);
    CoreCString(const FSSpec* in_spec, size_type in_min_size = 0);
    // The text of ConstructFourCharCode.
    CoreCString(std::uint32_t in_four_char_code, size_type in_min_size = 0);
    virtual ~CoreCString();

    // Assignment frees the old buffer first, then allocates for the new text.
    CoreCString& operator=(const CoreCString& in_copy);
    CoreCString& operator=(const char* in_cstring);
    CoreCString& operator=(const CorePString& in_pstring);
    CoreCString& operator=(const unsigned char* in_pstring);
    // The string in Mac Roman; a null string leaves no buffer.
    CoreCString& operator=(const __CFString* in_string);

    // Makes room for the larger of the text's length plus 1 (1 for null) and the minimum,
    // reusing a large enough buffer, then copies the text in. Texts longer than the 16-bit size
    // allows are cut. Returns the buffer.
    char* Alloc(const char* in_cstring, size_type in_min_size = 0);
    void Delete();
    // Makes the text empty without freeing the buffer.
    void Empty();

    const char* c_str() const { return m_cstring; }
    const char* Get_const_cstring() const { return m_cstring; }
    operator const char*() const { return m_cstring; }
    size_type buffer_size() const { return m_cstring_size; }
    // Length of the text; 0 without a buffer.
    std::size_t strlen() const;

    char* safe_strcpy(const char* in_cstring);
    char* safe_strncpy(const char* in_cstring, std::size_t in_count);
    // Appends what fits before the buffer's last byte.
    char* safe_strcat(const char* in_cstring);
    // Appends, growing the buffer when needed.
    char* strcat(const char* in_cstring);
    CoreCString& operator+=(const char* in_cstring);
    CoreCString& operator+=(const CoreCString& in_cstring);
    CoreCString& operator+=(const unsigned char* in_pstring);

    // Copies the text and its terminator into a destination large enough for them.
    void AssignTo(char* out_cstring) const;
    // Writes the smaller of the length and `in_max` (at most 255) as length byte, then the
    // characters, without terminator.
    void AssignTo(unsigned char* out_pstring, std::size_t in_max) const;

    bool operator==(const char* in_cstring) const;
    bool operator==(const unsigned char* in_pstring) const;

    void trim_leading_whitespace();
    void trim_trailing_whitespace();
    void trim_trailing_and_leading_whitespace();

    // The number at the start of the text, 0.0 when there is none.
    double AsDouble() const;

    // Replace the text with a formatted one. printf allows 2048 characters; sprintf formats into
    // the caller's buffer, which must hold the result and its terminator. Neither writes past a
    // buffer: an over-long result throws "Invariant failed" and leaves the text unchanged.
    const char* printf(const char* in_format, ...) __attribute__((format(printf, 2, 3)));
    const char* sprintf(char* out_buffer, std::size_t in_size, const char* in_format, ...)
        __attribute__((format(printf, 4, 5)));

    // "0x%08lx '%c%c%c%c'": the code in hexadecimal, then its bytes from the most significant.
    // Returns whether a buffer resulted.
    bool ConstructFourCharCode(std::uint32_t in_code);
    // The low byte of in_byte as a character of a printed code; a zero byte, which would end the
    // text there, prints as '.'.
    static char FourCharCodeCharacter(std::uint32_t in_byte);

    // Two upper-case hexadecimal digits, then the separator unless it is zero (a control or
    // non-ASCII separator is written as a blank). The text lives in one static buffer.
    static const char* HexDigitPairFromByte(unsigned char in_byte, char in_separator);
    // Replaces the text with the digit pairs of the first bytes of the data (all of them, or
    // `in_max` when that is non-zero and smaller), each followed by the separator.
    const char* EncodeHexString(const void* in_data, std::size_t in_length, std::size_t in_max,
                                char in_separator);
    const char* HexData(const void* in_data, std::size_t in_length, std::size_t in_max = 0);
    // Replaces the text with the hexadecimal form of its own characters.
    const char* AsHexString();
    // Replaces the text with the bytes spelled by the hexadecimal digits of the text (other
    // characters are skipped; an odd last digit is dropped). The buffer then holds binary data,
    // a zero byte after the last byte. Returns the buffer.
    const char* DecodeHexString(const char* in_hex);

protected:
    // Throws "Nil exception pointer" when there is no buffer.
    void RequireBuffer() const;

    char* m_cstring = nullptr;
    size_type m_cstring_size = 0;
};
