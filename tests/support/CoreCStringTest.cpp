#include "support/CoreCString.h"
#include "support/CoreCStringSized.h"
#include "support/CoreException.h"
#include "support/T_CFString.h"
#include "support/VerifyCapture.h"
#include "support/VerifyFailureCase.h"

#include "platform/system/Files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using namespace std::string_literals;

TEST(CoreCStringTest, FourCharCodeIsHexThenQuotedBytesSizedOnlyQuoted) {
    EXPECT_STREQ(CoreCString(std::uint32_t(0x4D6F6F56)).c_str(), "0x4d6f6f56 'MooV'");
    // Zero bytes would cut the text inside the quotes.
    CoreCString text;
    EXPECT_TRUE(text.ConstructFourCharCode(0x61006200));
    EXPECT_STREQ(text.c_str(), "0x61006200 'a.b.'");

    CoreCStringSized sized(std::uint32_t(0x61626364), 32);
    EXPECT_STREQ(sized.c_str(), "'abcd'");
    EXPECT_EQ(sized.buffer_size(), 32);
}

TEST(CoreCStringTest, APlainIntIsAMinimumSize) {
    const CoreCString text(64);
    EXPECT_STREQ(text.c_str(), "");
    EXPECT_GE(text.buffer_size(), 64);
    const CoreCStringSized sized(64);
    EXPECT_STREQ(sized.c_str(), "");
    EXPECT_EQ(sized.buffer_size(), 64);
    EXPECT_THROW(CoreCString(-1), CoreException);
    EXPECT_THROW(CoreCStringSized(70000), CoreException);
}

TEST(CoreCStringHex, EncodeWritesDigitPairsEachFollowedBySeparatorAsHexStringItsOwnText) {
    struct Row {
        std::string data;
        std::size_t max;
        char separator;
        const char* text;
    };
    const Row rows[] = {{"\x00\x01\x7F"s, 0, ':', "00:01:7F:"},
                        {"\x12\x34\x56"s, 2, ' ', "12 34 "},
                        {"\x12\x34"s, 5, ' ', "12 34 "},
                        {"\xAB\xCD"s, 0, 0, "ABCD"},
                        {"\xAB\xCD"s, 0, '\t', "AB CD "},
                        {"\xAB"s, 0, '\xC3', "AB "},
                        {std::string(), 0, ' ', ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        CoreCString text("previous");
        EXPECT_STREQ(text.EncodeHexString(row.data.data(), row.data.size(), row.max, row.separator),
                     row.text);
    }
    CoreCString own("Hi!");
    EXPECT_STREQ(own.AsHexString(), "48 69 21 ");
    CoreCString empty("");
    EXPECT_STREQ(empty.AsHexString(), "");
}

TEST(CoreCStringHex, DecodeTurnsDigitPairsIntoBytesAndUndoesEncode) {
    const std::pair<const char*, std::string> rows[] = {
        {"abc", "\xAB"s}, {"0A FF ", "\x0A\xFF"}, {"0 1 2 3", "\x01\x23"s},
        {"xyz!", ""},     {nullptr, ""},          {"00 00 7f", "\x00\x00\x7F"s}};
    for (const auto& [hex, bytes] : rows) {
        SCOPED_TRACE(hex ? hex : "null");
        CoreCString text("something");
        const char* buffer = text.DecodeHexString(hex);
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(std::string(buffer, bytes.size()), bytes);
        EXPECT_EQ(buffer[bytes.size()], 0);
    }

    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    CoreCString hex;
    hex.HexData(all.data(), all.size());
    CoreCString decoded;
    EXPECT_EQ(std::string(decoded.DecodeHexString(hex.c_str()), all.size()), all);
}

TEST(CoreCStringTest, AllocKeepsALargerBufferAndGrowsASmallerOne) {
    CoreCString text("a longer text", 0);
    const std::size_t size = text.buffer_size();
    const char* buffer = text.c_str();
    EXPECT_EQ(text.Alloc("short"), buffer);
    EXPECT_EQ(text.buffer_size(), size);
    EXPECT_STREQ(text.c_str(), "short");
    text.Alloc("a text that no longer fits the old buffer");
    EXPECT_EQ(text.buffer_size(), std::strlen("a text that no longer fits the old buffer") + 1);
    EXPECT_EQ(CoreCString("ab", 40).buffer_size(), 40);
    EXPECT_EQ(CoreCString(static_cast<const char*>(nullptr)).buffer_size(), 1);
}

TEST(CoreCStringTest, TakesFileSpecificationNamesAndCoreFoundationStrings) {
    FSSpec spec{};
    spec.name[0] = 4;
    std::memcpy(spec.name + 1, "clip", 4);
    EXPECT_STREQ(CoreCString(spec).c_str(), "clip");
    EXPECT_STREQ(CoreCString(&spec).c_str(), "clip");
    EXPECT_STREQ(CoreCString(static_cast<const FSSpec*>(nullptr)).c_str(), "");
    spec.name[0] = 200; // past the record's 63 characters: not believed
    EXPECT_EQ(CoreCString(spec).strlen(), 4u);

    CoreCString text("old");
    const TCFString roman("caf\xC3\xA9");
    text = roman.Get();
    EXPECT_STREQ(text.c_str(), "caf\x8E");
    EXPECT_EQ(text.buffer_size(), 5);
    text = static_cast<CFStringRef>(nullptr);
    EXPECT_EQ(text.c_str(), nullptr);
    // A character without a Mac Roman form leaves no buffer, and says so.
    VerifyCapture capture;
    text = TCFString("\xC4\x80").Get();
    EXPECT_EQ(text.c_str(), nullptr);
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0].file, "CoreCStringCF.cpp");
}

