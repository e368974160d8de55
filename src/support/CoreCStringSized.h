#pragma once

#include "support/CoreCString.h"

// A CoreCString whose buffer keeps at least the size it was made with: assignment reuses it,
// truncate and strcat stay within it.
class CoreCStringSized : public CoreCString {
public:
    explicit CoreCStringSized(size_type in_min_size = 0) : CoreCString(in_min_size) {}
    explicit CoreCStringSized(int in_min_size) : CoreCString(in_min_size) {}
    CoreCStringSized(const char* in_cstring, size_type in_min_size = 0)
        : CoreCString(in_cstring, in_min_size) {}
    CoreCStringSized(const CoreCString& in_copy, size_type in_min_size = 0)
        : CoreCString(in_copy, in_min_size) {}
    CoreCStringSized(const CoreCStringSized& in_copy)
        : CoreCString(in_copy, in_copy.buffer_size()) {}
    CoreCStringSized(const CorePString& in_pstring, size_type in_min_size = 0)
        : CoreCString(in_pstring, in_min_size) {}
    CoreCStringSized(const unsigned char* in_pstring, size_type in_min_size = 0)
        : CoreCString(in_pstring, in_min_size) {}
    CoreCStringSized(const std::string& in_string, size_type in_min_size = 0)
        : CoreCString(in_string, in_min_size) {}
    // The code's four bytes, most significant first, between single quotes: 'abcd' (a zero
    // byte prints as '.').
    CoreCStringSized(std::uint32_t in_four_char_code, size_type in_min_size = 0);

    CoreCStringSized& operator=(const CoreCStringSized& in_copy);
    CoreCStringSized& operator=(const char* in_cstring);

    // Cuts the text at a position from 0 up to its length; anything else throws
    // "Invariant failed".
    void truncate(std::size_t in_position);
    // Appends only when the combined length stays below the buffer size minus 1; otherwise
    // throws "Invariant failed" and leaves the text unchanged.
    char* strcat(const char* in_cstring);
};
