#include "support/CoreException.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(CoreException, FormatsIntoTheSharedBufferAndCutsLongMessages) {
    const CoreException first("Invariant %s at %d", "failed", 12);
    EXPECT_STREQ(first.what(), "Invariant failed at 12");
    const CoreException second("Nil exception pointer");
    // Every instance shows the latest text.
    EXPECT_EQ(first.what(), second.what());
    EXPECT_STREQ(first.what(), "Nil exception pointer");

    const std::string longText(5000, 'y');
    const CoreException error("%s", longText.c_str());
    EXPECT_EQ(std::strlen(error.what()), CoreException::kMessageBufferSize - 1);
}
