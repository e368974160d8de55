#include "common/LogCapture.h"
#include "common/RunChild.h"
#include "interface/CocoaFoundation/NSDictionaryPropertyListArchiving.h"
#include "interface/CocoaFoundation/NSObjectPersistentObjectsController.h"
#include "interface/CocoaFoundation/UPersistentObjectsController.h"
#include "platform/foundation/NSException.h"
#include "platform/foundation/NSKeyedArchiver.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSUserDefaults.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

// The input controller of a setting: holds bookmark-like data reached through a key path.
class BookmarkHolder : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(BookmarkHolder)
    Q_PROPERTY(QByteArray sandboxBookmarkData READ sandboxBookmarkData WRITE setSandboxBookmarkData)
public:
    QByteArray sandboxBookmarkData() const { return mData; }
    void setSandboxBookmarkData(const QByteArray& data) { mData = data; }

private:
    QByteArray mData;
};

class RenderSettings : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(RenderSettings)
    Q_PROPERTY(int movieDimensions READ movieDimensions WRITE setMovieDimensions)
    Q_PROPERTY(QVariant compositionMovieFrameRate READ compositionMovieFrameRate WRITE
                   setCompositionMovieFrameRate)
    Q_PROPERTY(double compositionMovieDuration READ compositionMovieDuration WRITE
                   setCompositionMovieDuration)
    Q_PROPERTY(QString title READ title WRITE setTitle)
    Q_PROPERTY(BookmarkHolder* outletInput READ outletInput)
public:
    RenderSettings() : mInput(NSAdopt(new BookmarkHolder())) {}
    int movieDimensions() const { return mDimensions; }
    void setMovieDimensions(int value) { mDimensions = value; }
    QVariant compositionMovieFrameRate() const { return QVariant::fromValue(mFrameRate); }
    void setCompositionMovieFrameRate(const QVariant& value) { mFrameRate = value.toUInt(); }
    double compositionMovieDuration() const { return mDuration; }
    void setCompositionMovieDuration(double value) { mDuration = value; }
    QString title() const { return mTitle; }
    void setTitle(const QString& title) { mTitle = title; }
    BookmarkHolder* outletInput() const { return mInput.get(); }

    int mDimensions = 0;
    unsigned mFrameRate = 30;
    double mDuration = static_cast<double>(33.3f);
    QString mTitle;
    NSRef<BookmarkHolder> mInput;
};

// Declares its key paths as an array, not a set.
class ArrayDeclarer : public RenderSettings {
    Q_OBJECT
    NS_DECLARE_CLASS(ArrayDeclarer)
};

// Declares a key path whose value is an object.
class ObjectDeclarer : public RenderSettings {
    Q_OBJECT
    NS_DECLARE_CLASS(ObjectDeclarer)
};

// Declares nothing.
class Undeclared : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(Undeclared)
};

// Declares a key path it does not have, and one whose getter throws a C++ exception.
class Mistaken : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(Mistaken)
    Q_PROPERTY(int level READ level WRITE setLevel)
    Q_PROPERTY(int broken READ broken)
    Q_PROPERTY(BookmarkHolder* outletNil READ outletNil)
public:
    BookmarkHolder* outletNil() const { return nullptr; }
    int level() const { return mLevel; }
    void setLevel(int level) { mLevel = level; }
    int broken() const {
        if (throwFromGetter)
            throw std::runtime_error("broken getter");
        return 1;
    }
    int mLevel = 0;
    bool throwFromGetter = false;
};

class Broken : public Mistaken {
    Q_OBJECT
    NS_DECLARE_CLASS(Broken)
};

