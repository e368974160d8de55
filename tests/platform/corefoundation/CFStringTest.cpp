#include "platform/corefoundation/CFString.h"
#include "platform/corefoundation/CFTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

std::string describe(CFTypeRef cf) {
    CFHolder<CFStringRef> text(CFCopyDescription(cf));
    return utf8(text);
}

std::string utf8(CFStringRef string) {
    if (!string)
        return "<null>";
    std::vector<char> buffer(std::size_t(CFStringGetMaximumSizeForEncoding(
                                 CFStringGetLength(string), kCFStringEncodingUTF8)) +
                             1);
    if (!CFStringGetCString(string, buffer.data(), CFIndex(buffer.size()), kCFStringEncodingUTF8))
        return "<unconvertible>";
    return buffer.data();
}

namespace {

std::u16string units(CFStringRef string) {
    std::u16string out(std::size_t(CFStringGetLength(string)), u'\0');
    CFStringGetCharacters(string, CFRangeMake(0, CFIndex(out.size())),
                          reinterpret_cast<UniChar*>(out.data()));
    return out;
}

// The units of the string made from the C string `bytes`, or "<none>" when none is made.
std::u16string decoded(const char* bytes, CFStringEncoding encoding) {
    CFHolder<CFStringRef> string(CFStringCreateWithCString(nullptr, bytes, encoding));
    return string ? units(string) : u"<none>";
}

CFStringRef fromUnits(const std::u16string& text) {
    return CFStringCreateWithCharacters(nullptr, reinterpret_cast<const UniChar*>(text.data()),
                                        CFIndex(text.size()));
}

// Converts into a buffer with guard bytes around it; the guards must survive.
bool convert(CFStringRef string, CFStringEncoding encoding, std::string& out,
             CFIndex bufferSize = 256) {
    std::vector<char> buffer(std::size_t(bufferSize) + 16, '\x5A');
    const bool ok = CFStringGetCString(string, buffer.data() + 8, bufferSize, encoding);
    EXPECT_EQ(std::string(buffer.data(), 8), std::string(8, '\x5A'));
    EXPECT_EQ(std::string(buffer.data() + bufferSize + 8, 8), std::string(8, '\x5A'));
    out = ok ? std::string(buffer.data() + 8) : std::string();
    return ok;
}

struct EncodingCase {
    const char* name;
    CFStringEncoding encoding;
    std::u16string text;  // holds only characters the encoding has
    std::string bytes;    // the same text in the encoding
    std::u16string alien; // a character the encoding does not have
};

class EncodingRoundTrip : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(EncodingRoundTrip, ConvertsBothWaysAndRefusesForeignCharacters) {
    const EncodingCase& c = GetParam();
    EXPECT_TRUE(CFStringIsEncodingAvailable(c.encoding));

    EXPECT_EQ(decoded(c.bytes.c_str(), c.encoding), c.text);

    CFHolder<CFStringRef> fromText(fromUnits(c.text));
    std::string bytes;
    ASSERT_TRUE(convert(fromText, c.encoding, bytes));
    EXPECT_EQ(bytes, c.bytes);
    EXPECT_LE(CFIndex(bytes.size()),
              CFStringGetMaximumSizeForEncoding(CFStringGetLength(fromText), c.encoding));

    // A buffer one byte too small for the text and its terminator is refused, untouched beyond.
    EXPECT_FALSE(convert(fromText, c.encoding, bytes, CFIndex(c.bytes.size())));

    if (!c.alien.empty()) {
        CFHolder<CFStringRef> foreign(fromUnits(c.text + c.alien));
        EXPECT_FALSE(convert(foreign, c.encoding, bytes));
    }

