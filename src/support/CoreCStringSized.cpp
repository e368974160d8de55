#include "support/CoreCStringSized.h"

#include "support/CoreException.h"

#include <cstring>

CoreCStringSized::CoreCStringSized(std::uint32_t in_four_char_code, size_type in_min_size)
    : CoreCString(in_min_size) {
    const char text[] = {'\'',
                         FourCharCodeCharacter(in_four_char_code >> 24),
                         FourCharCodeCharacter(in_four_char_code >> 16),
                         FourCharCodeCharacter(in_four_char_code >> 8),
                         FourCharCodeCharacter(in_four_char_code),
                         '\'',
                         0};
    Alloc(text, in_min_size);
}

CoreCStringSized& CoreCStringSized::operator=(const CoreCStringSized& in_copy) {
    if (this != &in_copy) {
        *this = in_copy.c_str();
    }
    return *this;
}

CoreCStringSized& CoreCStringSized::operator=(const char* in_cstring) {
    Alloc(in_cstring, buffer_size());
    return *this;
}

void CoreCStringSized::truncate(std::size_t in_position) {
    RequireBuffer();
    if (in_position > strlen()) {
        throw CoreException("Invariant failed");
    }
    m_cstring[in_position] = 0;
}

char* CoreCStringSized::strcat(const char* in_cstring) {
    RequireBuffer();
    if (in_cstring == nullptr) {
        throw CoreException("Nil exception pointer");
    }
    const std::size_t length = strlen();
    const std::size_t appended = std::strlen(in_cstring);
    if (length + appended + 1 >= buffer_size()) {
        throw CoreException("Invariant failed");
    }
    std::memmove(m_cstring + length, in_cstring, appended + 1);
    return m_cstring;
}