NS_IMPLEMENT_CLASS(BookmarkHolder, NSObject)
NS_IMPLEMENT_CLASS(RenderSettings, NSObject, [](NSClass& cls) {
    cls.addClassMethod("persistentObjectKeyPaths", [](Class) {
        return QVariant::fromValue(QSet<QString>{"movieDimensions", "compositionMovieFrameRate",
                                                 "compositionMovieDuration", "title",
                                                 "outletInput.sandboxBookmarkData"});
    });
})
NS_IMPLEMENT_CLASS(ArrayDeclarer, RenderSettings, [](NSClass& cls) {
    cls.addClassMethod("persistentObjectKeyPaths", [](Class) {
        return QVariant(QStringList{"movieDimensions", "title"});
    });
})
NS_IMPLEMENT_CLASS(ObjectDeclarer, RenderSettings, [](NSClass& cls) {
    cls.addClassMethod("persistentObjectKeyPaths",
                       [](Class) { return QVariant::fromValue(QSet<QString>{"outletInput"}); });
})
NS_IMPLEMENT_CLASS(Undeclared, NSObject)
NS_IMPLEMENT_CLASS(Mistaken, NSObject, [](NSClass& cls) {
    cls.addClassMethod("persistentObjectKeyPaths", [](Class) {
        return QVariant::fromValue(QSet<QString>{"level", "colour"});
    });
})
NS_IMPLEMENT_CLASS(Broken, Mistaken, [](NSClass& cls) {
    cls.addClassMethod("persistentObjectKeyPaths",
                       [](Class) { return QVariant::fromValue(QSet<QString>{"broken"}); });
})

namespace {

using namespace PersistentObjectsController;

const char kSaveExceptionLine[] =
    "UPersistentObjectController::persistentDictionaryWithValuesForKeyPaths: exception:";
const char kLoadExceptionLine[] =
    "UPersistentObjectController::setPersistentDictionary:withValuesForKeyPaths exception:";

QByteArray everyByte() {
    QByteArray data;
    for (int i = 0; i < 256; ++i)
        data.append(static_cast<char>(i));
    return data;
}

using lumenreel::test::LogCapture;

// A controller of its own for each test (the shared instance lives for the whole process), with
// the standard user defaults in a temporary INI file.
class PersistentObjectsControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mFolder.isValid());
        NSUserDefaults::setStandardUserDefaultsFile(mFolder.filePath("defaults.ini"));
        mController = new UPersistentObjectsController();
        mController->initOnceInstance();
    }
    void TearDown() override {
        NSNotificationCenter::defaultCenter()->removeObserver(mController);
        mController->NSObject::release();
        NSUserDefaults::setStandardUserDefaultsFile(QString());
    }
    void launch() { mController->applicationWillFinishLaunching(nullptr); }
    void terminate() { mController->applicationWillTerminate(nullptr); }

    QTemporaryDir mFolder;
    UPersistentObjectsController* mController = nullptr;
};

TEST_F(PersistentObjectsControllerTest, SavesAndRestoresEveryDeclaredKeyPath) {
    NSRef<RenderSettings> saved = NSAdopt(new RenderSettings());
    mController->registerPersistentObject(saved.get());
    mController->registerPersistentObject(saved.get());
    EXPECT_EQ(mController->objects().size(), 1);
    EXPECT_EQ(saved->retainCount(), 2u); // the controller keeps it alive
    saved->mDimensions = 12;
    saved->mFrameRate = 25;
    saved->mDuration = 12.125;
    saved->mTitle = QStringLiteral("Clouds \u00e9t\u00e9");
    saved->mInput->setSandboxBookmarkData(everyByte());
    terminate();

    const QByteArray stored =
        NSUserDefaults::standardUserDefaults()->dataForKey(QStringLiteral("RenderSettings"));
    const auto dictionary =
        PropertyListArchiving::createDictionaryFromPropertyListData(stored, kArchiveKey);
    ASSERT_TRUE(dictionary.has_value());
    EXPECT_EQ(dictionary->size(), 5);
    EXPECT_EQ(dictionary->value("outletInput.sandboxBookmarkData").toByteArray(), everyByte());

    NSRef<RenderSettings> restored = NSAdopt(new RenderSettings());
    mController->setWasLaunched(false);
    persistentObjectLoadData(restored.get());
    EXPECT_EQ(restored->mDimensions, 12);
    EXPECT_EQ(restored->mFrameRate, 25u);
    EXPECT_EQ(restored->mDuration, 12.125);
    EXPECT_EQ(restored->mTitle, saved->mTitle);
    EXPECT_EQ(restored->mInput->sandboxBookmarkData(), everyByte());
}

