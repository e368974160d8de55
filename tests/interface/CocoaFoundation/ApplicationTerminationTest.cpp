// A real application process keeps its settings however it is ended.
#include "interface/CocoaFoundation/NSDictionaryPropertyListArchiving.h"
#include "platform/foundation/NSUserDefaults.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ApplicationTerminationTest : public ::testing::Test {
protected:
    QString defaultsFile() const { return mFolder.filePath("defaults.ini"); }

    void start(QProcess& child, const QStringList& arguments) {
        child.start(QStringLiteral(PERSISTENCE_LOOP_CHILD),
                    QStringList{defaultsFile()} + arguments);
        ASSERT_TRUE(child.waitForStarted(10000));
    }

    static void expectCleanExit(QProcess& child) {
        ASSERT_TRUE(child.waitForFinished(30000)) << "the child did not end";
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    }

    // The text the child saved, read from its settings file.
    QString savedText() const {
        NSUserDefaults defaults(defaultsFile());
        const QByteArray archive = defaults.dataForKey(QStringLiteral("ChildDelegate"));
        if (archive.isEmpty())
            return QStringLiteral("<nothing saved>");
        const std::optional<QVariantMap> saved =
            PropertyListArchiving::createDictionaryFromPropertyListData(
                archive, QStringLiteral("UPersistentObjectsController"));
        return saved ? saved->value(QStringLiteral("outletInner.text")).toString() : QString();
    }

    // What a new launch of the child restores.
    QString restoredText() {
        QProcess child;
        start(child, {QStringLiteral("report")});
        expectCleanExit(child);
        return QString::fromUtf8(child.readAllStandardOutput()).trimmed();
    }

    QTemporaryDir mFolder;
};

TEST_F(ApplicationTerminationTest, SIGTERMSavesTheSettingsThatTheNextLaunchRestores) {
    QProcess child;
    start(child, {QStringLiteral("wait"), QStringLiteral("terminated by signal")});
    QByteArray output;
    const QDeadlineTimer deadline(30000);
    while (!output.contains("launched\n") && !deadline.hasExpired() &&
           child.state() == QProcess::Running) {
        child.waitForReadyRead(int(deadline.remainingTime()));
        output += child.readAllStandardOutput();
    }
    ASSERT_TRUE(output.contains("launched\n")) << child.readAllStandardError().toStdString();
    child.terminate(); // SIGTERM
    expectCleanExit(child);
    EXPECT_EQ(savedText(), "terminated by signal");
    EXPECT_EQ(restoredText(), "text=terminated by signal");
}

TEST_F(ApplicationTerminationTest, ClosingTheLastWindowSavesTheSettings) {
    QProcess child;
    start(child, {QStringLiteral("close"), QStringLiteral("closed window")});
    expectCleanExit(child);
    EXPECT_EQ(savedText(), "closed window");
    EXPECT_EQ(restoredText(), "text=closed window");
}

} // namespace
