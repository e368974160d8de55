#include "platform/corefoundation/CFData.h"
#include "platform/corefoundation/CFNumber.h"
#include "platform/corefoundation/CFSet.h"
#include "platform/corefoundation/CFString.h"
#include "platform/corefoundation/CFTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace {

TEST(CFNumber, ValuesConvertAndReportLoss) {
    const int value = 70000;
    CFHolder<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberIntType, &value));
    EXPECT_EQ(CFGetTypeID(number), CFNumberGetTypeID());
    EXPECT_EQ(CFNumberGetType(number), kCFNumberIntType);
    EXPECT_FALSE(CFNumberIsFloatType(number));

    long long wide = 0;
    EXPECT_TRUE(CFNumberGetValue(number, kCFNumberLongLongType, &wide));
    EXPECT_EQ(wide, 70000);
    short narrow = 0;
    EXPECT_FALSE(CFNumberGetValue(number, kCFNumberSInt16Type, &narrow));
    EXPECT_EQ(narrow, short(70000 & 0xFFFF));
    double real = 0;
    EXPECT_TRUE(CFNumberGetValue(number, kCFNumberDoubleType, &real));
    EXPECT_EQ(real, 70000.0);

    // Exactly the type's size is written.
    unsigned char bytes[8];
    std::memset(bytes, 0xEE, sizeof(bytes));
    EXPECT_TRUE(CFNumberGetValue(number, kCFNumberSInt32Type, bytes));
    EXPECT_EQ(bytes[4], 0xEE);

    const double fraction = 2.5;
    CFHolder<CFNumberRef> floating(CFNumberCreate(nullptr, kCFNumberFloat64Type, &fraction));
    int truncated = 0;
    EXPECT_FALSE(CFNumberGetValue(floating, kCFNumberIntType, &truncated));
    EXPECT_EQ(truncated, 2);

    const unsigned long big = ULONG_MAX;
    CFHolder<CFNumberRef> unsignedLong(CFNumberCreate(nullptr, kCFNumberLongType, &big));
    unsigned long back = 0;
    EXPECT_TRUE(CFNumberGetValue(unsignedLong, kCFNumberLongType, &back));
    EXPECT_EQ(back, big);

    EXPECT_EQ(CFNumberCreate(nullptr, CFNumberType(0), &value), nullptr);
    EXPECT_EQ(CFNumberCreate(nullptr, CFNumberType(17), &value), nullptr);
    EXPECT_EQ(CFNumberCreate(nullptr, kCFNumberIntType, nullptr), nullptr);
    EXPECT_FALSE(CFNumberGetValue(nullptr, kCFNumberIntType, &truncated));
    EXPECT_FALSE(CFNumberGetValue(static_cast<CFNumberRef>(static_cast<CFTypeRef>(CFSTR("7"))),
                                  kCFNumberIntType, &truncated));
}

TEST(CFNumber, CompareEqualAndDescribe) {
    const int seven = 7;
    const double sevenReal = 7.0;
    const double half = 0.5;
    CFHolder<CFNumberRef> a(CFNumberCreate(nullptr, kCFNumberSInt32Type, &seven));
    CFHolder<CFNumberRef> b(CFNumberCreate(nullptr, kCFNumberDoubleType, &sevenReal));
    CFHolder<CFNumberRef> c(CFNumberCreate(nullptr, kCFNumberDoubleType, &half));
    EXPECT_EQ(CFNumberCompare(a, b, nullptr), kCFCompareEqualTo);
    EXPECT_EQ(CFNumberCompare(c, a, nullptr), kCFCompareLessThan);
    EXPECT_TRUE(CFEqual(a, b));
    EXPECT_EQ(CFHash(a), CFHash(b));
    EXPECT_EQ(describe(a), "7");
    EXPECT_EQ(describe(c), "0.5");
    EXPECT_EQ(describe(kCFBooleanTrue), "true");
    EXPECT_NE(CFGetTypeID(kCFBooleanTrue), CFGetTypeID(a));
}

TEST(CFTypeIDs, AreDistinctAndDescribed) {
    const CFTypeID ids[] = {CFStringGetTypeID(), CFNumberGetTypeID(), CFBooleanGetTypeID(),
                            CFDataGetTypeID(),   CFArrayGetTypeID(),  CFDictionaryGetTypeID(),
                            CFSetGetTypeID(),    CFBagGetTypeID(),    CFDateGetTypeID()};
    const char* names[] = {"CFString",     "CFNumber", "CFBoolean", "CFData", "CFArray",
                           "CFDictionary", "CFSet",    "CFBag",     "CFDate"};
    for (std::size_t i = 0; i < std::size(ids); ++i) {
        CFHolder<CFStringRef> name(CFCopyTypeIDDescription(ids[i]));
        EXPECT_EQ(utf8(name), names[i]);
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_NE(ids[i], ids[j]);
    }
    EXPECT_EQ(CFCopyTypeIDDescription(0), nullptr);
    EXPECT_EQ(CFCopyTypeIDDescription(9999), nullptr);
    EXPECT_EQ(CFGetTypeID(nullptr), 0u);
    EXPECT_EQ(CFCopyDescription(nullptr), nullptr);
}

