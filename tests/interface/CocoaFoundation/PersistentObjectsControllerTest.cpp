#include "common/LogCapture.h"
#include "interface/CocoaFoundation/NSDictionaryPropertyListArchiving.h"
#include "interface/CocoaFoundation/NSObjectPersistentObjectsController.h"
#include "interface/CocoaFoundation/UPersistentObjectsController.h"
#include "platform/foundation/NSException.h"
#include "platform/foundation/NSKeyedArchiver.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSUserDefaults.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <tuple>

// The input controller of a setting: holds bookmark-like data reached through a key path.
class BookmarkHolder : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(BookmarkHolder)
    Q_PROPERTY(QByteArray sandboxBookmarkData MEMBER mData)
public:
    QByteArray mData;
};

class RenderSettings : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(RenderSettings)
    Q_PROPERTY(int movieDimensions MEMBER mDimensions)
    // Read and written as a variant, kept as a number.
    Q_PROPERTY(QVariant compositionMovieFrameRate READ compositionMovieFrameRate WRITE
                   setCompositionMovieFrameRate)
    Q_PROPERTY(double compositionMovieDuration MEMBER mDuration)
    Q_PROPERTY(QString title MEMBER mTitle)
    Q_PROPERTY(BookmarkHolder* outletInput READ outletInput)
public:
    RenderSettings() : mInput(NSAdopt(new BookmarkHolder())) {}
    QVariant compositionMovieFrameRate() const { return QVariant::fromValue(mFrameRate); }
    void setCompositionMovieFrameRate(const QVariant& value) { mFrameRate = value.toUInt(); }
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

class Undeclared : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(Undeclared)
};

// Declares a key path it does not have, and one whose getter throws a C++ exception.
class Mistaken : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(Mistaken)
    Q_PROPERTY(int level MEMBER mLevel)
    Q_PROPERTY(int broken READ broken)
    Q_PROPERTY(BookmarkHolder* outletNil READ outletNil)
public:
    BookmarkHolder* outletNil() const { return nullptr; }
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
using lumenreel::test::LogCapture;

const char kSaveExceptionLine[] =
    "UPersistentObjectController::persistentDictionaryWithValuesForKeyPaths: exception:";
const char kLoadExceptionLine[] =
    "UPersistentObjectController::setPersistentDictionary:withValuesForKeyPaths exception:";

NSUserDefaults* defaults() {
    return NSUserDefaults::standardUserDefaults();
}

// Leaves `values` archived under `key`, as an earlier run would have.
void store(const QString& key, const QVariantMap& values) {
    defaults()->setObject(PropertyListArchiving::propertyListData(values, kArchiveKey), key);
}

std::optional<QVariantMap> stored(const QString& key) {
    return PropertyListArchiving::createDictionaryFromPropertyListData(defaults()->dataForKey(key),
                                                                       kArchiveKey);
}

QString logOf(const std::function<void()>& action) {
    LogCapture capture;
    action();
    return capture.text();
}

// Expects `line` exactly once in `log` (shown, up to 2000 characters, when it is not).
void expectLoggedOnce(const QString& log, const QString& line) {
    EXPECT_EQ(log.count(line), 1) << log.left(2000).toStdString();
}

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
    template <class T>
    NSRef<T> registered() {
        NSRef<T> object = NSAdopt(new T());
        mController->registerPersistentObject(object.get());
        return object;
    }
    void launch() { mController->applicationWillFinishLaunching(nullptr); }
    void terminate() { mController->applicationWillTerminate(nullptr); }

    QTemporaryDir mFolder;
    UPersistentObjectsController* mController = nullptr;
};

