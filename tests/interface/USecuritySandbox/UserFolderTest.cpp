// User folders and their controller in a signed, sandboxed process.
#include "SandboxTestSupport.h"

#include "common/LogCapture.h"

#include "interface/USecuritySandbox/NSURLSandboxURL.h"
#include "interface/USecuritySandbox/USandboxStandardFolders.h"
#include "interface/USecuritySandboxControllers/USandboxFolderController.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSSecurityScopedAccess.h"
#include "platform/foundation/NSUserDefaults.h"

#include <QDir>
#include <QStandardPaths>

#include <gtest/gtest.h>

using sandbox_test::ScriptedOpenPanel;

// A folder class that names no default folder of its own.
class PlainTestFolder : public USandboxUserFolder {
    Q_OBJECT
    NS_DECLARE_CLASS(PlainTestFolder)
};
NS_IMPLEMENT_CLASS(PlainTestFolder, USandboxUserFolder)

namespace {

const char kMoviesKey[] = "USandboxMoviesFolderUserDefaultsKey";

QByteArray folderBookmark(const QString& path) {
    return USandboxUserFolder::sandboxBookmarkDataWithFolderURL(NSURL::fileURLWithPath(path, true));
}

QVariant storedDefault(const char* key) {
    return NSUserDefaults::standardUserDefaults()->objectForKey(QString::fromLatin1(key));
}

class UserFolder : public sandbox_test::SandboxFolderTest {
protected:
    void SetUp() override {
        SandboxFolderTest::SetUp();
        ASSERT_TRUE(QDir(mRoot).mkpath("A"));
        ASSERT_TRUE(QDir(mRoot).mkpath("B"));
        mA = mRoot + "/A";
        mB = mRoot + "/B";
    }

    USandboxUserFolder* folderAt(const QString& path, Class cls = nullptr) {
        return USandboxUserFolder::sandboxPrefsFolderWithFolderURL(
            cls ? cls : USandboxUserFolder::classObject(), NSURL::fileURLWithPath(path, true));
    }

    // A movies folder at A under a controller, with no access recorded yet.
    USandboxUserFolder* controlledFolder() {
        USandboxUserFolder* folder = folderAt(mA, USandboxMoviesFolder::classObject());
        mController->setOutletRequiredPrefsFolder(folder);
        NSSecurityScopedAccess::clearEvents();
        return folder;
    }

    QString mA, mB;
    NSRef<USandboxFolderController> mController = NSAdopt(new USandboxFolderController);
};

} // namespace

TEST_F(UserFolder, DefaultFoldersAndKeysFollowTheClass) {
    NSRef<USandboxUserFolder> pictures =
        NSAdopt<USandboxUserFolder>(NSAllocInit<USandboxPicturesFolder>());
    ASSERT_TRUE(pictures);
    EXPECT_EQ(pictures->folderPath(),
              QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)));

    NSRef<USandboxUserFolder> plain = NSAdopt<USandboxUserFolder>(NSAllocInit<PlainTestFolder>());
    EXPECT_EQ(plain->folderPath(), QDir::homePath());
    EXPECT_EQ(plain->serializationKey(), QStringLiteral("PlainTestFolderUserDefaultsKey"));
    NSRef<USandboxUserFolder> temporary =
        NSAdopt<USandboxUserFolder>(NSAllocInit<USandboxTemporaryFolder>());
    EXPECT_TRUE(QFileInfo(temporary->folderPath()).isDir());
    EXPECT_EQ(temporary->folderName(), QFileInfo(temporary->folderPath()).fileName());
}