TEST(CFData, CopiesOrBorrowsBytes) {
    const UInt8 bytes[] = {0x0A, 0xFF, 0x00, 0x41, 0x42};
    CFHolder<CFDataRef> copy(CFDataCreate(nullptr, bytes, sizeof(bytes)));
    EXPECT_NE(CFDataGetBytePtr(copy), bytes);
    CFHolder<CFDataRef> borrowed(
        CFDataCreateWithBytesNoCopy(nullptr, bytes, sizeof(bytes), kCFAllocatorNull));
    EXPECT_EQ(CFDataGetBytePtr(borrowed), bytes);
    EXPECT_TRUE(CFEqual(copy, borrowed));
    EXPECT_EQ(describe(copy), "<0aff0041 42>");
    UInt8 part[2] = {};
    CFDataGetBytes(copy, CFRangeMake(3, 2), part);
    EXPECT_EQ(part[0], 0x41);
    CFDataGetBytes(copy, CFRangeMake(4, 2), part); // outside: nothing copied
    EXPECT_EQ(part[0], 0x41);

    CFMutableDataRef grow = CFDataCreateMutable(nullptr, 0);
    CFDataAppendBytes(grow, bytes, 2);
    CFDataAppendBytes(grow, bytes, 1);
    EXPECT_EQ(CFDataGetLength(grow), 3);
    CFDataSetLength(grow, 5);
    EXPECT_EQ(CFDataGetMutableBytePtr(grow)[4], 0);
    CFRelease(grow);

    auto* owned = static_cast<UInt8*>(std::malloc(3));
    CFRelease(CFDataCreateWithBytesNoCopy(nullptr, owned, 3, kCFAllocatorDefault)); // frees it
}

TEST(CFCollections, MembersAreRetainedAndReleased) {
    CFStringRef member = CFStringCreateWithCString(nullptr, "member", kCFStringEncodingUTF8);
    const void* values[] = {member, CFSTR("two words")};
    CFArrayRef array = CFArrayCreate(nullptr, values, 2, &kCFTypeArrayCallBacks);
    EXPECT_EQ(CFGetRetainCount(member), 2);
    EXPECT_EQ(CFArrayGetCount(array), 2);
    EXPECT_EQ(CFArrayGetValueAtIndex(array, 0), member);
    EXPECT_EQ(CFArrayGetValueAtIndex(array, 2), nullptr);
    EXPECT_EQ(describe(array), "(\n    member,\n    \"two words\"\n)");

    CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFStringRef key = CFStringCreateWithCString(nullptr, "key", kCFStringEncodingUTF8);
    CFDictionarySetValue(dict, key, array);
    CFDictionarySetValue(dict, CFSTR("flag"), kCFBooleanTrue);
    EXPECT_EQ(CFGetRetainCount(array), 2);
    // Keys are compared by value.
    EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("key")), array);
    EXPECT_EQ(describe(dict),
              "{\n    key = (\n        member,\n        \"two words\"\n    );\n    flag = 1;\n}");
    CFDictionaryRemoveValue(dict, CFSTR("key"));
    EXPECT_EQ(CFGetRetainCount(array), 1);
    EXPECT_EQ(CFDictionaryGetCount(dict), 1);

    // An immutable dictionary does not change.
    CFDictionaryRef frozen = CFDictionaryCreateCopy(nullptr, dict);
    CFDictionarySetValue(const_cast<CFMutableDictionaryRef>(frozen), key, member);
    EXPECT_EQ(CFDictionaryGetCount(frozen), 1);
    EXPECT_TRUE(CFEqual(frozen, dict));

    CFRelease(frozen);
    CFRelease(dict);
    CFRelease(key);
    CFRelease(array);
    EXPECT_EQ(CFGetRetainCount(member), 1);
    CFRelease(member);
}

TEST(CFCollections, SetsHoldOnceAndBagsCount) {
    const void* values[] = {CFSTR("a"), CFSTR("b"), CFSTR("a")};
    CFHolder<CFSetRef> set(CFSetCreate(nullptr, values, 3, &kCFTypeSetCallBacks));
    EXPECT_EQ(CFSetGetCount(set), 2);
    EXPECT_TRUE(CFSetContainsValue(set, CFSTR("b")));
    CFHolder<CFBagRef> bag(CFBagCreate(nullptr, values, 3, &kCFTypeBagCallBacks));
    EXPECT_EQ(CFBagGetCount(bag), 3);
    EXPECT_EQ(CFBagGetCountOfValue(bag, CFSTR("a")), 2);
    CFMutableBagRef counted = CFBagCreateMutable(nullptr, 0, &kCFTypeBagCallBacks);
    CFBagAddValue(counted, CFSTR("x"));
    CFBagAddValue(counted, CFSTR("x"));
    CFBagRemoveValue(counted, CFSTR("x"));
    EXPECT_EQ(CFBagGetCountOfValue(counted, CFSTR("x")), 1);
    CFRelease(counted);
}

} // namespace
