#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace CoreUnicode {

// An owned, zero-terminated array of Target units converted unit by unit from Source units:
// widening zero-extends each unit, narrowing keeps its low 16 bits. Assigning frees the
// previous array; assigning null leaves it empty.
template <class Source, class Target>
class string_t {
public:
    string_t() = default;
    explicit string_t(const Source* in_source) { *this = in_source; }
    // The first `in_length` units of the source, zero units included.
    string_t(const Source* in_source, std::size_t in_length) { assign(in_source, in_length); }
    string_t(const string_t&) = delete;
    string_t& operator=(const string_t&) = delete;
    ~string_t() { clear(); }

    string_t& operator=(const Source* in_source) {
        std::size_t length = 0;
        if (in_source != nullptr) {
            while (in_source[length] != 0)
                ++length;
        }
        assign(in_source, length);
        return *this;
    }

    void assign(const Source* in_source, std::size_t in_length) {
        clear();
        if (in_source == nullptr)
            return;
        m_string = new Target[in_length + 1];
        for (std::size_t i = 0; i < in_length; ++i)
            m_string[i] = convert(in_source[i]);
        m_string[in_length] = 0;
        m_length = in_length;
    }

    void clear() {
        delete[] m_string;
        m_string = nullptr;
        m_length = 0;
    }

    // Null when empty.
    const Target* c_str() const { return m_string; }
    std::size_t length() const { return m_length; }

private:
    static Target convert(Source in_unit) {
        if constexpr (sizeof(Target) >= sizeof(Source)) {
            // Widening: zero-extend, whatever the signedness of the source type.
            using UnsignedSource =
                std::conditional_t<sizeof(Source) == 2, std::uint16_t, std::uint32_t>;
            return static_cast<Target>(static_cast<UnsignedSource>(in_unit));
        } else {
            // Narrowing: the low 16 bits.
            return static_cast<Target>(static_cast<std::uint32_t>(in_unit) & 0xFFFFu);
        }
    }

    Target* m_string = nullptr;
    std::size_t m_length = 0;
};

} // namespace CoreUnicode
