#include "support/CoreMachDebugLog.h"
#include "support/CoreMachDebugLogTesting.h"
#include "support/LogTestSupport.h"
#include "support/SyslogCapture.h"

#include <QDir>

#include <gtest/gtest.h>

#include <syslog.h>
#include <unistd.h>

#include <string>
#include <utility>

namespace {

const std::string kThisFile = __FILE__;

TEST(CoreMachDebugLog, FileOutputAppendsEachTextUnchangedAndCutsLongOnesAtTheBuffersEnd) {
    ScopedLogsFolder logs;
    CoreMachDebugLog("frame %d of %d\n", 3, 10);
    // Percent signs that arrive through an argument are written as they are.
    CoreMachDebugLog("path: %s\n", "/tmp/100%done/a%sb%n");
    CoreMachDebugLogString("raw %d %s text");
    const std::string longText(5000, 'x');
    CoreMachDebugLog("%s%s\n", longText.c_str(), longText.c_str());
    EXPECT_EQ(readFileText(logs.logFile()),
              "frame 3 of 10\npath: /tmp/100%done/a%sb%n\nraw %d %s text" + std::string(1023, 'x'));
}

TEST(CoreMachDebugLog, StdoutAndFileWritesAPrefixedLineUnknownKindsWriteTheFileOnly) {
    const std::pair<int, const char*> rows[] = {
        {0, ""}, {3, ""}, {-1, ""}, {kCoreLogOutputStdoutAndFile, "CoreMachDebugLog:kind 4\n"}};
    for (const auto& [kind, expected] : rows) {
        ScopedLogsFolder logs{kCoreLogOutput(kind)};
        FdCapture out(STDOUT_FILENO);
        FdCapture err(STDERR_FILENO);
        CoreMachDebugLog("kind %d\n", kind);
        EXPECT_EQ(out.finish(), expected) << kind;
        EXPECT_EQ(err.finish(), "") << kind;
        EXPECT_EQ(readFileText(logs.logFile()), "kind " + std::to_string(kind) + "\n");
    }
}

TEST(CoreMachDebugLog, MissingLogsFolderIsNotCreatedAndEachTextTriesAgain) {
    ScopedLogsFolder logs(kCoreLogOutputFile, false);
    CoreMachDebugLog("first\n");
    CoreMachDebugLog("second\n");
    EXPECT_FALSE(fileExists(logs.folder()));
    EXPECT_FALSE(CoreMachDebugLogIsInitializedForTesting());

    ASSERT_TRUE(logs.createFolder());
    CoreMachDebugLog("third\n");
    EXPECT_TRUE(CoreMachDebugLogIsInitializedForTesting());
    EXPECT_EQ(readFileText(logs.logFile()), "third\n");
}

TEST(CoreMachDebugLog, AFolderWhosePathCannotBeUsedIsLookedUpAgainOnTheNextText) {
    ScopedLogsFolder logs;
    // A Logs folder so deep that the log file's path would not fit the path buffer.
    std::string deep = logs.folder();
    while (deep.size() < 1010)
        deep += "/" + std::string(100, 'd');
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(deep)));
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(deep));
    CoreMachDebugLog("lost\n");
    EXPECT_FALSE(CoreMachDebugLogIsInitializedForTesting());

    qputenv("XDG_STATE_HOME", state);
    CoreMachDebugLog("kept\n");
    EXPECT_TRUE(CoreMachDebugLogIsInitializedForTesting());
    EXPECT_EQ(readFileText(logs.logFile()), "kept\n");
}

TEST(CoreMachDebugLog, InitialisationFailureIsReportedOncePerTextWithoutRecursion) {
    ScopedLogsFolder logs(kCoreLogOutputStdoutAndFile, false);
    FdCapture out(STDOUT_FILENO);
    CoreMachDebugLog("one\n");
    CoreMachDebugLog("two\n");
    const std::string text = out.finish();
    EXPECT_EQ(
        QString::fromStdString(text).count("CoreMachDebugLog:VERIFY_OSERR FAILED: OSErr:-43 ("), 2)
        << text;
    EXPECT_NE(text.find(")  code : FSFindFolder(domain, kLogsFolderType, kDontCreateFolder, "
                        "&sUserLogsFolder) in "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(" (CoreMachDebugLogClassInitialize)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("CoreMachDebugLog:one\n"), std::string::npos);
    EXPECT_NE(text.find("CoreMachDebugLog:two\n"), std::string::npos);
    EXPECT_FALSE(fileExists(logs.folder()));
}

// The ASL record's copy to standard error is its own: a syslog record after it is not copied.
TEST(CoreMachDebugLog, AslCopiesItsDebugRecordToStandardErrorSyslogWritesPrefixColonText) {
    ScopedLogsFolder logs(kCoreLogOutputASL);
    SyslogCapture::clear();
    FdCapture err(STDERR_FILENO);
    CoreMachDebugLog("%d\n", 42);
    CoreMachDebugLogSetUseLogger(kCoreLogOutputSyslog);
    CoreMachDebugLog("value %s\n", "50%s");
    EXPECT_EQ(err.finish(), "CoreMachDebugLog: 42\n");
    const auto records = SyslogCapture::records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].ident, "CoreMachDebugLog");
    EXPECT_TRUE(records[0].options & LOG_PERROR);
    EXPECT_EQ(records[0].priority, LOG_USER | LOG_DEBUG);
    EXPECT_EQ(records[0].message, "42");
    EXPECT_EQ(records[1].priority, LOG_DEBUG);
    EXPECT_EQ(records[1].message, "CoreMachDebugLog:value 50%s\n\n");
    EXPECT_FALSE(fileExists(logs.logFile()));
}

TEST(CoreMachDebugLog, VerifyWritesOneLineAndTheCallerGoesOn) {
    ScopedLogsFolder logs;
    bool fOk = true;
    const int line = __LINE__ + 1;
    const bool held = VERIFY(fOk = (1 == 2));
    EXPECT_FALSE(held);
    EXPECT_TRUE(VERIFY(fOk = (2 == 2)));
    int* nothing = nullptr;
    const int pointerLine = __LINE__ + 1;
    EXPECT_FALSE(VERIFY(nothing));
    // The named-function variant writes the given name.
    const int namedLine = __LINE__ + 1;
    VERIFY_IN("+[NSUIToolButton setDefaultCellAttributes:]", false);
    EXPECT_EQ(readFileText(logs.logFile()),
              "VERIFY FAILED:  code : fOk = (1 == 2) in " + kThisFile + ":" + std::to_string(line) +
                  " (TestBody)\n" + "VERIFY FAILED:  code : nothing in " + kThisFile + ":" +
                  std::to_string(pointerLine) + " (TestBody)\n" +
                  "VERIFY FAILED:  code : false in " + kThisFile + ":" + std::to_string(namedLine) +
                  " (+[NSUIToolButton setDefaultCellAttributes:])\n");
}

} // namespace
