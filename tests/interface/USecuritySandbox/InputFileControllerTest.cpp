// The input-file controller in a signed, sandboxed process.
#include "SandboxTestSupport.h"

#include "common/LogCapture.h"

#include "interface/USecuritySandbox/NSURLSandboxURL.h"
#include "interface/USecuritySandboxControllers/USandboxInputFileController.h"
#include "platform/appkit/NSTextField.h"
#include "platform/foundation/NSSecurityScopedAccess.h"

#include <QFile>

#include <gtest/gtest.h>

#include <thread>

using lumenreel::test::LogCapture;
using namespace SandboxURL;
using sandbox_test::ScriptedOpenPanel;

namespace {

// Two compositions, Old and New, in a folder that a controller browses from.
class InputFileController : public sandbox_test::SandboxFolderTest {
protected:
    void SetUp() override {
        SandboxFolderTest::SetUp();
        mOld = touch("Old.qtz");
        mNew = touch("New.qtz");
        mFolder = USandboxUserFolder::sandboxPrefsFolderWithFolderURL(
            USandboxUserFolder::classObject(), NSURL::fileURLWithPath(mRoot, true));
        mController = NSAdopt(new USandboxInputFileController);
        mController->setOutletSandboxUserFolder(mFolder);
        NSSecurityScopedAccess::clearEvents();
    }

    QString mOld, mNew;
    USandboxUserFolder* mFolder = nullptr;
    NSRef<USandboxInputFileController> mController;
};

} // namespace

TEST_F(InputFileController, ExtensionListIsSplitAtEveryCommaAsWritten) {
    mController->awakeFromNib();
    EXPECT_EQ(mController->validFileExtensions(), QStringList{"****"});
    const std::pair<QString, QStringList> cases[] = {
        {"qtz,mov", {"qtz", "mov"}},
        {"qtz, mov", {"qtz", " mov"}},
        {"qtz,,mov", {"qtz", "", "mov"}},
        {"", {""}},
    };
    for (const auto& [text, expected] : cases) {
        mController->setOutletValidFileExtensions(text);
        mController->awakeFromNib();
        EXPECT_EQ(mController->validFileExtensions(), expected) << text.toStdString();
    }
}

TEST_F(InputFileController, BrowsingStartsInTheFolderThenAtTheChosenFileAndCancelKeepsTheChoice) {
    NSRef<NSTextField> title = NSAdopt(NSAllocInit<NSTextField>());
    title->setStringValue("Choose a composition");
    mController->setOutletOpenPanelTitle(title.get());
    mController->setOutletValidFileExtensions("qtz");
    mController->awakeFromNib();
    EXPECT_EQ(mController->inputPath(), QString(""));
    EXPECT_EQ(mController->localizedDisplayInputPath(), QString(""));

    QString answer = mOld;
    ScriptedOpenPanel panel([&] { return answer; });
    LogCapture log;
    mController->actionBrowseInputPath(nullptr);
    EXPECT_EQ(panel.seen, (QStringList{"title=Choose a composition", "directory=" + mRoot + "/",
                                       "types=qtz", "files", "aliases"}));
    EXPECT_EQ(mController->inputPath(), mOld);
    EXPECT_EQ(log.count("actionBrowseInputPath:self.sandboxURL=file://" + mOld), 1);
    EXPECT_EQ(sandboxURLWithSecurityBookmarkData(mController->sandboxBookmarkData())->path(), mOld);

    // A new pick ends the old access before it begins the new.
    answer = mNew;
    NSSecurityScopedAccess::clearEvents();
    mController->actionBrowseInputPath(nullptr);
    EXPECT_EQ(panel.seen.value(1), "directory=" + mOld);
    EXPECT_EQ(mController->inputPath(), mNew);
    sandbox_test::expectAccessMoved(mOld, mNew);

    // Cancelled: nothing changes, nothing is logged or stored.
    const auto dataBefore = mController->sandboxBookmarkData();
    const QStringList logged = log.lines();
    NSSecurityScopedAccess::clearEvents();
    answer = QString();
    mController->actionBrowseInputPath(nullptr);
    EXPECT_EQ(panel.runs, 3);
    EXPECT_EQ(mController->inputPath(), mNew);
    EXPECT_EQ(mController->sandboxBookmarkData(), dataBefore);
    EXPECT_TRUE(NSSecurityScopedAccess::events().empty());
    EXPECT_EQ(log.lines(), logged);
    EXPECT_EQ(defaultsText(), QString(""));
}

TEST_F(InputFileController, RestoredDataResolvesOrLeavesAnEmptyRowAndNilLetsGo) {
    const QByteArray data = bookmarkDataForSandboxURL(NSURL::fileURLWithPath(mOld));
    // As the persistent objects controller restores it.
    mController->setValue_forKeyPath(QVariant(data), "sandboxBookmarkData");
    EXPECT_EQ(mController->inputPath(), mOld);
    EXPECT_TRUE(mController->sandboxURL()->hasSecurityScope());
    EXPECT_EQ(NSSecurityScopedAccess::openAccessCount(mOld), 1);
    EXPECT_EQ(mController->valueForKey("sandboxBookmarkData"), QVariant(data));

    mController->setSandboxBookmarkData(std::nullopt);
    EXPECT_EQ(mController->sandboxURL(), nullptr);
    EXPECT_FALSE(mController->valueForKey("sandboxBookmarkData").isValid());
    EXPECT_EQ(NSSecurityScopedAccess::openAccessCount(mOld), 0);
    EXPECT_EQ(mController->defaultInputFolderURL(), mFolder->folderURL());

    ASSERT_TRUE(QFile::remove(mOld));
    NSRef<USandboxInputFileController> relaunched = NSAdopt(new USandboxInputFileController);
    relaunched->setSandboxBookmarkData(data);
    EXPECT_EQ(relaunched->sandboxURL(), nullptr);
    EXPECT_EQ(relaunched->sandboxBookmarkData(), std::optional<QByteArray>(data));
}

TEST_F(InputFileController, AURLHandedOutOutlivesTheSetterThatReplacesIt) {
    {
        NSAutoreleasePool inner; // the controller is left holding the only reference
        mController->setSecurityURL(NSURL::fileURLWithPath(mOld));
    }
    NSURL* handedOut = mController->securityURL();
    ASSERT_NE(handedOut, nullptr);
    // Another thread's setter replaces the URL while this caller still uses it.
    std::thread([&] {
        NSAutoreleasePool pool;
        mController->setSecurityURL(NSURL::fileURLWithPath(mNew));
    }).join();
    EXPECT_EQ(handedOut->path(), mOld);
    EXPECT_EQ(mController->sandboxURL()->path(), mNew);
}

TEST_F(InputFileController, PathObserversHearOfEveryURLChange) {
    sandbox_test::KeyRecorder recorder(mController.get(),
                                       {"inputPath", "localizedDisplayInputPath"});
    mController->setSandboxURL(NSURL::fileURLWithPath(mOld));
    mController->setSandboxURL(nullptr);
    EXPECT_EQ(recorder.heard, (QStringList{"inputPath=" + mOld,
                                           "localizedDisplayInputPath=" +
                                               localizedDisplayPathWithSandboxFilePath(mOld),
                                           "inputPath=", "localizedDisplayInputPath="}));
}