TEST_F(UserFolder, DerivedValuesAnnounceEveryChangeOfTheURL) {
    USandboxUserFolder* folder = folderAt(mA);
    const QStringList keys{"folderPath", "folderURL", "folderName", "localizedDisplayFolderPath"};
    sandbox_test::KeyRecorder recorder(folder, keys, NSKeyValueObservingOptionPrior);
    // Setting bookmark data ends in the same setter.
    folder->setSandboxURL(NSURL::fileURLWithPath(mB, true));
    for (const QString& key : keys)
        EXPECT_GE(recorder.count(key + "="), 1) << key.toStdString();
    EXPECT_EQ(recorder.count("localizedDisplayFolderPath="), 1);
    EXPECT_EQ(recorder.count("folderPath="), recorder.count("folderPath=" + mB));
    // The coming change is announced for folderName, folderPath and folderURL in this order.
    QStringList priors = recorder.heard.filter("prior folder");
    priors.removeDuplicates();
    EXPECT_EQ(priors, (QStringList{"prior folderName", "prior folderPath", "prior folderURL"}));
}

TEST_F(UserFolder, NilDataOrDestructionEndsAccessAndUnresolvableDataLeavesNoURL) {
    USandboxUserFolder* folder = folderAt(mA);
    EXPECT_EQ(NSSecurityScopedAccess::openAccessCount(mA), 1);
    folder->setSandboxBookmarkData(std::nullopt);
    EXPECT_EQ(folder->securityURL(), nullptr);
    EXPECT_EQ(NSSecurityScopedAccess::openAccessCount(mA), 0);
    EXPECT_EQ(folder->localizedDisplayFolderPath(), QString(""));

    const QByteArray data = folderBookmark(mB);
    ASSERT_TRUE(QDir(mB).removeRecursively());
    folder->setSandboxBookmarkData(data);
    EXPECT_EQ(folder->sandboxBookmarkData(), std::optional<QByteArray>(data));
    EXPECT_EQ(folder->securityURL(), nullptr);
    EXPECT_TRUE(folder->folderPath().isNull());
    EXPECT_EQ(folder->createFileURLWithFileName("Clock.mov"), nullptr);

    USandboxUserFolder* held = folderAt(mA);
    held->retain();
    mPool.drain();
    EXPECT_EQ(NSSecurityScopedAccess::openAccessCount(mA), 1);
    held->release();
    EXPECT_EQ(NSSecurityScopedAccess::openAccessCount(mA), 0);
}

TEST_F(UserFolder, FileURLsAreMadeFromTheBookmarkAndOwnedByTheCaller) {
    USandboxUserFolder* folder = folderAt(mA);
    NSURL* file = folder->createFileURLWithFileName("Clock.mov");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->path(), mA + "/Clock.mov");
    EXPECT_EQ(file->retainCount(), 1u);
    USandboxUserFolder::releaseFileURLWithFileName(file);
    USandboxUserFolder::releaseFileURLWithFileName(nullptr);
    for (const QString& name :
         {QString(), QString("."), QString(".."), QString("../up.mov"), QString("sub/Clock.mov")})
        EXPECT_EQ(folder->createFileURLWithFileName(name), nullptr) << name.toStdString();

    // The held URL is not what names the file: the bookmark is resolved afresh.
    folder->setSandboxURL(NSURL::fileURLWithPath(mB, true));
    NSURL* again = folder->createFileURLWithFileName("Clock.mov");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->path(), mA + "/Clock.mov");
    USandboxUserFolder::releaseFileURLWithFileName(again);
}

TEST_F(UserFolder, DefaultsRoundTripAndMissingKeyKeepsTheFolder) {
    USandboxUserFolder* folder = folderAt(mA, USandboxPicturesFolder::classObject());
    folder->serializeLoadDataWithKey("NoSuchKey");
    EXPECT_EQ(folder->folderPath(), mA);

    folder->serializeSaveDataWithKey(folder->serializationKey());
    EXPECT_TRUE(defaultsText().contains("USandboxPicturesFolderUserDefaultsKey"));
    USandboxUserFolder* again = USandboxUserFolder::sandboxPrefsFolderWithUserDefaultsKey(
        USandboxPicturesFolder::classObject(), "USandboxPicturesFolderUserDefaultsKey");
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->isKindOfClass(USandboxPicturesFolder::classObject()));
    EXPECT_EQ(again->folderPath(), mA);

    // No data removes the key.
    folder->setSandboxBookmarkData(std::nullopt);
    folder->serializeSaveDataWithKey(folder->serializationKey());
    EXPECT_FALSE(storedDefault("USandboxPicturesFolderUserDefaultsKey").isValid());
}