    EXPECT_EQ(decoded("", c.encoding), u"");
    EXPECT_TRUE(convert(CFSTR(""), c.encoding, bytes));
    EXPECT_EQ(bytes, "");
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, EncodingRoundTrip,
    ::testing::Values(
        EncodingCase{"UTF8", kCFStringEncodingUTF8, u"Gr\u00FC\u00DFe \u20AC \U0001F600",
                     "Gr\xC3\xBC\xC3\x9F"
                     "e \xE2\x82\xAC \xF0\x9F\x98\x80",
                     u"\xD800"},
        EncodingCase{"MacRoman", kCFStringEncodingMacRoman, u"caf\u00E9 \u2122 \u03C0",
                     "caf\x8E \xAA \xB9", u"\u4E00"},
        EncodingCase{"WindowsLatin1", kCFStringEncodingWindowsLatin1, u"caf\u00E9 \u20AC \u2019",
                     "caf\xE9 \x80 \x92", u"\u03C0"},
        EncodingCase{"ISOLatin1", kCFStringEncodingISOLatin1, u"caf\u00E9 \u00FF \u00A0",
                     "caf\xE9 \xFF \xA0", u"\u20AC"},
        EncodingCase{"ASCII", kCFStringEncodingASCII, u"plain 7-bit ~", "plain 7-bit ~", u"\u00E9"},
        EncodingCase{"NextStepLatin", kCFStringEncodingNextStepLatin,
                     u"caf\u00E9 \u00C0 \uFB01 \u00DF", "caf\xDD \x81 \xAE \xFB", u"\u20AC"},
        EncodingCase{"NonLossyASCII", kCFStringEncodingNonLossyASCII, u"a\\b \u00E9 \u20AC",
                     "a\\\\b \\351 \\u20ac", u""}),
    [](const ::testing::TestParamInfo<EncodingCase>& testCase) { return testCase.param.name; });

TEST(CFString, Utf16StorageAndSixteenBitConversion) {
    const std::u16string text = u"A\u00E9\U0001F600";
    CFHolder<CFStringRef> string(fromUnits(text));
    EXPECT_EQ(CFStringGetLength(string), 4);
    std::vector<char> buffer(10, '\x7F');
    ASSERT_TRUE(CFStringGetCString(string, buffer.data(), 10, kCFStringEncodingUnicode));
    EXPECT_EQ(std::memcmp(buffer.data(), text.data(), 8), 0);
    EXPECT_EQ(buffer[8], 0);
    EXPECT_EQ(buffer[9], 0);
    CFHolder<CFStringRef> back(
        CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(buffer.data()), 8,
                                kCFStringEncodingUnicode, false));
    EXPECT_EQ(units(back), text);
    EXPECT_FALSE(CFStringGetCString(string, buffer.data(), 8, kCFStringEncodingUnicode));
}

// C strings sit in heap blocks of exactly their size, so that AddressSanitizer reports any read
// past the terminating zero byte.
TEST(CFString, SixteenBitCStringEndsAtItsFirstZeroByte) {
    const auto create = [](const std::string& bytes) {
        auto block = std::make_unique<char[]>(bytes.size() + 1);
        std::memcpy(block.get(), bytes.c_str(), bytes.size() + 1);
        return CFStringCreateWithCString(nullptr, block.get(), kCFStringEncodingUnicode);
    };

    // An odd byte count is no whole number of units: refused, not read beyond.
    for (const std::string odd : {"a", "abc", "abcde"})
        EXPECT_EQ(create(odd), nullptr) << odd;

    // An even count gives host-order units.
    CFHolder<CFStringRef> even(create("abcd"));
    ASSERT_NE(even.get(), nullptr);
    std::u16string expected(2, u'\0');
    std::memcpy(expected.data(), "abcd", 4);
    EXPECT_EQ(units(even), expected);

    // A unit with a zero byte ends the string inside that unit.
    const std::u16string withZeroByte = u"\u0141A";
    std::string bytes(reinterpret_cast<const char*>(withZeroByte.data()), 4);
    EXPECT_EQ(create(bytes.substr(0, bytes.find('\0'))), nullptr);

    CFHolder<CFStringRef> empty(create(""));
    ASSERT_NE(empty.get(), nullptr);
    EXPECT_EQ(CFStringGetLength(empty), 0);

    CFHolder<CFMutableStringRef> appended(CFStringCreateMutable(nullptr, 0));
    auto block = std::make_unique<char[]>(4);
    std::memcpy(block.get(), "xyz", 4);
    CFStringAppendCString(appended, block.get(), kCFStringEncodingUnicode);
    EXPECT_EQ(CFStringGetLength(appended), 0);
}

TEST(CFString, Utf8KeepsALeadingByteOrderMark) {
    const std::string bytes = "\xEF\xBB\xBFname\xEF\xBB\xBF";
    const std::u16string text = u"\uFEFFname\uFEFF";

    EXPECT_EQ(decoded(bytes.c_str(), kCFStringEncodingUTF8), text);
    CFHolder<CFStringRef> fromBytes(
        CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(bytes.data()),
                                CFIndex(bytes.size()), kCFStringEncodingUTF8, true));
    ASSERT_NE(fromBytes.get(), nullptr);
    EXPECT_EQ(units(fromBytes), text);

    // Written back exactly, a text that is nothing but the mark included.
    for (const auto& [original, encoded] :
         {std::pair{text, bytes},
          std::pair{std::u16string(u"\uFEFF"), std::string("\xEF\xBB\xBF")}}) {
        CFHolder<CFStringRef> string(fromUnits(original));
        std::string out;
        ASSERT_TRUE(convert(string, kCFStringEncodingUTF8, out));
        EXPECT_EQ(out, encoded);
    }
}

TEST(CFString, EveryMacRomanByteRoundTrips) {
    std::string all;
    for (int byte = 1; byte < 256; ++byte)
        all += char(byte);
    CFHolder<CFStringRef> string(
        CFStringCreateWithCString(nullptr, all.c_str(), kCFStringEncodingMacRoman));
    ASSERT_EQ(CFStringGetLength(string), 255);
    EXPECT_EQ(CFStringGetCharacterAtIndex(string, 0xDB - 1), 0x20AC);
    EXPECT_EQ(CFStringGetCharacterAtIndex(string, 0xF0 - 1), 0xF8FF);
    std::string back;
    ASSERT_TRUE(convert(string, kCFStringEncodingMacRoman, back, 512));
    EXPECT_EQ(back, all);
}

