// Hexadecimal decoding and encoding, and the C and Pascal string operations on outside text.
#include "FuzzCommon.h"

#include "support/CoreCString.h"
#include "support/CoreCStringSized.h"
#include "support/CoreException.h"
#include "support/CorePString.h"

#include <cctype>
#include <cstring>
#include <string>

namespace {

// The bytes spelled by the hexadecimal digits of a text, other characters skipped.
std::string ExpectedDecode(const char* text) {
    std::string digits;
    for (const char* p = text; *p; ++p) {
        if (std::isxdigit(static_cast<unsigned char>(*p)))
            digits += *p;
    }
    std::string bytes;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return bytes;
}

void FuzzHex(const std::string& input) {
    const std::string expected = ExpectedDecode(input.c_str());
    CoreCString decoded;
    const char* buffer = decoded.DecodeHexString(input.c_str());
    const std::size_t count = std::min<std::size_t>(expected.size(), 0xFFFF - 9);
    FuzzCheck(decoded.buffer_size() == count + 9, "decoded buffer size");
    FuzzCheck(std::memcmp(buffer, expected.data(), count) == 0, "decoded bytes");
    FuzzCheck(buffer[count] == 0, "zero byte after the decoded bytes");

    CoreCString encoded;
    encoded.HexData(buffer, count);
    FuzzCheck(encoded.strlen() == 3 * std::min<std::size_t>(count, (0xFFFF - 9) / 4),
              "encoded length");
    CoreCString again;
    again.DecodeHexString(encoded.c_str());
    FuzzCheck(std::memcmp(again.c_str(), buffer, std::min<std::size_t>(count, 16381)) == 0,
              "hex round trip");
}

void FuzzCString(FuzzInput& in) {
    const std::string first = in.text(255);
    const std::string second = in.text(255);
    const auto min_size = static_cast<CoreCString::size_type>(in.byte());
    try {
        CoreCString text(first.c_str(), min_size);
        FuzzCheck(text.strlen() == std::strlen(first.c_str()), "constructed length");
        text.safe_strcat(second.c_str());
        FuzzCheck(text.strlen() < text.buffer_size(), "safe_strcat stays in the buffer");
        text += second.c_str();
        text.trim_trailing_and_leading_whitespace();
        (void)text.AsDouble();
        text.printf("%s|%s", first.c_str(), text.c_str());
        text.AsHexString();

        CoreCStringSized sized(first.c_str(), min_size);
        sized.truncate(in.byte() % (sized.strlen() + 1));
        try {
            sized.strcat(second.c_str());
        } catch (const CoreException&) {
            // Past its size: refused.
        }
        FuzzCheck(sized.strlen() < sized.buffer_size(), "sized text stays in its buffer");
    } catch (const CoreException&) {
        // Broken preconditions are thrown by design.
    }

    CorePString pascal(first.c_str());
    std::string right(1, static_cast<char>(second.size()));
    right += second;
    pascal.strcat(reinterpret_cast<const unsigned char*>(right.data()));
    pascal.strcatc(static_cast<char>(in.byte()));
    FuzzCheck(pascal.c_str()[pascal.strlen()] == 0, "Pascal string terminated");
    unsigned char out[256];
    pascal.AssignTo(out, in.byte());
    FuzzCheck(out[0] <= pascal.strlen(), "Pascal copy length");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzQuietDebugLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::uint8_t mode = in.byte();
    if (mode & 1) {
        FuzzHex(in.rest());
    } else {
        FuzzCString(in);
    }
    return 0;
}