TEST_F(PersistentObjectsControllerTest, SavesAndRestoresEveryDeclaredKeyPath) {
    NSRef<RenderSettings> saved = registered<RenderSettings>();
    mController->registerPersistentObject(saved.get());
    EXPECT_EQ(mController->objects().size(), 1);
    EXPECT_EQ(saved->retainCount(), 2u); // the controller keeps it alive
    saved->mDimensions = 12;
    saved->mFrameRate = 25;
    saved->mDuration = 0.1; // no float holds it: a value cut to single precision shows
    saved->mTitle = QStringLiteral("Clouds \u00e9t\u00e9 🌥");
    saved->mInput->mData = QByteArray("\x00\xff", 2);
    terminate();

    const auto dictionary = stored("RenderSettings");
    ASSERT_TRUE(dictionary.has_value());
    EXPECT_EQ(dictionary->size(), 5);
    EXPECT_EQ(dictionary->value("outletInput.sandboxBookmarkData"), saved->mInput->mData);

    NSRef<RenderSettings> restored = NSAdopt(new RenderSettings());
    mController->setWasLaunched(false);
    persistentObjectLoadData(restored.get());
    const auto values = [](const RenderSettings* s) {
        return std::tuple(s->mDimensions, s->mFrameRate, s->mDuration, s->mTitle, s->mInput->mData);
    };
    EXPECT_EQ(values(restored.get()), values(saved.get()));
}

TEST_F(PersistentObjectsControllerTest, RegistrationNeedsADeclaringClassAndEndsAtLaunch) {
    NSRef<Undeclared> undeclared = registered<Undeclared>();
    EXPECT_TRUE(mController->objects().isEmpty());

    // An array instead of a set: registered, but it has no key paths.
    NSRef<ArrayDeclarer> arrayDeclarer = registered<ArrayDeclarer>();
    EXPECT_EQ(mController->objects().size(), 1);
    arrayDeclarer->mTitle = QStringLiteral("kept in memory only");
    store("ArrayDeclarer", {{"title", "restored"}});

    launch();
    EXPECT_EQ(arrayDeclarer->mTitle, "kept in memory only");

    // Too late: neither restored nor saved.
    store("RenderSettings", {{"title", "stored"}});
    NSRef<RenderSettings> late = registered<RenderSettings>();
    EXPECT_EQ(mController->objects().size(), 1);
    late->mTitle = QStringLiteral("late");
    terminate();
    EXPECT_FALSE(defaults()->objectForKey("ArrayDeclarer").isNull());
    EXPECT_EQ(stored("RenderSettings")->value("title").toString(), "stored");
}

TEST_F(PersistentObjectsControllerTest, OnlyDeclaredStoredKeysAreSet) {
    NSRef<RenderSettings> settings = registered<RenderSettings>();
    settings->mTitle = QStringLiteral("from the nib");
    settings->mDimensions = 3;
    // "frames" is no longer declared; "title" is declared but not stored.
    store("RenderSettings", {{"movieDimensions", 8}, {"frames", 99}});
    launch();
    EXPECT_EQ(settings->mDimensions, 8);
    EXPECT_EQ(settings->mTitle, "from the nib");
}

TEST_F(PersistentObjectsControllerTest, NilValuesAreNotStoredAndAnEmptySaveKeepsTheEntry) {
    NSRef<Mistaken> object = NSAdopt(new Mistaken());
    QVariantMap values;
    EXPECT_TRUE(logOf([&] {
                    values = persistentDictionaryWithValuesForKeyPaths(
                        object.get(), {"outletNil.sandboxBookmarkData", "level"});
                }).isEmpty());
    EXPECT_EQ(values, (QVariantMap{{"level", 0}}));

    NSRef<RenderSettings> settings = NSAdopt(new RenderSettings());
    defaults()->setObject(QByteArray("previous"), "BookmarkHolder");
    // BookmarkHolder declares nothing: no values, and the stored entry stays.
    persistentObjectSaveData(settings->outletInput());
    EXPECT_EQ(defaults()->dataForKey("BookmarkHolder"), "previous");
    setPersistentDictionary(settings.get(), std::nullopt, {"title"});
}

