// Bookmarks kept in the user defaults come back in a second launch of a sandboxed program: this
// test program, relaunched.
#include "SandboxTestSupport.h"

#include "interface/CocoaFoundation/NSObjectPersistentObjectsController.h"
#include "interface/USecuritySandbox/USandboxStandardFolders.h"
#include "interface/USecuritySandboxControllers/USandboxFolderController.h"
#include "interface/USecuritySandboxControllers/USandboxInputFileController.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSSecurityScopedAccess.h"
#include "platform/foundation/NSUserDefaults.h"

#include "common/RunChild.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

// Owns the input row as the application delegate does and persists its bookmark.
class RelaunchOwner : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(RelaunchOwner)
    Q_PROPERTY(USandboxInputFileController* outletInput MEMBER mInput)
public:
    USandboxInputFileController* mInput = nullptr;
};
NS_IMPLEMENT_CLASS(RelaunchOwner, NSObject, [](NSClass& cls) {
    cls.addClassMethod("persistentObjectKeyPaths", [](Class) {
        return QVariant::fromValue(
            QSet<QString>{QStringLiteral("outletInput.sandboxBookmarkData")});
    });
})

namespace {

// One launch with the defaults in `ini`: in the phase "pick" the user picks `folder` and `file`,
// in "restore" nothing is picked. Returns "folder", "folderDisplay", "input" and "open" (the
// paths with access) as the launch printed them.
QMap<QString, QString> launch(const QString& ini, const char* phase, const QString& folder = {},
                              const QString& file = {}) {
    const lumenreel::test::ChildRun run =
        lumenreel::test::relaunchInPhase("Relaunch.Phase", phase,
                                         {.environment = {{"LUMENREEL_TEST_DEFAULTS", ini},
                                                          {"LUMENREEL_TEST_FOLDER", folder},
                                                          {"LUMENREEL_TEST_FILE", file}},
                                          .deadline = std::chrono::minutes(1)});
    QMap<QString, QString> values;
    for (const QString& line : run.out.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1));
    }
    return values;
}

} // namespace

TEST(Relaunch, Phase) {
    const QByteArray phase = lumenreel::test::relaunchPhase();
    if (phase.isEmpty())
        GTEST_SKIP() << "run by the relaunch test";
    NSUserDefaults::setStandardUserDefaultsFile(qEnvironmentVariable("LUMENREEL_TEST_DEFAULTS"));
    NSAutoreleasePool pool;

    // What the interface file makes: the output folder with its controller, an input row.
    NSRef<USandboxUserFolder> folder =
        NSAdopt<USandboxUserFolder>(NSAllocInit<USandboxMoviesFolder>());
    NSRef<USandboxFolderController> controller = NSAdopt(new USandboxFolderController);
    controller->setOutletRequiredPrefsFolder(folder.get());
    NSRef<USandboxInputFileController> input = NSAdopt(new USandboxInputFileController);
    input->setOutletSandboxUserFolder(folder.get());
    input->awakeFromNib();
    NSRef<RelaunchOwner> owner = NSAdopt(new RelaunchOwner);
    owner->mInput = input.get();
    controller->awakeFromNib();
    PersistentObjectsController::persistentObjectLoadData(owner.get());

    if (phase == "pick") {
        QString answer = qEnvironmentVariable("LUMENREEL_TEST_FOLDER");
        sandbox_test::ScriptedOpenPanel panel([&] { return answer; });
        controller->browseForFolder(nullptr);
        answer = qEnvironmentVariable("LUMENREEL_TEST_FILE");
        input->actionBrowseInputPath(nullptr);
    }

    std::vector<QString> open = NSSecurityScopedAccess::openPaths();
    std::sort(open.begin(), open.end());
    QStringList openList(open.begin(), open.end());
    std::printf("folder=%s\nfolderDisplay=%s\ninput=%s\nopen=%s\n",
                qPrintable(folder->folderPath()), qPrintable(folder->localizedDisplayFolderPath()),
                qPrintable(input->inputPath()), qPrintable(openList.join(',')));
    std::fflush(stdout);

    // Quitting: the persistent objects are saved, the folder controller writes its folder.
    PersistentObjectsController::persistentObjectSaveData(owner.get());
    NSNotificationCenter::defaultCenter()->postNotificationName(
        NSApplicationWillTerminateNotification, nullptr);
}

TEST(Relaunch, FolderAndInputBookmarksSurviveAndVanishedFilesDoNot) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = QDir(dir.path()).canonicalPath();
    const QString ini = root + "/defaults.ini";
    const QString folder = root + "/Renders";
    const QString input = root + "/Clock.qtz";
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile(input).open(QIODevice::WriteOnly));

    const auto picked = launch(ini, "pick", folder, input);
    EXPECT_EQ(picked.value("folder"), folder);
    EXPECT_EQ(picked.value("input"), input);

    const auto restored = launch(ini, "restore");
    EXPECT_EQ(restored.value("folder"), folder);
    EXPECT_TRUE(restored.value("folderDisplay").endsWith(":" + folder.mid(1)) ||
                restored.value("folderDisplay").contains("/Renders"))
        << restored.value("folderDisplay").toStdString();
    EXPECT_EQ(restored.value("input"), input);
    EXPECT_TRUE(restored.value("open").split(',').contains(folder));
    EXPECT_TRUE(restored.value("open").split(',').contains(input));

    // Damaged data in the defaults does not resolve: the folder is left without a URL.
    {
        QSettings settings(ini, QSettings::IniFormat);
        QByteArray data = settings.value("USandboxMoviesFolderUserDefaultsKey").toByteArray();
        ASSERT_FALSE(data.isEmpty());
        const QByteArray good = data;
        data[data.size() - 1] = char(data[data.size() - 1] ^ 0x01);
        settings.setValue("USandboxMoviesFolderUserDefaultsKey", data);
        settings.sync();
        const auto damaged = launch(ini, "restore");
        EXPECT_EQ(damaged.value("folder"), QString());
        EXPECT_EQ(damaged.value("folderDisplay"), QString());
        EXPECT_EQ(damaged.value("input"), input);
        settings.setValue("USandboxMoviesFolderUserDefaultsKey", good);
        settings.sync();
    }

    // The input file is gone: its row is empty, and its stored data is kept for next time.
    ASSERT_TRUE(QFile::remove(input));
    const auto gone = launch(ini, "restore");
    EXPECT_EQ(gone.value("folder"), folder);
    EXPECT_EQ(gone.value("input"), QString());
    EXPECT_FALSE(gone.value("open").split(',').contains(input));
    ASSERT_TRUE(QFile(input).open(QIODevice::WriteOnly));
    EXPECT_EQ(launch(ini, "restore").value("input"), input);
}

#include "RelaunchTest.moc"
