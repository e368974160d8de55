#include "platform/foundation/NSError.h"
#include "platform/foundation/NSFileManagerDisplayComponents.h"
#include "platform/foundation/NSSecurityScopedAccess.h"
#include "platform/foundation/NSURL.h"
#include "platform/foundation/NSURLBookmarkData.h"
#include "platform/foundation/NSURLBookmarkKey.h"

#include "common/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using lumenreel::test::writeTestFile;

// Each test has a user data folder of its own, so its bookmark key is made afresh.
class BookmarkData : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mDir.isValid());
        ASSERT_TRUE(mDataHome.isValid());
        mPreviousDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", mDataHome.path().toUtf8());
        mFilePath = mDir.filePath("clip.qtz");
        writeTestFile(mFilePath, "one");
    }
    void TearDown() override {
        if (mPreviousDataHome.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", mPreviousDataHome);
    }

    // A security-scoped bookmark of `path`.
    QByteArray bookmark(const QString& path) {
        NSError* error = nullptr;
        auto data = NSURL::fileURLWithPath(path)->bookmarkDataWithOptions(
            NSURLBookmarkCreationWithSecurityScope, nullptr, nullptr, &error);
        EXPECT_TRUE(data.has_value());
        EXPECT_EQ(error, nullptr);
        return data.value_or(QByteArray());
    }

    static NSURL* resolve(const QByteArray& data, NSURLBookmarkResolutionOptions options,
                          bool* stale = nullptr, NSError** error = nullptr) {
        return NSURL::URLByResolvingBookmarkData(data, options, nullptr, stale, error);
    }

    NSAutoreleasePool mPool;
    QTemporaryDir mDir;
    QTemporaryDir mDataHome;
    QByteArray mPreviousDataHome;
    QString mFilePath;
};

// A record for the path laid out by hand, closed with a plain SHA-256 of its bytes as anyone who
// can edit the settings file could compute it.
QByteArray plainDigestRecord(const QByteArray& path, char version) {
    QByteArray out("LRbk");
    out.append(version);
    out.append(char(1)); // security-scoped
    out.append(QByteArray(2 + 4 + 8 + 8, '\0'));
    char size[4];
    qToBigEndian<quint32>(quint32(path.size()), size);
    out.append(size, 4);
    out.append(path);
    out.append(QCryptographicHash::hash(out, QCryptographicHash::Sha256));
    return out;
}

} // namespace

TEST_F(BookmarkData, FileAndFolderRoundTripWithScopeOnlyWhereResolutionAsksForIt) {
    const QByteArray scoped = bookmark(mFilePath);
    bool stale = true;
    NSURL* url = resolve(scoped, NSURLBookmarkResolutionWithSecurityScope, &stale);
    ASSERT_NE(url, nullptr);
    EXPECT_TRUE(url->isFileURL());
    EXPECT_EQ(url->path(), QDir::cleanPath(mFilePath));
    EXPECT_FALSE(stale);
    EXPECT_TRUE(url->hasSecurityScope());

    // A standard bookmark resolved with the scope asked for has none: the sandbox's bookmark tests
    // pin that, and the records of both kinds.
    NSURL* unscoped = resolve(scoped, NSURLBookmarkResolutionWithoutMounting);
    ASSERT_NE(unscoped, nullptr);
    EXPECT_FALSE(unscoped->hasSecurityScope());

    NSURL* folder = resolve(bookmark(mDir.path()), NSURLBookmarkResolutionWithSecurityScope);
    ASSERT_NE(folder, nullptr);
    EXPECT_TRUE(folder->hasDirectoryPath());
    EXPECT_EQ(folder->path(), QDir::cleanPath(mDir.path()));
}

TEST_F(BookmarkData, CutAlteredExtendedOrForeignDataDoesNotResolve) {
    const QByteArray good = bookmark(mFilePath);
    ASSERT_NE(resolve(good, 0), nullptr);

    for (qsizetype size = 0; size < good.size(); ++size)
        EXPECT_EQ(resolve(good.first(size), 0), nullptr) << "cut to " << size;
    EXPECT_EQ(resolve(good + QByteArray(1, '\0'), 0), nullptr);
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray altered = good;
        altered[i] = char(altered[i] ^ 0x01);
        EXPECT_EQ(resolve(altered, 0), nullptr) << "bit flipped in byte " << i;
    }

    NSError* error = nullptr;
    EXPECT_EQ(resolve(QByteArray("bplist00\xd1\x01\x02", 11), 0, nullptr, &error), nullptr);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->domain(), QString::fromLatin1(NSCocoaErrorDomain));
    EXPECT_EQ(error->code(), 259);
}