TEST_F(PersistentObjectsControllerTest, UnknownKeyPathsAndRejectedValuesAreLoggedOncePerPass) {
    NSRef<Mistaken> object = registered<Mistaken>();
    object->mLevel = 7;
    const QString saveLog = logOf([&] { terminate(); });
    expectLoggedOnce(saveLog, kSaveExceptionLine);
    EXPECT_TRUE(saveLog.trimmed().endsWith("colour."));

    // The stored entry now also names the missing key: loading logs its line once.
    store("Mistaken", {{"level", 9}, {"colour", "red"}});
    const QString loadLog = logOf([&] { launch(); });
    expectLoggedOnce(loadLog, kLoadExceptionLine);
    EXPECT_EQ(object->mLevel, 9);

    // A settings file with a huge text where a number belongs: the rejected value is logged by
    // its start and length.
    const QString huge = QStringLiteral("7") + QString(1000000, QLatin1Char('x'));
    store("Mistaken", {{"level", huge}});
    const QString rejectLog = logOf([&] { persistentObjectLoadData(object.get()); });
    expectLoggedOnce(rejectLog, kLoadExceptionLine);
    EXPECT_LT(rejectLog.size(), 1000) << rejectLog.left(2000).toStdString();
    EXPECT_TRUE(rejectLog.contains(huge.left(200))) << rejectLog.toStdString();
    EXPECT_FALSE(rejectLog.contains(huge.left(201)));
    EXPECT_TRUE(rejectLog.contains(QStringLiteral("(1000001 characters)")));
    EXPECT_EQ(object->mLevel, 9);
}

TEST_F(PersistentObjectsControllerTest, AnUndecodableEntryIsLoggedLeftOnDiskAndTheRestGoOn) {
    NSRef<RenderSettings> first = registered<RenderSettings>();
    NSRef<Mistaken> second = registered<Mistaken>();
    const QByteArray truncated =
        PropertyListArchiving::propertyListData({{"title", "stored"}}, kArchiveKey).chopped(3);
    defaults()->setObject(truncated, "RenderSettings");
    store("Mistaken", {{"level", 4}});
    const QString log = logOf([&] { launch(); });
    expectLoggedOnce(
        log,
        "UPersistentObjectsController::applicationWillFinishLaunching: RenderSettings exception:");
    EXPECT_EQ(second->mLevel, 4); // the object after the damaged entry is still restored

    // At quit the damaged entry is not overwritten with this run's values; the others are saved.
    first->mTitle = QStringLiteral("default");
    second->mLevel = 5;
    terminate();
    EXPECT_EQ(defaults()->dataForKey("RenderSettings"), truncated);
    EXPECT_EQ(stored("Mistaken")->value("level"), 5);

    // A root object that is not a dictionary cannot be restored either.
    defaults()->setObject(PropertyListArchiving::propertyListData({}, "other key"),
                          "RenderSettings");
    EXPECT_NO_THROW(persistentObjectLoadData(first.get())); // no root object: nothing happens
    defaults()->setObject(NSKeyedArchiver::archivedDataWithRootObject("text", kArchiveKey),
                          "RenderSettings");
    EXPECT_THROW(persistentObjectLoadData(first.get()), NSException);
}

TEST_F(PersistentObjectsControllerTest, AValueThatCannotBeArchivedIsLoggedOtherExceptionsPassOn) {
    // An object value cannot be archived: the archiver raises for that object alone.
    NSRef<ObjectDeclarer> first = registered<ObjectDeclarer>();
    NSRef<RenderSettings> second = registered<RenderSettings>();
    second->mDimensions = 6;
    const QString log = logOf([&] { EXPECT_NO_THROW(terminate()); });
    expectLoggedOnce(
        log, "UPersistentObjectsController::applicationWillTerminate: ObjectDeclarer exception:");
    EXPECT_FALSE(defaults()->objectForKey("ObjectDeclarer").isValid());
    ASSERT_TRUE(stored("RenderSettings").has_value());
    EXPECT_EQ(stored("RenderSettings")->value("movieDimensions"), 6);

    // Exceptions other than the platform's pass on.
    registered<Broken>()->throwFromGetter = true;
    EXPECT_THROW(terminate(), std::runtime_error);
}

// Without a file set for them, the standard defaults are the application's INI file in the
// user's configuration folder, where earlier runs left the settings.
TEST(PersistentObjectsStandardDefaults, AreTheApplicationsIniFile) {
    NSUserDefaults::setStandardUserDefaultsFile(QString());
    EXPECT_TRUE(NSUserDefaults::standardUserDefaults()->filePath().endsWith(
        "/Lumenreel/" + QCoreApplication::applicationName() + ".ini"))
        << NSUserDefaults::standardUserDefaults()->filePath().toStdString();
}

} // namespace

#include "PersistentObjectsControllerTest.moc"
