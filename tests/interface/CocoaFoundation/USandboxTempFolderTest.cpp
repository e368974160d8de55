#include "interface/USecuritySandbox/USandboxTempFolder.h"
#include "platform/foundation/NSPathUtilities.h"

#include "common/RunChild.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(USandboxTempFolderTest, NamesFilesByTheirLastComponentInsideTheProcessFolder) {
    const QString folder = USandboxTempFolder::sharedTempFolderPath();
    ASSERT_TRUE(QFileInfo(folder).isDir());
    EXPECT_TRUE(QFileInfo(folder).isWritable());
    EXPECT_EQ(USandboxTempFolder::tempFileForReadOnlyFilePath("/a/b/Clock.qt"),
              folder + "/Clock.qt");
    // A trailing separator is dropped; a bare name lands inside the folder.
    EXPECT_EQ(USandboxTempFolder::tempFileForReadOnlyFilePath("/a/b/Scene/"), folder + "/Scene");
    EXPECT_EQ(USandboxTempFolder::tempFileForReadOnlyFilePath("bare.qt"), folder + "/bare.qt");
    // No uniqueness is added, and nothing is created.
    const QString one = USandboxTempFolder::tempFileForReadOnlyFilePath("/x/a.b.qt");
    EXPECT_EQ(one, USandboxTempFolder::tempFileForReadOnlyFilePath("/y/a.b.qt"));
    EXPECT_EQ(one, folder + "/a.b.qt");
    EXPECT_FALSE(QFileInfo::exists(one));
}

// Without a private folder nothing falls back to the shared one: the test runs this executable
// again, once with a system temporary folder that is a plain file and once with one that does
// not exist.
TEST(USandboxTempFolderTest, WithoutAPrivateFolderNoTemporaryFileIsNamed) {
    if (!lumenreel::test::relaunchPhase().isEmpty()) {
        NSAutoreleasePool pool;
        EXPECT_TRUE(USandboxTempFolder::sharedTempFolderPath().isNull());
        EXPECT_EQ(USandboxTempFolder::sharedTempFolderURL(), nullptr);
        EXPECT_TRUE(USandboxTempFolder::tempFileForReadOnlyFilePath("/a/Clock.qt").isNull());
        return;
    }
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    lumenreel::test::writeTestFile(scratch.filePath("plain"), {});
    for (const QString& system : {scratch.filePath("plain"), scratch.filePath("missing")}) {
        const lumenreel::test::ChildRun run = lumenreel::test::relaunchInPhase(
            "USandboxTempFolderTest.WithoutAPrivateFolderNoTemporaryFileIsNamed", "child",
            {.environment = {{"TMPDIR", system}}, .workingFolder = scratch.path()});
        const QString output = run.out + run.err;
        EXPECT_TRUE(output.contains("NSTemporaryDirectory: cannot make a private folder in \"" +
                                    system + "\""))
            << output.toStdString();
        EXPECT_TRUE(output.contains("USandboxTempFolder::tempFileForReadOnlyFilePath: this "
                                    "process has no temporary folder; no temporary file for "
                                    "/a/Clock.qt"))
            << output.toStdString();
        // Nothing was made in the working folder either.
        EXPECT_EQ(QDir(scratch.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                  QStringList{"plain"});
    }
}

TEST(USandboxTempFolderTest, TheFolderIsTheSameOnEveryThreadAndTheSharedInstanceOffersIt) {
    NSAutoreleasePool pool;
    auto* first = NSAllocInit<USandboxTempFolder>();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(NSClassFromString("USandboxTempFolder")->alloc()->init(), first);
    NSURL* url = first->folderURL();
    ASSERT_NE(url, nullptr);
    EXPECT_TRUE(url->hasDirectoryPath());
    EXPECT_EQ(first->folderPath(), USandboxTempFolder::sharedTempFolderPath());

    const QString folder = USandboxTempFolder::sharedTempFolderPath();
    QString fromThread;
    std::thread([&] { fromThread = USandboxTempFolder::sharedTempFolderPath(); }).join();
    EXPECT_EQ(fromThread, folder);
    EXPECT_EQ(NSTemporaryDirectory(), folder);
    EXPECT_NE(folder, QDir::tempPath()); // the process's own folder, not the shared one
}

} // namespace
