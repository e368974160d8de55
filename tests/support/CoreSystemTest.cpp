#include "support/CoreSystem.h"
#include "platform/system/Gestalt.h"
#include "support/CoreMachDebugLog.h"
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

TEST_F(CoreSystemVersion, WasReadWhileTheProgramLoaded) {
    EXPECT_EQ(CoreSystem::sSystemNameAtLoad, 0x1075u);
}

TEST_F(CoreSystemVersion, ComparesPackedVersionsAsIntegers) {
    EXPECT_EQ(CoreSystem::GetSystemName(), 0x1075u);
    EXPECT_FALSE(CoreSystem::IsEarlierThanRevision(0x1070));
    EXPECT_TRUE(CoreSystem::IsAtLeast(0x1070));

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
}

TEST_F(CoreSystemVersion, FailureIsReportedWithTheStatusTextsAndAskedAgain) {
    GestaltSetSystemVersionOverride(gestaltUnknownErr, 0);
    EXPECT_EQ(CoreSystem::GetVersion(), 0u);
    EXPECT_TRUE(CoreSystem::IsEarlierThanRevision(0x1000));
    EXPECT_FALSE(CoreSystem::IsAtLeast(0x1000));
    const std::string log = readFileText(mLogs.logFile());
    const std::string head = "VERIFY_OSERR FAILED: OSErr:-5550 (gestaltUnknownErr/value returned "
                             "if Gestalt doesn't know the answer)  code : "
                             "Gestalt(gestaltSystemVersion, &cachedGestaltVersion) in ";
    ASSERT_EQ(log.compare(0, head.size(), head), 0) << log;
    EXPECT_NE(log.find("CoreSystem.cpp:"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 14), " (GetVersion)\n");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3);
    // Nothing was cached: the next query asks again and reports again.
    EXPECT_EQ(CoreSystem::GetVersion(), 0u);
    const std::string again = readFileText(mLogs.logFile());
    EXPECT_EQ(std::count(again.begin(), again.end(), '\n'), 4);

    GestaltSetSystemVersionOverride(noErr, 0x1068);
    EXPECT_EQ(CoreSystem::GetVersion(), 0x1068u);
}

} // namespace
