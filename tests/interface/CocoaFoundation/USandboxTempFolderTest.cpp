#include "interface/USecuritySandbox/USandboxTempFolder.h"
#include "platform/foundation/NSPathUtilities.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(USandboxTempFolderTest, NamesFilesByTheirLastComponentInsideTheProcessFolder) {
    const QString folder = USandboxTempFolder::sharedTempFolderPath();
    ASSERT_TRUE(QFileInfo(folder).isDir());
    EXPECT_TRUE(QFileInfo(folder).isWritable());
    EXPECT_EQ(USandboxTempFolder::tempFileForReadOnlyFilePath("/a/b/Clock.qt"),
              folder + "/Clock.qt");
    EXPECT_EQ(USandboxTempFolder::tempFileForReadOnlyFilePath("/a/b/Clock.MooV"),
              folder + "/Clock.MooV");
    // A trailing separator is dropped; a bare name lands inside the folder.
    EXPECT_EQ(USandboxTempFolder::tempFileForReadOnlyFilePath("/a/b/Scene/"), folder + "/Scene");
    EXPECT_EQ(USandboxTempFolder::tempFileForReadOnlyFilePath("bare.qt"), folder + "/bare.qt");
    // No uniqueness is added, and nothing is created.
    const QString one = USandboxTempFolder::tempFileForReadOnlyFilePath("/x/a.b.qt");
    EXPECT_EQ(one, USandboxTempFolder::tempFileForReadOnlyFilePath("/y/a.b.qt"));
    EXPECT_EQ(one, folder + "/a.b.qt");
    EXPECT_FALSE(QFileInfo::exists(one));
}

TEST(USandboxTempFolderTest, TheFolderIsTheSameForTheWholeRunAndOnEveryThread) {
    const QString folder = USandboxTempFolder::sharedTempFolderPath();
    QString fromThread;
    std::thread([&] { fromThread = USandboxTempFolder::sharedTempFolderPath(); }).join();
    EXPECT_EQ(fromThread, folder);
    EXPECT_EQ(NSTemporaryDirectory(), folder);
    EXPECT_NE(folder, QDir::tempPath()); // the process's own folder, not the shared one
}

TEST(USandboxTempFolderTest, TheSharedInstanceOffersTheFolderAsURLAndPath) {
    NSAutoreleasePool pool;
    auto* first = NSAllocInit<USandboxTempFolder>();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(NSClassFromString("USandboxTempFolder")->alloc()->init(), first);
    NSURL* url = first->folderURL();
    ASSERT_NE(url, nullptr);
    EXPECT_TRUE(url->isFileURL());
    EXPECT_TRUE(url->hasDirectoryPath());
    EXPECT_EQ(first->folderPath(), USandboxTempFolder::sharedTempFolderPath());
    EXPECT_EQ(first->valueForKey("folderPath").toString(), first->folderPath());
    EXPECT_EQ(import_USandboxTempFolder(), 1);
}

} // namespace
