// The string conversions of TCFString in every encoding, on outside bytes and UTF-16 units.
#include "FuzzCommon.h"

#include "support/CoreUnixPath.h"
#include "support/T_CFString.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const CFStringEncoding kEncodings[] = {
    kCFStringEncodingUTF8,          kCFStringEncodingMacRoman,
    kCFStringEncodingWindowsLatin1, kCFStringEncodingISOLatin1,
    kCFStringEncodingASCII,         kCFStringEncodingNextStepLatin,
    kCFStringEncodingNonLossyASCII, kCFStringEncodingUnicode,
    kCFStringEncodingInvalidId,     0x1234,
};

CFStringEncoding PickEncoding(FuzzInput& in) {
    return kEncodings[in.byte() % (sizeof(kEncodings) / sizeof(kEncodings[0]))];
}

// Every read-out form of a string, with the properties they promise.
void ReadOut(const TCFString& string, CFStringEncoding encoding) {
    const CFIndex length = string.IsValid() ? string.strlen() : 0;
    std::string text = "stale";
    if (!string.GetValue(text, encoding))
        FuzzCheck(text.empty(), "failed conversion clears the output");
    FuzzCheck(string.IsValid() || text.empty(), "nothing converts from no string");

    T_cstring<unsigned short> copy;
    if (string.GetValue(copy) && length > 0)
        FuzzCheck(copy.c_str()[length] == 0 && copy.length() == std::size_t(length),
                  "UTF-16 copy is whole and terminated");
    const unsigned short* units = nullptr;
    long count = 0;
    if (string.GetValue(units, count)) {
        FuzzCheck(count == length && units[count] == 0, "UTF-16 buffer is whole and terminated");
        delete[] units;
    }
    HFSUniStr255 name;
    if (string.GetValue(name))
        FuzzCheck(name.length <= 255 && CFIndex(name.length) == std::min<CFIndex>(length, 255),
                  "name record holds the first 255 units");
    std::wstring wide;
    string.GetValue(wide);
    unsigned char pascal[256];
    if (string.GetValue(pascal))
        FuzzCheck(pascal[0] <= 255, "Pascal length");

    // A string without zero units that converts to UTF-8 comes back the same from that text
    // (a zero unit ends the 8-bit text, as in any C string).
    bool has_zero_unit = false;
    for (CFIndex i = 0; i < length && copy.c_str() != nullptr; ++i)
        has_zero_unit = has_zero_unit || copy.c_str()[i] == 0;
    if (string.GetValue(text, kCFStringEncodingUTF8)) {
        TCFString again;
        FuzzCheck(again.SetValue(text, kCFStringEncodingUTF8), "UTF-8 text reads back");
        if (!has_zero_unit)
            FuzzCheck(again.strcmp(string.Get()) == 0, "UTF-8 round trip");
        (void)CoreUnixPath(string.Get()).GetUnixPath();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzQuietDebugLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::uint8_t mode = in.byte();
    const CFStringEncoding from = PickEncoding(in);
    const CFStringEncoding to = PickEncoding(in);
    TCFString string;
    switch (mode % 5) {
    case 0: { // 8-bit text in an encoding
        const std::string bytes = in.rest();
        string.SetValue(bytes.c_str(), from);
        // The same C string straight to the stand-in, in a block of exactly its size so that a
        // read past its zero byte is caught, must give the same string.
        const std::size_t block_size = std::strlen(bytes.c_str()) + 1;
        const std::unique_ptr<char[]> block(new char[block_size]);
        std::memcpy(block.get(), bytes.c_str(), block_size);
        CFStringRef direct = CFStringCreateWithCString(nullptr, block.get(), from);
        FuzzCheck((direct != nullptr) == string.IsValid(), "C string creation agrees");
        if (direct != nullptr) {
            FuzzCheck(string.strcmp(direct) == 0, "C string creation gives the same text");
            CFRelease(direct);
        }
        break;
    }
    case 1: { // a Pascal string in an encoding
        std::string bytes = in.rest();
        if (bytes.empty())
            bytes.push_back('\0');
        bytes[0] =
            static_cast<char>(std::min<std::size_t>(std::uint8_t(bytes[0]), bytes.size() - 1));
        string.SetValue(reinterpret_cast<const unsigned char*>(bytes.data()), from);
        break;
    }
    case 2: { // zero-terminated UTF-16 units
        const std::string bytes = in.rest();
        std::vector<unsigned short> units(bytes.size() / 2 + 1, 0);
        std::memcpy(units.data(), bytes.data(), bytes.size() / 2 * 2);
        string.SetValue(units.data());
        break;
    }
    case 3: { // wide characters
        const std::string bytes = in.rest();
        std::vector<wchar_t> wide(bytes.size() / 4 + 1, 0);
        std::memcpy(wide.data(), bytes.data(), bytes.size() / 4 * 4);
        string.SetValue(wide.data());
        std::string out;
        TCFString::FromUnicode(wide.data(), out, to);
        break;
    }
    default: { // a name record, then the class conversions
        HFSUniStr255 name{};
        const std::uint8_t low = in.byte();
        name.length = static_cast<UInt16>(low | (in.byte() << 8));
        const std::string bytes = in.rest();
        std::memcpy(name.unicode, bytes.data(), std::min(bytes.size(), sizeof(name.unicode)));
        string.SetValue(name);
        std::string out;
        TCFString::FromUnicode(name, out, to);
        HFSUniStr255 back{};
        TCFString::ToUnicode(out.c_str(), back, to);
        std::wstring wide;
        TCFString::ToUnicode(out.c_str(), wide, to);
        break;
    }
    }
    ReadOut(string, to);
    return 0;
}