TEST(CoreCStringTest, AssignmentReplacesTheBufferAndSurvivesItsOwnText) {
    CoreCString text("a long text to start with");
    text = "tiny";
    EXPECT_STREQ(text.c_str(), "tiny");
    EXPECT_EQ(text.buffer_size(), 5);
    text = text.c_str() + 1;
    EXPECT_STREQ(text.c_str(), "iny");
    // A Pascal text ends at its length byte, whatever follows it.
    const unsigned char pascal[] = {2, 'o', 'k', 'X'};
    text = pascal;
    EXPECT_STREQ(text.c_str(), "ok");
    EXPECT_STREQ(CoreCString(pascal).c_str(), "ok");
    text = static_cast<const char*>(nullptr);
    EXPECT_STREQ(text.c_str(), "");
}

TEST(CoreCStringTest, TextsPastTheSixteenBitSizeAreCut) {
    const std::string huge(70000, 'x');
    CoreCString text(huge);
    EXPECT_EQ(text.buffer_size(), 0xFFFF);
    EXPECT_EQ(text.strlen(), 0xFFFE);
    EXPECT_EQ(ThrownMessage([&] { text.strcat("y"); }), "Invariant failed");
    EXPECT_EQ(text.strlen(), 0xFFFE);
}

TEST(CoreCStringTest, SafeCopiesStayInsideTheBuffer) {
    CoreCString text("", 6);
    EXPECT_STREQ(text.safe_strcpy("abcdefgh"), "abcde");
    EXPECT_STREQ(text.safe_strncpy("ab", 4), "ab");
    EXPECT_STREQ(text.safe_strncpy("abcdef", 2), "abcde");
    EXPECT_STREQ(text.safe_strncpy(nullptr, 3), "");
    text = "";
    text.Alloc("ab", 6);
    EXPECT_STREQ(text.safe_strcat("cdefgh"), "abcde");
    EXPECT_EQ(text.buffer_size(), 6);
}

TEST(CoreCStringTest, StrcatGrowsAndAppendsItsOwnText) {
    CoreCString text("ab");
    text.strcat("cd");
    text += text;
    EXPECT_STREQ(text.c_str(), "abcdabcd");
    const unsigned char pascal[] = {2, 'e', 'f'};
    text += pascal;
    text += CoreCString("!");
    EXPECT_STREQ(text.c_str(), "abcdabcdef!");
    EXPECT_EQ(text.buffer_size(), 12);
}

TEST(CoreCStringTest, AssignsToAndComparesWithCAndPascalTexts) {
    CoreCString text("hello");
    char cbuffer[6] = {};
    text.AssignTo(cbuffer);
    EXPECT_STREQ(cbuffer, "hello");
    unsigned char pbuffer[8] = {0, 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    text.AssignTo(pbuffer, 3);
    EXPECT_EQ(pbuffer[0], 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(pbuffer + 1), 4), "helx");
    const std::string longer(300, 'z');
    unsigned char full[257];
    CoreCString(longer).AssignTo(full, 1000);
    EXPECT_EQ(full[0], 255);

    EXPECT_TRUE(text == "hello");
    EXPECT_FALSE(text == "hello!");
    const unsigned char same[] = {5, 'h', 'e', 'l', 'l', 'o'};
    const unsigned char shorter[] = {4, 'h', 'e', 'l', 'l'};
    EXPECT_TRUE(text == same);
    EXPECT_FALSE(text == shorter);
}

