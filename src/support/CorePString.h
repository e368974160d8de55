#pragma once

#include <cstddef>

// A length-prefixed text of at most 255 characters kept inline: the length byte, the characters
// and always one zero byte after the last character, so the characters can also be read as a
// zero-terminated text.
class CorePString {
public:
    static constexpr std::size_t kMaxLength = 255;

    CorePString();
    explicit CorePString(const char* in_cstring);
    explicit CorePString(const unsigned char* in_pstring);
    CorePString(const CorePString& in_copy);

    CorePString& operator=(const CorePString& in_copy);
    // At most 255 characters are taken; a null text gives the empty text.
    CorePString& operator=(const char* in_cstring);
    // The length byte and the characters; a null pointer gives the empty text.
    CorePString& operator=(const unsigned char* in_pstring);

    std::size_t strlen() const { return m_pstring[0]; }
    std::size_t string_size() const { return strlen() + 1; }

    // The length-prefixed form.
    const unsigned char* pstring() const { return m_pstring; }
    // The characters as a zero-terminated text.
    const char* c_str() const { return reinterpret_cast<const char*>(m_pstring + 1); }

    // Appends one character unless the text already holds 255; returns the characters.
    const char* strcatc(char in_char);
    // Appends a length-prefixed text, keeping the first 255 characters of the result. Appending
    // nothing to nothing writes a verification line. Throws for a null argument.
    const char* strcat(const unsigned char* in_pstring);

    // Writes the smaller of the length and `in_max` (at most 255) as length byte, then that
    // many characters, no terminator. Throws for a null destination.
    void strcpy(unsigned char* out_pstring, std::size_t in_max) const;
    void AssignTo(unsigned char* out_pstring, std::size_t in_max) const;
    // Copies the characters as a zero-terminated text. Throws for a null destination.
    void AssignTo(char* out_cstring) const;

    // Character equality; throws for a null argument.
    bool operator==(const char* in_cstring) const;
    bool operator==(const unsigned char* in_pstring) const;

private:
    void assign(const unsigned char* in_chars, std::size_t in_length);

    unsigned char m_pstring[kMaxLength + 2];
};
