#include "support/CorePString.h"
#include "support/VerifyCapture.h"
#include "support/VerifyFailureCase.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Chars(const CorePString& text) {
    return std::string(text.c_str(), text.strlen());
}

std::string Pascal(const std::string& chars) {
    return std::string(1, static_cast<char>(chars.size())) + chars;
}

const unsigned char* P(const std::string& pascal) {
    return reinterpret_cast<const unsigned char*>(pascal.data());
}

TEST(CorePStringTest, AssignmentTakesAtMost255Characters) {
    const std::string longer(300, 'q');
    CorePString text(longer.c_str());
    EXPECT_EQ(Chars(text), std::string(255, 'q'));
    EXPECT_EQ(text.c_str()[255], 0);
    text = "short";
    EXPECT_EQ(Chars(text), "short");
    EXPECT_EQ(text.c_str()[5], 0);
    const std::string pascal = Pascal("abc");
    text = P(pascal);
    EXPECT_EQ(Chars(text), "abc");
    CorePString copy(text);
    EXPECT_TRUE(copy == "abc");
    text = static_cast<const char*>(nullptr);
    EXPECT_EQ(text.strlen(), 0u);
}

TEST(CorePStringTest, StrcatcStopsAt255) {
    CorePString text(std::string(254, 'a').c_str());
    EXPECT_EQ(std::string(text.strcatc('b')), std::string(254, 'a') + "b");
    EXPECT_EQ(text.strlen(), 255u);
    text.strcatc('c');
    EXPECT_EQ(text.strlen(), 255u);
    EXPECT_EQ(text.c_str()[254], 'b');
    EXPECT_EQ(text.c_str()[255], 0);
}

TEST(CorePStringTest, AppendKeepsTheFirst255CharactersAndARightLength) {
    // Sums past 255 would wrap around in the length byte: 300, 256 and 510 are among them.
    const std::size_t rows[][3] = {{3, 4, 7},       {0, 5, 5},       {5, 0, 5},    {200, 55, 255},
                                   {200, 100, 255}, {255, 255, 255}, {255, 1, 255}};
    for (const auto& [left, right, result] : rows) {
        SCOPED_TRACE(std::to_string(left) + " + " + std::to_string(right));
        CorePString text(std::string(left, 'L').c_str());
        const std::string pascal = Pascal(std::string(right, 'R'));
        text.strcat(P(pascal));
        EXPECT_EQ(Chars(text),
                  (std::string(left, 'L') + std::string(right, 'R')).substr(0, result));
        EXPECT_EQ(text.c_str()[result], 0);
    }

    // Appending itself doubles the text.
    CorePString text("abc");
    text.strcat(text.pstring());
    EXPECT_EQ(Chars(text), "abcabc");
}

TEST(CorePStringTest, AppendingNothingToNothingWritesOneVerifyLine) {
    VerifyCapture capture;
    CorePString text;
    const std::string empty = Pascal("");
    text.strcat(P(empty));
    EXPECT_EQ(text.strlen(), 0u);
    const VerifyLine line{" code : pstring_len+rhs_len", "CorePString.cpp", 86, "strcat"};
    EXPECT_EQ(capture.lines(), std::vector<VerifyLine>{line});
}

TEST(CorePStringTest, CopiesOutComparesAndThrowsForNullArguments) {
    CorePString text("hello");
    unsigned char pascal[8] = {};
    text.strcpy(pascal, 3);
    EXPECT_EQ(pascal[0], 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(pascal + 1), 3), "hel");
    text.AssignTo(pascal, 100);
    EXPECT_EQ(pascal[0], 5);
    char ctext[6];
    text.AssignTo(ctext);
    EXPECT_STREQ(ctext, "hello");

    EXPECT_TRUE(text == "hello");
    EXPECT_FALSE(text == "hell");
    const std::string same = Pascal("hello"), other = Pascal("hellp");
    EXPECT_TRUE(text == P(same));
    EXPECT_FALSE(text == P(other));

    EXPECT_EQ(ThrownMessage([&] { text.strcat(nullptr); }), "Nil exception pointer");
    EXPECT_EQ(ThrownMessage([&] { (void)(text == static_cast<const char*>(nullptr)); }),
              "Nil exception pointer");
    EXPECT_EQ(ThrownMessage([&] { text.AssignTo(static_cast<char*>(nullptr)); }),
              "Nil exception pointer");
    EXPECT_EQ(Chars(text), "hello");
}

} // namespace