TEST(CFString, InvalidInputAndUnavailableEncodings) {
    EXPECT_EQ(CFStringCreateWithCString(nullptr, "\xC3(", kCFStringEncodingUTF8), nullptr);
    EXPECT_EQ(CFStringCreateWithCString(nullptr, "\xE9", kCFStringEncodingASCII), nullptr);
    EXPECT_EQ(CFStringCreateWithCString(nullptr, "\\q", kCFStringEncodingNonLossyASCII), nullptr);
    EXPECT_EQ(CFStringCreateWithCString(nullptr, "\xFE", kCFStringEncodingNextStepLatin), nullptr);
    EXPECT_EQ(CFStringCreateWithCString(nullptr, nullptr, kCFStringEncodingUTF8), nullptr);
    for (CFStringEncoding encoding : {0x0202u, 0x0C01u, 0x10000100u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(CFStringIsEncodingAvailable(encoding));
        EXPECT_EQ(CFStringGetMaximumSizeForEncoding(4, encoding), kCFNotFound);
        EXPECT_EQ(CFStringCreateWithCString(nullptr, "abc", encoding), nullptr);
        std::string bytes;
        EXPECT_FALSE(convert(CFSTR("abc"), encoding, bytes));
    }
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(5, kCFStringEncodingUTF8), 15);
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(5, kCFStringEncodingUnicode), 10);
    EXPECT_EQ(CFStringGetMaximumSizeForEncoding(5, kCFStringEncodingMacRoman), 5);
}

TEST(CFString, PascalStringsBytesAndComparison) {
    const unsigned char pascal[] = {4, 'c', 'a', 'f', 0x8E};
    CFHolder<CFStringRef> string(
        CFStringCreateWithPascalString(nullptr, pascal, kCFStringEncodingMacRoman));
    EXPECT_EQ(utf8(string), "caf\xC3\xA9");
    unsigned char out[8] = {};
    ASSERT_TRUE(CFStringGetPascalString(string, out, sizeof(out), kCFStringEncodingMacRoman));
    EXPECT_EQ(std::memcmp(out, pascal, sizeof(pascal)), 0);
    EXPECT_FALSE(CFStringGetPascalString(string, out, 4, kCFStringEncodingMacRoman));

    UInt8 bytes[16];
    CFIndex used = 0;
    CFHolder<CFStringRef> mixed(fromUnits(u"a\u20ACb"));
    EXPECT_EQ(CFStringGetBytes(mixed, CFRangeMake(0, 3), kCFStringEncodingISOLatin1, '?', false,
                               bytes, sizeof(bytes), &used),
              3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), std::size_t(used)), "a?b");
    EXPECT_EQ(CFStringGetBytes(mixed, CFRangeMake(0, 3), kCFStringEncodingISOLatin1, 0, false,
                               bytes, sizeof(bytes), &used),
              1);

    EXPECT_EQ(CFStringCompare(CFSTR("abc"), CFSTR("abd"), 0), kCFCompareLessThan);
    EXPECT_EQ(CFStringCompare(CFSTR("b"), CFSTR("abc"), 0), kCFCompareGreaterThan);
    EXPECT_EQ(CFStringCompare(CFSTR("ABC"), CFSTR("abc"), kCFCompareCaseInsensitive),
              kCFCompareEqualTo);
    EXPECT_EQ(CFStringCompare(nullptr, CFSTR("a"), 0), kCFCompareLessThan);
    EXPECT_EQ(CFSTR("same"), CFSTR("same"));
    EXPECT_TRUE(CFEqual(string, CFSTR("caf\xC3\xA9")));
    EXPECT_EQ(CFHash(string), CFHash(CFSTR("caf\xC3\xA9")));
}

TEST(CFString, OwnershipFollowsCreateAndCopy) {
    CFStringRef string = CFStringCreateWithCString(nullptr, "x", kCFStringEncodingUTF8);
    EXPECT_EQ(CFGetRetainCount(string), 1);
    EXPECT_EQ(CFRetain(string), string);
    EXPECT_EQ(CFGetRetainCount(string), 2);
    CFStringRef copy = CFStringCreateCopy(nullptr, string);
    EXPECT_EQ(copy, string);
    CFRelease(copy);
    CFRelease(string);
    CFRelease(string);
    CFRelease(nullptr);
    EXPECT_EQ(CFRetain(nullptr), nullptr);
    // Constant texts ignore retain and release.
    CFRelease(CFSTR("constant"));
    EXPECT_EQ(utf8(CFSTR("constant")), "constant");
    CFMutableStringRef text = CFStringCreateMutable(nullptr, 0);
    CFStringAppend(text, CFSTR("ab"));
    CFStringAppendCString(text, "\xE9", kCFStringEncodingISOLatin1);
    EXPECT_EQ(utf8(text), "ab\xC3\xA9");
    CFRelease(text);
}

} // namespace