TEST_F(UserFolder, ControllerKeysLoadAtWakeAndSaveAtTermination) {
    EXPECT_EQ(mController->serializationKey(), QStringLiteral("USandboxFolderController"));
    mController->setOutletOptionalUserDefaultsKey("OutputFolderKey");
    EXPECT_EQ(mController->serializationKey(), QStringLiteral("OutputFolderKey"));

    // A stored bookmark replaces the default at wake.
    NSUserDefaults::standardUserDefaults()->setObject(folderBookmark(mB), kMoviesKey);
    USandboxUserFolder* folder = controlledFolder();
    EXPECT_EQ(mController->serializationKey(), QString(kMoviesKey));
    mController->awakeFromNib();
    EXPECT_EQ(folder->folderPath(), mB);

    folder->setSandboxBookmarkData(folderBookmark(mA));
    const auto terminate = [] {
        NSNotificationCenter::defaultCenter()->postNotificationName(
            NSApplicationWillTerminateNotification, nullptr);
    };
    terminate();
    EXPECT_EQ(storedDefault(kMoviesKey), QVariant(*folder->sandboxBookmarkData()));
    // Only once: the controller stopped listening.
    folder->setSandboxBookmarkData(std::nullopt);
    terminate();
    EXPECT_TRUE(storedDefault(kMoviesKey).isValid());
}

TEST_F(UserFolder, CancelOrAFailedBookmarkWritesNothingAPickMovesAccessAndWritesAtOnce) {
    USandboxUserFolder* folder = controlledFolder();
    const auto dataBefore = folder->sandboxBookmarkData();
    QString answer;
    ScriptedOpenPanel panel([&] { return answer; });
    mController->browseForFolder(nullptr);
    EXPECT_EQ(panel.runs, 1);
    EXPECT_EQ(folder->folderPath(), mA);
    EXPECT_EQ(folder->sandboxBookmarkData(), dataBefore);
    EXPECT_TRUE(NSSecurityScopedAccess::events().empty());
    EXPECT_EQ(defaultsText(), QString(""));

    // The chosen folder is gone before its bookmark is made: the previous folder stays, nothing
    // empty is stored, and the failure is logged.
    const QString gone = mRoot + "/gone";
    answer = gone;
    {
        lumenreel::test::LogCapture capture;
        mController->browseForFolder(nullptr);
        EXPECT_EQ(
            capture.count("USandboxFolderController::browseForFolder: no bookmark for " + gone), 1)
            << capture.lines().join('\n').toStdString();
    }
    EXPECT_EQ(folder->folderPath(), mA);
    EXPECT_EQ(folder->sandboxBookmarkData(), dataBefore);
    EXPECT_EQ(defaultsText(), QString(""));

    answer = mB;
    mController->browseForFolder(nullptr);
    EXPECT_EQ(panel.seen,
              (QStringList{"title=", "directory=" + mA + "/", "types=", "folders", "aliases"}));
    EXPECT_EQ(folder->folderPath(), mB);
    sandbox_test::expectAccessMoved(mA, mB);
    const QVariant stored = storedDefault(kMoviesKey);
    ASSERT_TRUE(stored.isValid());
    EXPECT_EQ(stored.toByteArray(), *folder->sandboxBookmarkData());
    EXPECT_EQ(SandboxURL::sandboxURLWithSecurityBookmarkData(stored.toByteArray())->path(), mB);
}

#include "UserFolderTest.moc"