TEST_F(PersistentObjectsControllerTest, RegistrationNeedsADeclaringClassAndEndsAtLaunch) {
    NSRef<Undeclared> undeclared = NSAdopt(new Undeclared());
    mController->registerPersistentObject(undeclared.get());
    EXPECT_TRUE(mController->objects().isEmpty());

    // An array instead of a set: registered, but it has no key paths.
    NSRef<ArrayDeclarer> arrayDeclarer = NSAdopt(new ArrayDeclarer());
    mController->registerPersistentObject(arrayDeclarer.get());
    EXPECT_EQ(mController->objects().size(), 1);
    EXPECT_TRUE(persistentObjectKeyPathsOrNil(arrayDeclarer.get()).isEmpty());
    arrayDeclarer->mTitle = QStringLiteral("kept in memory only");
    NSUserDefaults::standardUserDefaults()->setObject(
        PropertyListArchiving::propertyListData({{"title", "restored"}}, kArchiveKey),
        QStringLiteral("ArrayDeclarer"));

    launch();
    EXPECT_TRUE(mController->wasLaunched());
    EXPECT_EQ(arrayDeclarer->mTitle, "kept in memory only");

    // Too late: neither restored nor saved.
    NSUserDefaults::standardUserDefaults()->setObject(
        PropertyListArchiving::propertyListData({{"title", "stored"}}, kArchiveKey),
        QStringLiteral("RenderSettings"));
    NSRef<RenderSettings> late = NSAdopt(new RenderSettings());
    mController->registerPersistentObject(late.get());
    EXPECT_EQ(mController->objects().size(), 1);
    late->mTitle = QStringLiteral("late");
    terminate();
    EXPECT_FALSE(NSUserDefaults::standardUserDefaults()->objectForKey("ArrayDeclarer").isNull());
    const auto stored = PropertyListArchiving::createDictionaryFromPropertyListData(
        NSUserDefaults::standardUserDefaults()->dataForKey("RenderSettings"), kArchiveKey);
    EXPECT_EQ(stored->value("title").toString(), "stored");
    EXPECT_EQ(late->mTitle, "late");
}

TEST_F(PersistentObjectsControllerTest, OnlyDeclaredStoredKeysAreSet) {
    NSRef<RenderSettings> settings = NSAdopt(new RenderSettings());
    settings->mTitle = QStringLiteral("from the nib");
    settings->mDimensions = 3;
    // "frames" is no longer declared; "title" is declared but not stored.
    NSUserDefaults::standardUserDefaults()->setObject(
        PropertyListArchiving::propertyListData({{"movieDimensions", 8}, {"frames", 99}},
                                                kArchiveKey),
        QStringLiteral("RenderSettings"));
    mController->registerPersistentObject(settings.get());
    launch();
    EXPECT_EQ(settings->mDimensions, 8);
    EXPECT_EQ(settings->mTitle, "from the nib");
}

TEST_F(PersistentObjectsControllerTest, NilValuesAreNotStoredAndAnEmptySaveKeepsTheEntry) {
    NSRef<Mistaken> object = NSAdopt(new Mistaken());
    LogCapture capture;
    const QVariantMap values = persistentDictionaryWithValuesForKeyPaths(
        object.get(), {"outletNil.sandboxBookmarkData", "level"});
    EXPECT_EQ(values, (QVariantMap{{"level", 0}}));
    EXPECT_TRUE(capture.text().isEmpty());

    NSRef<RenderSettings> settings = NSAdopt(new RenderSettings());
    NSUserDefaults::standardUserDefaults()->setObject(QByteArray("previous"), "BookmarkHolder");
    // BookmarkHolder declares nothing, RenderSettings keys all yield values.
    persistentObjectSaveData(settings->outletInput());
    EXPECT_EQ(NSUserDefaults::standardUserDefaults()->dataForKey("BookmarkHolder"), "previous");
    EXPECT_TRUE(persistentDictionaryWithValuesForKeyPaths(settings.get(), {}).isEmpty());
    setPersistentDictionary(settings.get(), std::nullopt, {"title"});
}

