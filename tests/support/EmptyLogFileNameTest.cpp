#include "support/CoreMachDebugLog.h"
#include "support/LogTestSupport.h"

#include <gtest/gtest.h>

// Replaces the library's weak default.
const char* g_CoreMachDebug_LogFileName = "";

TEST(CoreMachDebugLogFileName, EmptyNameSelectsCoreConsoleLog) {
    ScopedLogsFolder logs;
    CoreMachDebugLog("hello %s\n", "console");
    EXPECT_EQ(readFileText(logs.logFile("CoreConsole.log")), "hello console\n");
    EXPECT_FALSE(fileExists(logs.logFile()));
}