TEST_F(BookmarkData, DeletedFileDoesNotResolveAndReplacedFileIsStale) {
    const QByteArray data = bookmark(mFilePath);
    ASSERT_TRUE(QFile::remove(mFilePath));
    NSError* error = nullptr;
    EXPECT_EQ(resolve(data, NSURLBookmarkResolutionWithSecurityScope, nullptr, &error), nullptr);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code(), 4);
    EXPECT_EQ(resolve(data, NSURLBookmarkResolutionWithoutMounting), nullptr);

    // Found by its path, but no longer the same file: the user has to choose it again.
    const auto expectStaleWithoutScope = [](const QByteArray& record) {
        bool stale = false;
        NSURL* url = resolve(record, NSURLBookmarkResolutionWithSecurityScope, &stale);
        ASSERT_NE(url, nullptr);
        EXPECT_TRUE(stale);
        EXPECT_FALSE(url->hasSecurityScope());
    };
    // Another file moved to the same name.
    writeTestFile(mFilePath, "two");
    const QByteArray again = bookmark(mFilePath);
    writeTestFile(mDir.filePath("other"), "three");
    std::filesystem::rename(QFile::encodeName(mDir.filePath("other")).constData(),
                            QFile::encodeName(mFilePath).constData());
    expectStaleWithoutScope(again);

    // The file swapped for a symbolic link to another file.
    writeTestFile(mDir.filePath("third"), "four");
    const QByteArray third = bookmark(mDir.filePath("third"));
    ASSERT_TRUE(QFile::remove(mDir.filePath("third")));
    ASSERT_TRUE(QFile::link(mFilePath, mDir.filePath("third")));
    expectStaleWithoutScope(third);
}

TEST_F(BookmarkData, RecordsForgedOrMadeUnderAnotherKeyDoNotResolve) {
    // A plain digest, recomputed after pointing the record elsewhere, in the current and the old
    // version.
    for (char version : {char(1), char(kNSURLBookmarkRecordVersion)}) {
        EXPECT_EQ(
            resolve(plainDigestRecord("/root", version), NSURLBookmarkResolutionWithSecurityScope),
            nullptr);
        EXPECT_EQ(resolve(plainDigestRecord(QFile::encodeName(mFilePath), version), 0), nullptr);
    }

    // Copied from another user, whose key is not ours.
    const QByteArray mine = bookmark(mFilePath);
    ASSERT_NE(resolve(mine, 0), nullptr);
    QTemporaryDir otherHome;
    ASSERT_TRUE(otherHome.isValid());
    qputenv("XDG_DATA_HOME", otherHome.path().toUtf8());
    const QByteArray theirs = bookmark(mFilePath);
    EXPECT_EQ(resolve(mine, NSURLBookmarkResolutionWithSecurityScope), nullptr);
    qputenv("XDG_DATA_HOME", mDataHome.path().toUtf8());
    EXPECT_EQ(resolve(theirs, NSURLBookmarkResolutionWithSecurityScope), nullptr);
    EXPECT_NE(resolve(mine, NSURLBookmarkResolutionWithSecurityScope), nullptr);
}

TEST_F(BookmarkData, TheKeyIsMadeOnceInTheUserDataFolderForTheUserAlone) {
    const QString keyPath = mDataHome.filePath("lumenreel/bookmark-key");
    EXPECT_EQ(NSURLBookmarkKeyFilePath(), keyPath);
    EXPECT_FALSE(QFile::exists(keyPath));
    const QByteArray key = NSURLBookmarkKey();
    ASSERT_EQ(key.size(), kNSURLBookmarkKeySize);
    EXPECT_EQ(QFile::permissions(keyPath),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    QFile file(keyPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), key);
    EXPECT_EQ(NSURLBookmarkKey(), key);
    EXPECT_EQ(QDir(mDataHome.filePath("lumenreel")).entryList(QDir::Files | QDir::Hidden),
              QStringList{"bookmark-key"}); // no temporary file left behind

    // A key file that is cut short is not used, and bookmarks then fail instead of going
    // unauthenticated.
    QTemporaryDir damagedHome;
    ASSERT_TRUE(damagedHome.isValid());
    writeTestFile(damagedHome.filePath("lumenreel/bookmark-key"), "short");
    qputenv("XDG_DATA_HOME", damagedHome.path().toUtf8());
    EXPECT_TRUE(NSURLBookmarkKey().isEmpty());
    NSError* error = nullptr;
    EXPECT_FALSE(
        NSURL::fileURLWithPath(mFilePath)->bookmarkDataWithOptions(0, nullptr, nullptr, &error));
    EXPECT_NE(error, nullptr);
}

