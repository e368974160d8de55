#include "support/T_CFString.h"
#include "support/VerifyCapture.h"
#include "support/VerifyFailureCase.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

extern "C" const char* __asan_default_options() {
    // Lets a failed allocation of a huge buffer come back as null instead of stopping the test.
    return "allocator_may_return_null=1";
}

namespace {

// A string of the given UTF-16 units (zero units included).
TCFString Units(const std::u16string& units) {
    return TCFString(::CFStringCreateWithCharacters(kCFAllocatorDefault,
                                                    reinterpret_cast<const UniChar*>(units.data()),
                                                    CFIndex(units.size())),
                     kCFTypeRefOwned);
}

std::u16string UnitsOf(const TCFString& string) {
    const unsigned short* units = nullptr;
    long length = 0;
    if (!string.GetValue(units, length))
        return u"<failed>";
    std::u16string out(reinterpret_cast<const char16_t*>(units), std::size_t(length));
    delete[] units;
    return out;
}

TEST(TCFStringTest, ConvertsInTheRequestedOrFirstAvailableEncoding) {
    struct Row {
        const char* name;
        std::u16string text;
        CFStringEncoding requested;
        bool ok;
        std::string bytes;
    };
    const Row rows[] = {
        {"MacRoman", u"caf\u00e9", kCFStringEncodingMacRoman, true, "caf\x8E"},
        {"InvalidCodeGivesUtf8", u"caf\u00e9", kCFStringEncodingInvalidId, true, "caf\xC3\xA9"},
        {"UnavailableGivesUtf8", u"caf\u00e9", 0x1234, true, "caf\xC3\xA9"},
        {"UnmappableGivesUtf8", u"\u20ac", kCFStringEncodingISOLatin1, true, "\xE2\x82\xAC"},
        {"EmptyFails", u"", kCFStringEncodingUTF8, false, ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string out = "stale";
        EXPECT_EQ(Units(row.text).GetValue(out, row.requested), row.ok);
        EXPECT_EQ(out, row.bytes);
    }
}

TEST(TCFStringTest, NullAndNonStringReferencesDoNotConvert) {
    std::string out = "stale";
    EXPECT_FALSE(TCFString().GetValue(out));
    EXPECT_EQ(out, "");
    const int seven = 7;
    const TCFString number(reinterpret_cast<CFStringRef>(
                               ::CFNumberCreate(kCFAllocatorDefault, kCFNumberIntType, &seven)),
                           kCFTypeRefOwned);
    EXPECT_FALSE(number.GetValue(out));
}

TEST(TCFStringTest, ConstructsFromEveryFormAndChecksTheType) {
    EXPECT_EQ(UnitsOf(TCFString("caf\xC3\xA9")), u"caf\u00e9");
    EXPECT_EQ(UnitsOf(TCFString(std::string("std"))), u"std");
    EXPECT_EQ(UnitsOf(TCFString(L"wide\u00e9")), u"wide\u00e9");
    EXPECT_EQ(UnitsOf(TCFString(std::wstring(L"w"))), u"w");
    HFSUniStr255 name{3, {u'a', u'b', u'c'}};
    EXPECT_EQ(UnitsOf(TCFString(name)), u"abc");
    TCFString assigned;
    assigned = "x";
    EXPECT_EQ(UnitsOf(assigned), u"x");
    assigned = L"w";
    EXPECT_EQ(UnitsOf(assigned), u"w");
    assigned = name;
    EXPECT_EQ(UnitsOf(assigned), u"abc");

    int seven = 7;
    CFNumberRef number = ::CFNumberCreate(kCFAllocatorDefault, kCFNumberIntType, &seven);
    TCFString string;
    EXPECT_THROW(string.construct(reinterpret_cast<CFStringRef>(number), kCFTypeRefOwned),
                 CFTypeRefClass::TypeException);
    // The wrong reference stays stored, owned: the wrapper releases it.
    EXPECT_EQ(reinterpret_cast<CFTypeRef>(string.Get()), reinterpret_cast<CFTypeRef>(number));
    EXPECT_FALSE(string.IsValid());
    EXPECT_FALSE(string.construct(nullptr, kCFTypeRefOwned));
    EXPECT_TRUE(string.construct(::CFStringCreateWithCString(nullptr, "s", kCFStringEncodingUTF8),
                                 kCFTypeRefOwned));
}

TEST(TCFStringTest, SetValueUsesTheGivenEncodingAndLogsTextThatIsNotInIt) {
    TCFString string;
    EXPECT_TRUE(string.SetValue("caf\x8E", kCFStringEncodingMacRoman));
    EXPECT_EQ(UnitsOf(string), u"caf\u00e9");
    EXPECT_TRUE(string.SetValue(std::string("\xE9"), kCFStringEncodingISOLatin1));
    EXPECT_EQ(UnitsOf(string), u"\u00e9");
    const unsigned char pascal[] = {2, 'o', 0x8E};
    EXPECT_TRUE(string.SetValue(pascal, kCFStringEncodingMacRoman));
    EXPECT_EQ(UnitsOf(string), u"o\u00e9");
    const unsigned short utf16[] = {u'h', 0xD83D, 0xDE00, 0};
    EXPECT_TRUE(string.SetValue(utf16));
    EXPECT_EQ(string.strlen(), 3);

    VerifyCapture capture;
    EXPECT_FALSE(string.SetValue("bad\xFF", kCFStringEncodingUTF8));
    EXPECT_EQ(UnitsOf(string), u"h\U0001F600"); // left alone
    EXPECT_EQ(capture.messages(),
              std::vector<std::string>{
                  "TCFString::SetValue in_cstring:bad\xFF inFromThisEncoding:134217984"});
}

TEST(TCFStringTest, WideCharactersNarrowToTheirLow16Bits) {
    const wchar_t wide[] = {L'a', wchar_t(0x1F600), L'b', 0};
    TCFString string(wide);
    EXPECT_EQ(UnitsOf(string), std::u16string({u'a', char16_t(0xF600), u'b'}));
    std::wstring back;
    EXPECT_TRUE(string.GetValue(back));
    EXPECT_EQ(back, std::wstring({L'a', wchar_t(0xF600), L'b'}));
    // A unit that narrows to zero stays in the string.
    const wchar_t zero_low[] = {L'x', wchar_t(0x10000), L'y', 0};
    EXPECT_EQ(TCFString(zero_low).strlen(), 3);
}

TEST(TCFStringTest, NameRecordAndPascalReadOutsStopAt255) {
    const TCFString long_text = Units(std::u16string(400, u'n'));
    HFSUniStr255 name{};
    EXPECT_TRUE(long_text.GetValue(name));
    EXPECT_EQ(UnitsOf(TCFString(name)), std::u16string(255, u'n'));
    EXPECT_FALSE(Units(u"").GetValue(name));
    EXPECT_EQ(name.length, 0);
    unsigned char pascal[256];
    EXPECT_TRUE(long_text.GetValue(pascal));
    EXPECT_EQ(pascal[0], 255);
}

TEST(TCFStringTest, Utf16CopiesAreZeroTerminated) {
    // The empty string is a buffer holding only the terminator, like every other success.
    for (const std::u16string text : {u"ab\u00e9", u""}) {
        SCOPED_TRACE(text.size());
        const std::u16string terminated = text + u'\0';
        T_cstring<unsigned short> copy;
        EXPECT_TRUE(Units(text).GetValue(copy));
        ASSERT_NE(copy.c_str(), nullptr);
        EXPECT_EQ(copy.length(), text.size());
        EXPECT_EQ(std::memcmp(copy.c_str(), terminated.data(), terminated.size() * 2), 0);
        const unsigned short* units = nullptr;
        long length = -1;
        EXPECT_TRUE(Units(text).GetValue(units, length));
        EXPECT_EQ(length, long(text.size()));
        EXPECT_EQ(std::memcmp(units, terminated.data(), terminated.size() * 2), 0);
        delete[] units;
    }
}

TEST(TCFStringTest, StrcmpComparesUnitsInOrder) {
    struct Row {
        const char* lhs;
        const char* rhs;
        int result;
    };
    const Row rows[] = {{"abc", "abc", 0}, {"abc", "abd", -1}, {"b", "a", 1}, {"a", "ab", -1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.lhs) + " vs " + row.rhs);
        const TCFString lhs(row.lhs);
        EXPECT_EQ(lhs.strcmp(row.rhs), row.result);
        EXPECT_EQ(lhs.strcmp(TCFString(row.rhs).Get()), row.result);
    }
}

TEST(TCFStringTest, StaticConversionsGoThroughATemporaryString) {
    HFSUniStr255 name{};
    EXPECT_TRUE(TCFString::ToUnicode("caf\x8E", name, kCFStringEncodingMacRoman));
    EXPECT_EQ(UnitsOf(TCFString(name)), u"caf\u00e9");
    const unsigned char pascal[] = {1, 'q'};
    EXPECT_TRUE(TCFString::ToUnicode(pascal, name, kCFStringEncodingASCII));
    EXPECT_EQ(UnitsOf(TCFString(name)), u"q");
    std::wstring wide;
    EXPECT_TRUE(TCFString::ToUnicode("\xC3\xA9", wide, kCFStringEncodingUTF8));
    EXPECT_EQ(wide, L"\u00e9");
    std::string text;
    EXPECT_TRUE(TCFString::FromUnicode(name, text, kCFStringEncodingUTF8));
    EXPECT_EQ(text, "q");
    EXPECT_TRUE(TCFString::FromUnicode(L"\u00e9", text, kCFStringEncodingISOLatin1));
    EXPECT_EQ(text, "\xE9");
}

const char* const kNoText = nullptr;
const wchar_t* const kNoWide = nullptr;
const unsigned char* const kNoPascal = nullptr;
const unsigned short* const kNoUnits = nullptr;

// Each operation fails; its report lines are in tests/data/verify/T_CFString.txt.
const FailureCase kCFStringFailures[] = {
    FailureCase("ConstructNullCString", [] { return TCFString(kNoText).Get() == nullptr; }),
    FailureCase("ConstructNullWide", [] { return TCFString(kNoWide).Get() == nullptr; }),
    FailureCase("AssignNullCString",
                [] {
                    TCFString s("kept");
                    s = kNoText;
                    return s.strcmp("kept") == 0;
                }),
    FailureCase("StrlenOfNull", [] { return TCFString().strlen() == 0; }),
    FailureCase("StrcmpInvalidWithCString", [] { return TCFString().strcmp("a") == -1; }),
    FailureCase("StrcmpNullCString", [] { return TCFString("a").strcmp(kNoText) == -1; }),
    FailureCase("StrcmpInvalidWithString",
                [] { return TCFString().strcmp(TCFString("a").Get()) == -1; }),
    FailureCase("StrcmpNullString",
                [] { return TCFString("a").strcmp(static_cast<CFStringRef>(nullptr)) == -1; }),
    FailureCase("SetValueNullCString",
                [] { return !TCFString().SetValue(kNoText, kCFStringEncodingUTF8); }),
    FailureCase("SetValueNullUnits", [] { return !TCFString().SetValue(kNoUnits); }),
    FailureCase("Utf16BufferOfInvalid",
                [] {
                    const unsigned short* units = nullptr;
                    long length = 5;
                    return !TCFString().GetValue(units, length) && units == nullptr && length == 0;
                }),
    FailureCase("Utf16CopyOfInvalid",
                [] {
                    T_cstring<unsigned short> copy;
                    return !TCFString().GetValue(copy) && copy.c_str() == nullptr;
                }),
    FailureCase("SetValueNullWide", [] { return !TCFString().SetValue(kNoWide); }),
    FailureCase("SetValueNullPascal",
                [] { return !TCFString().SetValue(kNoPascal, kCFStringEncodingMacRoman); }),
    FailureCase("FromUnicodeNullWide",
                [] {
                    std::string out = "stale";
                    return !TCFString::FromUnicode(kNoWide, out, kCFStringEncodingUTF8) &&
                           out.empty();
                }),
    FailureCase("ToUnicodeNullCStringToName",
                [] {
                    HFSUniStr255 name{7, {}};
                    return !TCFString::ToUnicode(kNoText, name, kCFStringEncodingUTF8) &&
                           name.length == 0;
                }),
    FailureCase("ToUnicodeNullPascal",
                [] {
                    HFSUniStr255 name{};
                    return !TCFString::ToUnicode(kNoPascal, name, kCFStringEncodingUTF8);
                }),
    FailureCase("ToUnicodeNullCStringToWide",
                [] {
                    std::wstring wide = L"stale";
                    return !TCFString::ToUnicode(kNoText, wide, kCFStringEncodingUTF8) &&
                           wide.empty();
                }),
    FailureCase("Utf16BufferThatCannotBeHad",
                [] {
                    T_cstring<unsigned short> copy;
                    return !copy.set_length(std::size_t(1) << 44) && copy.c_str() == nullptr;
                }),
    FailureCase("FallbackTriedOnce",
                [] {
                    std::string out = "stale";
                    return !Units(u"a\xD800").GetValue(out, kCFStringEncodingMacRoman) &&
                           out.empty();
                }),
};

class CFStringFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(CFStringFailure, WritesItsLinesAndReturnsTheStatedValue) {
    expectFailureLines("T_CFString", GetParam());
}

INSTANTIATE_TEST_SUITE_P(Table, CFStringFailure, ::testing::ValuesIn(kCFStringFailures),
                         failureCaseName);

TEST(CFStringFailureTable, EveryListedCaseRuns) {
    expectEveryListedCaseRuns("T_CFString", kCFStringFailures);
}

} // namespace