TEST_F(PersistentObjectsControllerTest, AnUnknownKeyPathIsLoggedOncePerPassAndTheRestGoesOn) {
    NSRef<Mistaken> object = NSAdopt(new Mistaken());
    mController->registerPersistentObject(object.get());
    object->mLevel = 7;
    QString saveLog;
    {
        LogCapture capture;
        terminate();
        saveLog = capture.text();
    }
    EXPECT_EQ(saveLog.count(kSaveExceptionLine), 1) << saveLog.toStdString();
    EXPECT_TRUE(saveLog.contains("colour"));
    EXPECT_TRUE(saveLog.trimmed().endsWith("colour."));

    // The stored entry now also names the missing key: loading logs its line once.
    NSUserDefaults::standardUserDefaults()->setObject(
        PropertyListArchiving::propertyListData({{"level", 9}, {"colour", "red"}}, kArchiveKey),
        QStringLiteral("Mistaken"));
    QString loadLog;
    {
        LogCapture capture;
        launch();
        loadLog = capture.text();
    }
    EXPECT_EQ(loadLog.count(kLoadExceptionLine), 1) << loadLog.toStdString();
    EXPECT_EQ(object->mLevel, 9);
}

TEST_F(PersistentObjectsControllerTest, ARejectedValueIsLoggedByItsStartAndLength) {
    NSRef<Mistaken> object = NSAdopt(new Mistaken());
    mController->registerPersistentObject(object.get());
    // A settings file with a huge text where a number belongs.
    const QString huge = QStringLiteral("7") + QString(1000000, QLatin1Char('x'));
    NSUserDefaults::standardUserDefaults()->setObject(
        PropertyListArchiving::propertyListData({{"level", huge}}, kArchiveKey),
        QStringLiteral("Mistaken"));
    QString loadLog;
    {
        LogCapture capture;
        launch();
        loadLog = capture.text();
    }
    EXPECT_EQ(loadLog.count(kLoadExceptionLine), 1);
    EXPECT_LT(loadLog.size(), 1000) << loadLog.left(2000).toStdString();
    EXPECT_TRUE(loadLog.contains(huge.left(200))) << loadLog.toStdString();
    EXPECT_FALSE(loadLog.contains(huge.left(201)));
    EXPECT_TRUE(loadLog.contains(QStringLiteral("(1000001 characters)"))) << loadLog.toStdString();
    EXPECT_EQ(object->mLevel, 0);
}

TEST_F(PersistentObjectsControllerTest, AnUndecodableEntryIsLoggedLeftOnDiskAndTheRestGoOn) {
    NSRef<RenderSettings> first = NSAdopt(new RenderSettings());
    NSRef<Mistaken> second = NSAdopt(new Mistaken());
    mController->registerPersistentObject(first.get());
    mController->registerPersistentObject(second.get());
    NSUserDefaults* defaults = NSUserDefaults::standardUserDefaults();
    const QByteArray truncated =
        PropertyListArchiving::propertyListData({{"title", "stored"}}, kArchiveKey).chopped(3);
    defaults->setObject(truncated, "RenderSettings");
    defaults->setObject(PropertyListArchiving::propertyListData({{"level", 4}}, kArchiveKey),
                        "Mistaken");
    QString log;
    {
        LogCapture capture;
        launch();
        log = capture.text();
    }
    EXPECT_EQ(log.count("UPersistentObjectsController::applicationWillFinishLaunching: "
                        "RenderSettings exception:"),
              1)
        << log.toStdString();
    EXPECT_EQ(second->mLevel, 4); // the object after the damaged entry is still restored

    // At quit the damaged entry is not overwritten with this run's values; the others are saved.
    first->mTitle = QStringLiteral("default");
    second->mLevel = 5;
    terminate();
    EXPECT_EQ(defaults->dataForKey("RenderSettings"), truncated);
    EXPECT_EQ(PropertyListArchiving::createDictionaryFromPropertyListData(
                  defaults->dataForKey("Mistaken"), kArchiveKey)
                  ->value("level"),
              5);

    // A root object that is not a dictionary cannot be restored either.
    defaults->setObject(PropertyListArchiving::propertyListData({}, "other key"), "RenderSettings");
    EXPECT_NO_THROW(persistentObjectLoadData(first.get())); // no root object: nothing happens
    defaults->setObject(NSKeyedArchiver::archivedDataWithRootObject("text", kArchiveKey),
                        "RenderSettings");
    EXPECT_THROW(persistentObjectLoadData(first.get()), NSException);
}