TEST_F(BookmarkData, CreationFailsForMissingFilesAndOtherSchemes) {
    NSError* error = nullptr;
    EXPECT_FALSE(NSURL::fileURLWithPath(mDir.filePath("absent.mov"))
                     ->bookmarkDataWithOptions(0, nullptr, nullptr, &error));
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code(), 260);

    error = nullptr;
    NSURL* web = NSURL::URLWithString("https://example.org/a.mov");
    ASSERT_NE(web, nullptr);
    EXPECT_FALSE(web->bookmarkDataWithOptions(0, nullptr, nullptr, &error));
    EXPECT_NE(error, nullptr);
}

TEST_F(BookmarkData, AccessTableKeepsOrderAndOpenCounts) {
    NSSecurityScopedAccess::clearEvents();
    NSURL* scoped = resolve(bookmark(mFilePath), NSURLBookmarkResolutionWithSecurityScope);
    NSURL* plain = NSURL::fileURLWithPath(mDir.path());
    ASSERT_NE(scoped, nullptr);

    EXPECT_TRUE(scoped->startAccessingSecurityScopedResource());
    EXPECT_TRUE(scoped->startAccessingSecurityScopedResource());
    EXPECT_FALSE(plain->startAccessingSecurityScopedResource());
    EXPECT_EQ(NSSecurityScopedAccess::openAccessCount(scoped->path()), 2);
    EXPECT_EQ(NSSecurityScopedAccess::openAccessCount(plain->path()), 0);
    scoped->stopAccessingSecurityScopedResource();
    scoped->stopAccessingSecurityScopedResource();
    scoped->stopAccessingSecurityScopedResource(); // one too many is harmless
    EXPECT_EQ(NSSecurityScopedAccess::openAccessCount(scoped->path()), 0);

    const auto events = NSSecurityScopedAccess::events();
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[2].path, plain->path());
    EXPECT_FALSE(events[2].scoped);
    EXPECT_EQ(events[3].kind, NSSecurityScopedAccessEvent::Kind::Stop);
    for (std::size_t i = 1; i < events.size(); ++i)
        EXPECT_EQ(events[i].sequence, events[i - 1].sequence + 1);
}

TEST(FileManagerDisplayComponents, VolumeNameThenComponentsBelowTheMountPoint) {
    EXPECT_FALSE(NSFileManagerComponentsToDisplayForPath(QString()));
    EXPECT_FALSE(NSFileManagerComponentsToDisplayForPath("/no/such/folder/anywhere"));

    const auto root = NSFileManagerComponentsToDisplayForPath("/");
    ASSERT_TRUE(root);
    ASSERT_EQ(root->size(), 1);
    const QString rootLabel = QStorageInfo::root().name();
    EXPECT_EQ(root->first(), rootLabel.isEmpty() ? QStringLiteral("Computer") : rootLabel);

    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("a b/c"));
    const QString path = QDir(dir.path()).canonicalPath() + "/a b/c";
    const auto components = NSFileManagerComponentsToDisplayForPath(path + "/");
    ASSERT_TRUE(components);
    const QStorageInfo volume(path);
    const QStringList below = path.mid(volume.rootPath().size()).split('/', Qt::SkipEmptyParts);
    EXPECT_EQ(components->mid(1), below);
    EXPECT_EQ(components->last(), QStringLiteral("c"));
    EXPECT_FALSE(components->first().isEmpty());
}

TEST(URL, FileURLsOfFoldersAndPaths) {
    NSAutoreleasePool pool;
    NSURL* folder = NSURL::fileURLWithPath("/tmp/x/../y", true);
    EXPECT_EQ(folder->absoluteString(), QStringLiteral("file:///tmp/y/"));
    EXPECT_EQ(folder->path(), QStringLiteral("/tmp/y"));
    EXPECT_EQ(folder->lastPathComponent(), QStringLiteral("y"));
    EXPECT_EQ(folder->URLByAppendingPathComponent("Clock.mov")->path(),
              QStringLiteral("/tmp/y/Clock.mov"));
    EXPECT_EQ(NSURL::fileURLWithPath("/", true)->path(), QStringLiteral("/"));
    EXPECT_EQ(NSURL::fileURLWithPath(QString()), nullptr);
    EXPECT_EQ(NSURL::URLWithString("https://example.org/a b"), nullptr);
    NSURL* web = NSURL::URLWithString("https://example.org/a");
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(web->filePathURL(), nullptr);
    EXPECT_EQ(folder->filePathURL(), folder);
}
