#include "platform/coregraphics/CGColorSpace.h"

#include <gtest/gtest.h>

#include <string>

TEST(CGColorSpaceTest, GenericRGBIsAThreeComponentSpaceFoundByNameAndSharedByCount) {
    // The name is compared by value, not by address.
    const std::string copied = kCGColorSpaceGenericRGB;
    CGColorSpaceRef space = CGColorSpaceCreateWithName(copied.c_str());
    ASSERT_NE(space, nullptr);
    EXPECT_STREQ(CGColorSpaceGetName(space), kCGColorSpaceGenericRGB);
    EXPECT_EQ(CGColorSpaceGetNumberOfComponents(space), 3);
    EXPECT_EQ(CGColorSpaceRetain(space), space);
    CGColorSpaceRelease(space);
    // Still alive after the first release: the retain above holds it.
    EXPECT_EQ(CGColorSpaceGetNumberOfComponents(space), 3);
    CGColorSpaceRelease(space);

    EXPECT_EQ(CGColorSpaceCreateWithName("kCGColorSpaceNoSuchSpace"), nullptr);
    EXPECT_EQ(CGColorSpaceCreateWithName(nullptr), nullptr);
    CGColorSpaceRelease(nullptr);
    EXPECT_EQ(CGColorSpaceGetName(nullptr), nullptr);
}
