#include "support/T_CFNumber.h"
#include "support/CFTypeRefClass.h"
#include "support/T_CFString.h"
#include "support/T_numeric.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

namespace {

CFNumberRef MakeDouble(double value) {
    return ::CFNumberCreate(kCFAllocatorDefault, kCFNumberDoubleType, &value);
}

CFNumberRef MakeInt(long long value) {
    return ::CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt64Type, &value);
}

template <class T>
class NumberReadOut : public ::testing::Test {};

using NativeTypes =
    ::testing::Types<double, float, unsigned long, long, unsigned int, int, unsigned short, short>;
TYPED_TEST_SUITE(NumberReadOut, NativeTypes);

TYPED_TEST(NumberReadOut, ReadsEveryNativeType) {
    const TCFNumber number(MakeInt(1234), kCFTypeRefOwned);
    // Every byte of the value is written: start from a pattern that would show a partial write.
    TypeParam value;
    std::memset(&value, 0xA5, sizeof(value));
    EXPECT_TRUE(number.GetValue(value));
    EXPECT_EQ(value, TypeParam(1234));
}

// The number's value read out as a T; nothing when it does not convert.
template <class T>
std::optional<T> ReadOut(CFNumberRef number) {
    T value{};
    if (!TCFNumber(number, kCFTypeRefOwned).GetValue(value))
        return std::nullopt;
    return value;
}

TEST(TCFNumberTest, FractionsNegativesAndUnsignedReadOutsExactlyWithinTheirRange) {
    EXPECT_EQ(ReadOut<unsigned int>(MakeInt(4294967295LL)), 4294967295u);
    EXPECT_EQ(ReadOut<unsigned int>(MakeInt(4294967296LL)), std::nullopt);
    EXPECT_EQ(ReadOut<unsigned short>(MakeInt(40000)), 40000);
    // Only the widest type shows a negative number refused for its sign, not its size.
    EXPECT_EQ(ReadOut<unsigned long>(MakeInt(-1)), std::nullopt);
    EXPECT_EQ(ReadOut<unsigned long>(MakeDouble(2.5)), std::nullopt);
    EXPECT_EQ(ReadOut<unsigned long>(MakeDouble(7.0)), 7u);

    EXPECT_EQ(ReadOut<double>(MakeDouble(2.5)), 2.5);
    EXPECT_EQ(ReadOut<float>(MakeDouble(2.5)), 2.5f);
    EXPECT_EQ(ReadOut<long>(MakeInt(-40000)), -40000);
}

// Null and other objects give false before the read-out, the same for every type.
TEST(TCFNumberTest, ConstructChecksTheTypeNullAndOtherObjectsDoNotReadOut) {
    int value = 0;
    EXPECT_FALSE(TCFNumber().GetValue(value));
    EXPECT_FALSE(CFTypeRefClass::ConvertTo(TCFString("12").Get(), value));
    TCFNumber number;
    EXPECT_TRUE(number.construct(MakeInt(1), kCFTypeRefOwned));
    EXPECT_THROW(number.construct(reinterpret_cast<CFNumberRef>(::CFStringCreateWithCString(
                                      nullptr, "x", kCFStringEncodingUTF8)),
                                  kCFTypeRefOwned),
                 CFTypeRefClass::TypeException);
    EXPECT_FALSE(number.GetValue(value));
}

TEST(CFTypeRefClassTest, TypeMatchDescriptionsNumberTypeNamesAndStringConversion) {
    const TCFNumber number(MakeInt(42), kCFTypeRefOwned);
    EXPECT_EQ(CFTypeRefClass::ThrowIfNotTypeMatch(number.Get(), ::CFNumberGetTypeID()),
              ::CFNumberGetTypeID());
    EXPECT_THROW(CFTypeRefClass::ThrowIfNotTypeMatch(number.Get(), ::CFStringGetTypeID()),
                 CFTypeRefClass::TypeException);
    EXPECT_THROW(CFTypeRefClass::ThrowIfNotTypeMatch(nullptr, ::CFStringGetTypeID()),
                 CFTypeRefClass::TypeException);

    std::string text;
    EXPECT_TRUE(CFTypeRefClass::GetTypeDescription(::CFStringGetTypeID(), text));
    EXPECT_EQ(text, "CFString");
    std::string description;
    EXPECT_TRUE(CFTypeRefClass::GetDescription(number.Get(), description));
    EXPECT_TRUE(CFTypeRefClass::ConvertTo(number.Get(), text));
    EXPECT_EQ(text, description);
    EXPECT_NE(text.find("42"), std::string::npos);
    const TCFString string("caf\xC3\xA9");
    EXPECT_TRUE(CFTypeRefClass::ConvertTo(string.Get(), text));
    EXPECT_EQ(text, "caf\xC3\xA9");
    text = "stale";
    EXPECT_FALSE(CFTypeRefClass::ConvertTo(nullptr, text));
    EXPECT_EQ(text, "");

    // Number type names know their codes only.
    EXPECT_STREQ(T_numeric_base::name_of(kCFNumberSInt32Type), "kCFNumberSInt32Type");
    EXPECT_STREQ(T_numeric_base::name_of(5), "Unknown");
    EXPECT_STREQ(T_numeric_base::name_of(-1), "Unknown");
}

} // namespace