TEST(CoreCStringTest, TrimsWhiteSpaceAndReadsTheLeadingNumber) {
    struct Row {
        const char* text;
        const char* leading;
        const char* trailing;
        const char* both;
    };
    const Row rows[] = {{"  ab c \t\n", "ab c \t\n", "  ab c", "ab c"},
                        {"abc", "abc", "abc", "abc"},
                        {" \t ", " \t ", "", ""},
                        {"", "", "", ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        CoreCString leading(row.text), trailing(row.text), both(row.text);
        leading.trim_leading_whitespace();
        trailing.trim_trailing_whitespace();
        both.trim_trailing_and_leading_whitespace();
        EXPECT_STREQ(leading.c_str(), row.leading);
        EXPECT_STREQ(trailing.c_str(), row.trailing);
        EXPECT_STREQ(both.c_str(), row.both);
    }
    EXPECT_DOUBLE_EQ(CoreCString("2.5 frames").AsDouble(), 2.5);
    EXPECT_DOUBLE_EQ(CoreCString("x2.5").AsDouble(), 0.0);
    EXPECT_DOUBLE_EQ(CoreCString("  -1e3").AsDouble(), -1000.0);
}

TEST(CoreCStringFormat, PrintfAcceptsUpTo2048Characters) {
    CoreCString text("old");
    EXPECT_STREQ(text.printf("%d-%s", 42, "x"), "42-x");
    const std::string limit(2048, 'a');
    EXPECT_EQ(std::string(text.printf("%s", limit.c_str())), limit);
    const std::string over(2049, 'b');
    EXPECT_EQ(ThrownMessage([&] { text.printf("%s", over.c_str()); }), "Invariant failed");
    EXPECT_EQ(std::string(text.c_str()), limit);
    EXPECT_STREQ(text.printf("%s!", text.c_str() + 2046), "aa!");
}

TEST(CoreCStringFormat, SprintfNeverWritesPastTheCallersBuffer) {
    CoreCString text("old");
    char buffer[12];
    std::memset(buffer, '#', sizeof(buffer));
    EXPECT_STREQ(text.sprintf(buffer, 8, "%s", "1234567"), "1234567");
    std::memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(ThrownMessage([&] { text.sprintf(buffer, 8, "%s", "12345678"); }),
              "Invariant failed");
    EXPECT_EQ(std::string(buffer + 8, 4), "####");
    EXPECT_STREQ(text.c_str(), "1234567");
    EXPECT_EQ(ThrownMessage([&] { text.sprintf(nullptr, 8, "x"); }), "Nil exception pointer");
}

TEST(CoreCStringTest, NullArgumentsAndAMissingBufferThrowAndLeaveTheTextAlone) {
    const char kNil[] = "Nil exception pointer";
    CoreCString text("keep");
    char buffer[8];
    EXPECT_EQ(ThrownMessage([&] { (void)(text == static_cast<const char*>(nullptr)); }), kNil);
    EXPECT_EQ(ThrownMessage([&] { text.strcat(nullptr); }), kNil);
    EXPECT_STREQ(text.c_str(), "keep");
    text.Delete();
    EXPECT_EQ(ThrownMessage([&] { text.Empty(); }), kNil);
    EXPECT_EQ(ThrownMessage([&] { text.AssignTo(buffer); }), kNil);
    EXPECT_EQ(ThrownMessage([&] { (void)(text == "x"); }), kNil);
    EXPECT_EQ(ThrownMessage([&] { text.strcat("x"); }), kNil);
}

TEST(CoreCStringSizedTest, TruncateWithinTheText) {
    CoreCStringSized text("abcdef", 16);
    text.truncate(6);
    EXPECT_STREQ(text.c_str(), "abcdef");
    text.truncate(3);
    EXPECT_STREQ(text.c_str(), "abc");
    EXPECT_EQ(ThrownMessage([&] { text.truncate(4); }), "Invariant failed");
    EXPECT_STREQ(text.c_str(), "abc");
    text.Delete();
    EXPECT_EQ(ThrownMessage([&] { text.truncate(0); }), "Nil exception pointer");
}

TEST(CoreCStringSizedTest, StrcatStaysOneByteShortOfTheBuffer) {
    CoreCStringSized text("ab", 8);
    text.strcat("cde");
    EXPECT_STREQ(text.c_str(), "abcde");
    // Seven characters would still fit an eight-byte buffer; the class stops at six.
    EXPECT_EQ(ThrownMessage([&] { text.strcat("fg"); }), "Invariant failed");
    EXPECT_STREQ(text.c_str(), "abcde");
    text.strcat("f");
    EXPECT_STREQ(text.c_str(), "abcdef");
    EXPECT_EQ(text.buffer_size(), 8);
    EXPECT_EQ(ThrownMessage([&] { text.strcat(nullptr); }), "Nil exception pointer");

    text = "abc";
    EXPECT_EQ(text.buffer_size(), 8);
    CoreCStringSized copy(text);
    EXPECT_EQ(copy.buffer_size(), 8);
    EXPECT_STREQ(copy.c_str(), "abc");
}

} // namespace
