#include "support/CoreSystem.h"
#include "platform/system/Gestalt.h"
#include "support/LogTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>

namespace {

class CoreSystemVersion : public ::testing::Test {
protected:
    void SetUp() override { CoreSystem::ResetCachedVersionForTesting(); }
    void TearDown() override {
        GestaltClearSystemVersionOverride();
        CoreSystem::ResetCachedVersionForTesting();
    }
    ScopedLogsFolder mLogs;
};

TEST_F(CoreSystemVersion, ComparesPackedVersionsAsIntegers) {
    EXPECT_EQ(CoreSystem::GetSystemName(), 0x1075u);

    CoreSystem::ResetCachedVersionForTesting();
    GestaltSetSystemVersionOverride(noErr, 0x1068);
    EXPECT_TRUE(CoreSystem::IsEarlierThanRevision(0x1070));
    EXPECT_FALSE(CoreSystem::IsAtLeast(0x1070));

    CoreSystem::ResetCachedVersionForTesting();
    GestaltSetSystemVersionOverride(noErr, 0x1070);
    EXPECT_FALSE(CoreSystem::IsEarlierThanRevision(0x1070));
    EXPECT_TRUE(CoreSystem::IsAtLeast(0x1070));
    // Cached: a later change of the system's answer is not seen.
    GestaltSetSystemVersionOverride(noErr, 0x1090);
    EXPECT_EQ(CoreSystem::GetVersion(), 0x1070u);
    EXPECT_FALSE(fileExists(mLogs.logFile()));

    // It was read while the program loaded.
    EXPECT_EQ(CoreSystem::sSystemNameAtLoad, 0x1075u);
}

TEST_F(CoreSystemVersion, FailureIsReportedWithTheStatusTextsAndAskedAgain) {
    GestaltSetSystemVersionOverride(gestaltUnknownErr, 0);
    EXPECT_EQ(CoreSystem::GetVersion(), 0u);
    EXPECT_TRUE(CoreSystem::IsEarlierThanRevision(0x1000));
    EXPECT_FALSE(CoreSystem::IsAtLeast(0x1000));
    // Nothing was cached: each of the three queries asked again and reported again.
    const std::string log = readFileText(mLogs.logFile());
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3) << log;
    EXPECT_EQ(log.rfind("VERIFY_OSERR FAILED: OSErr:-5550 (gestaltUnknownErr/", 0), 0u) << log;
    EXPECT_NE(log.find(" code : Gestalt(gestaltSystemVersion, &cachedGestaltVersion) in "),
              std::string::npos);

    GestaltSetSystemVersionOverride(noErr, 0x1068);
    EXPECT_EQ(CoreSystem::GetVersion(), 0x1068u);
}

} // namespace
