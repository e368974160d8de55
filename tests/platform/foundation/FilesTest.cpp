#include "platform/foundation/NSError.h"
#include "platform/foundation/NSFileManager.h"
#include "platform/foundation/NSPathUtilities.h"
#include "platform/foundation/NSURL.h"

#include "common/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Points HOME and the XDG folders into a temporary folder while it exists.
class TemporaryHome : public QTemporaryDir {
public:
    TemporaryHome() {
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            mSaved.append({name, qgetenv(name)});
        qputenv("HOME", path().toUtf8());
        qputenv("XDG_DATA_HOME", filePath(".local/share").toUtf8());
        qputenv("XDG_CONFIG_HOME", filePath(".config").toUtf8());
    }
    ~TemporaryHome() {
        for (const auto& [name, value] : mSaved) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }

private:
    QList<QPair<const char*, QByteArray>> mSaved;
};

using lumenreel::test::writeTestFile;

TEST(FilesTest, PathOperationsFollowThePlatformRules) {
    using namespace NSPath;
    EXPECT_EQ(lastPathComponent("/a/b/Clock.qtz"), "Clock.qtz");
    EXPECT_EQ(lastPathComponent("/a/b//"), "b");
    EXPECT_EQ(lastPathComponent("/"), "/");
    EXPECT_EQ(lastPathComponent("name"), "name");
    EXPECT_EQ(lastPathComponent(""), "");
    EXPECT_EQ(stringByDeletingLastPathComponent("/a/b/"), "/a");
    EXPECT_EQ(stringByDeletingLastPathComponent("/a"), "/");
    EXPECT_EQ(stringByDeletingLastPathComponent("a"), "");
    EXPECT_EQ(stringByAppendingPathComponent("/tmp/", "x.qt"), "/tmp/x.qt");
    EXPECT_EQ(stringByAppendingPathComponent("/", "x"), "/x");
    EXPECT_EQ(stringByAppendingPathComponent("", "x"), "x");
    EXPECT_EQ(pathExtension("/x/a.b.qtz"), "qtz");
    EXPECT_EQ(pathExtension("/x/.hidden"), "");
    EXPECT_EQ(pathExtension("/x.d/noext"), "");
    EXPECT_EQ(stringByDeletingPathExtension("/x/a.b.qtz"), "/x/a.b");
    EXPECT_EQ(stringByDeletingPathExtension("/x/.hidden"), "/x/.hidden");
    EXPECT_EQ(stringByDeletingPathExtension("/x/dir/"), "/x/dir");
    EXPECT_EQ(
        stringByAppendingPathExtension(stringByDeletingPathExtension("/x/My.Scene.qtz"), "mov"),
        "/x/My.Scene.mov");
    EXPECT_EQ(stringByAppendingPathExtension("/", "mov"), "");
}

TEST(FilesTest, ExistenceCreationAndRemoval) {
    QTemporaryDir folder;
    NSFileManager* manager = NSFileManager::defaultManager();
    const QString file = folder.filePath("a/b/file.qt");
    writeTestFile(file, "x");
    bool isDirectory = true;
    EXPECT_TRUE(manager->fileExistsAtPath(file, &isDirectory));
    EXPECT_FALSE(isDirectory);
    EXPECT_TRUE(manager->fileExistsAtPath(folder.filePath("a"), &isDirectory));
    EXPECT_TRUE(isDirectory);
    EXPECT_FALSE(manager->fileExistsAtPath(""));

    NSAutoreleasePool pool;
    NSError* error = nullptr;
    EXPECT_TRUE(manager->createDirectoryAtPath(folder.filePath("c/d"), true, &error));
    EXPECT_FALSE(manager->createDirectoryAtPath(folder.filePath("e/f"), false, &error));
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code(), NSFileWriteUnknownError);

    EXPECT_TRUE(manager->removeItemAtPath(folder.filePath("a"), &error));
    EXPECT_FALSE(manager->fileExistsAtPath(file));
    error = nullptr;
    EXPECT_FALSE(manager->removeItemAtPath(file, &error));
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->domain(), NSCocoaErrorDomain);
    EXPECT_EQ(error->code(), NSFileNoSuchFileError);
    EXPECT_EQ(error->userInfo().value(NSFilePathErrorKey).toString(), file);
    EXPECT_TRUE(manager->removeItemAtURL(NSURL::fileURLWithPath(folder.filePath("c")), nullptr));
}

TEST(FilesTest, TrashMovesTheFileIntoTheUsersTrash) {
    TemporaryHome home;
    NSAutoreleasePool pool;
    NSFileManager* manager = NSFileManager::defaultManager();
    EXPECT_TRUE(manager->respondsToSelector("trashItemAtURL:resultingItemURL:error:"));
    const QString file = home.filePath("work/Clock.qt");
    writeTestFile(file, "movie");
    NSURL* trashed = nullptr;
    NSError* error = nullptr;
    ASSERT_TRUE(manager->trashItemAtURL(NSURL::fileURLWithPath(file), &trashed, &error))
        << (error ? error->description().toStdString() : std::string());
    EXPECT_FALSE(QFile::exists(file));
    ASSERT_NE(trashed, nullptr);
    EXPECT_TRUE(trashed->path().startsWith(home.filePath(".local/share/Trash/files/")));
    QFile inTrash(trashed->path());
    ASSERT_TRUE(inTrash.open(QIODevice::ReadOnly));
    EXPECT_EQ(inTrash.readAll(), "movie");

    // A file that is gone is an error, not a success.
    EXPECT_FALSE(manager->trashItemAtURL(NSURL::fileURLWithPath(file), nullptr, &error));
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code(), NSFileNoSuchFileError);
}

TEST(FilesTest, UserFoldersComeFromTheXdgUserDirectories) {
    TemporaryHome home;
    writeTestFile(home.filePath(".config/user-dirs.dirs"),
                  "XDG_VIDEOS_DIR=\"$HOME/Filme\"\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    NSAutoreleasePool pool;
    NSFileManager* manager = NSFileManager::defaultManager();
    const QList<NSURL*> movies = manager->URLsForDirectory(NSMoviesDirectory, NSUserDomainMask);
    ASSERT_EQ(movies.size(), 1);
    EXPECT_EQ(movies.first()->path(), home.filePath("Filme"));
    EXPECT_TRUE(movies.first()->hasDirectoryPath());
    EXPECT_EQ(manager->URLsForDirectory(NSPicturesDirectory, NSUserDomainMask).first()->path(),
              home.filePath("Bilder"));
    EXPECT_FALSE(manager->URLsForDirectory(NSDocumentDirectory, NSUserDomainMask).isEmpty());
    EXPECT_TRUE(manager->URLsForDirectory(NSMoviesDirectory, NSSystemDomainMask).isEmpty());
    EXPECT_EQ(NSHomeDirectory(), home.path());
}

// The components themselves are pinned by the bookmark tests' display-components case.
TEST(FilesTest, DisplayNameIsTheLastDisplayComponent) {
    QTemporaryDir folder;
    writeTestFile(folder.filePath("Shows/Clock.qtz"), "x");
    NSFileManager* manager = NSFileManager::defaultManager();
    const auto components = manager->componentsToDisplayForPath(folder.filePath("Shows/Clock.qtz"));
    ASSERT_TRUE(components.has_value());
    EXPECT_EQ(components->last(), "Clock.qtz");
    EXPECT_EQ(manager->displayNameAtPath(folder.filePath("Shows")), "Shows");
}

} // namespace