TEST_F(PersistentObjectsControllerTest, OtherExceptionsPassOn) {
    NSRef<Broken> broken = NSAdopt(new Broken());
    broken->throwFromGetter = true;
    mController->registerPersistentObject(broken.get());
    EXPECT_THROW(terminate(), std::runtime_error);
}

TEST_F(PersistentObjectsControllerTest, AValueThatCannotBeArchivedIsLoggedAndTheRestAreSaved) {
    // An object value cannot be archived: the archiver raises for that object alone.
    NSRef<ObjectDeclarer> first = NSAdopt(new ObjectDeclarer());
    NSRef<RenderSettings> second = NSAdopt(new RenderSettings());
    mController->registerPersistentObject(first.get());
    mController->registerPersistentObject(second.get());
    second->mDimensions = 6;
    QString log;
    {
        LogCapture capture;
        EXPECT_NO_THROW(terminate());
        log = capture.text();
    }
    EXPECT_EQ(log.count("UPersistentObjectsController::applicationWillTerminate: ObjectDeclarer "
                        "exception:"),
              1)
        << log.toStdString();
    EXPECT_FALSE(NSUserDefaults::standardUserDefaults()->objectForKey("ObjectDeclarer").isValid());
    const auto stored = PropertyListArchiving::createDictionaryFromPropertyListData(
        NSUserDefaults::standardUserDefaults()->dataForKey("RenderSettings"), kArchiveKey);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->value("movieDimensions"), 6);
}

// Settings survive a relaunch: the test runs this executable twice under a temporary
// XDG_CONFIG_HOME, once to save at will-terminate and once to restore at will-finish-launching.
TEST(PersistentObjectsRelaunchTest, SettingsSurviveARelaunch) {
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const auto runPhase = [&](const char* phase) {
        lumenreel::test::relaunchInPhase("PersistentObjectsRelaunchTest.Phase", phase,
                                         {.environment = {{"XDG_CONFIG_HOME", config.path()}}});
    };
    runPhase("save");
    // The settings file is a real INI file under the configuration folder.
    const QString file = config.filePath(
        QStringLiteral("Lumenreel/%1.ini").arg(QCoreApplication::applicationName()));
    ASSERT_TRUE(QFile::exists(file)) << file.toStdString();
    runPhase("restore");
}

TEST(PersistentObjectsRelaunchTest, Phase) {
    const QByteArray phase = lumenreel::test::relaunchPhase();
    if (phase.isEmpty())
        GTEST_SKIP() << "run by the relaunch tests";
    UPersistentObjectsController* controller =
        UPersistentObjectsController::sharedPersistentObjectsController();
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(controller, NSAllocInit<UPersistentObjectsController>());
    NSNotificationCenter* center = NSNotificationCenter::defaultCenter();
    NSRef<RenderSettings> settings = NSAdopt(new RenderSettings());
    settings->mDuration = static_cast<double>(33.3f); // the defaults set before restoring
    controller->registerPersistentObject(settings.get());
    center->postNotificationName(NSApplicationWillFinishLaunchingNotification, nullptr);
    if (phase == "save") {
        EXPECT_EQ(settings->mFrameRate, 30u); // nothing stored yet
        settings->mDimensions = 10;
        settings->mFrameRate = 24;
        settings->mDuration = 0.1;
        settings->mTitle = QStringLiteral("Clouds 🌥");
        settings->mInput->setSandboxBookmarkData(everyByte());
        center->postNotificationName(NSApplicationWillTerminateNotification, nullptr);
    } else {
        EXPECT_EQ(settings->mDimensions, 10);
        EXPECT_EQ(settings->mFrameRate, 24u);
        EXPECT_EQ(settings->mDuration, 0.1);
        EXPECT_EQ(settings->mTitle, QStringLiteral("Clouds 🌥"));
        EXPECT_EQ(settings->mInput->sandboxBookmarkData(), everyByte());
    }
}

} // namespace

#include "PersistentObjectsControllerTest.moc"
