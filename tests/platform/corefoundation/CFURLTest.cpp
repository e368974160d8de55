#include "platform/corefoundation/CFURL.h"
#include "platform/corefoundation/CFString.h"
#include "platform/corefoundation/CFTestSupport.h"
#include "platform/system/Folders.h"

#include <gtest/gtest.h>

#include <QDir>

CFURLRef fileURL(const char* path, bool directory) {
    CFHolder<CFStringRef> string(CFStringCreateWithCString(nullptr, path, kCFStringEncodingUTF8));
    return CFURLCreateWithFileSystemPath(nullptr, string, kCFURLPOSIXPathStyle, directory);
}

std::string representation(CFURLRef url) {
    UInt8 buffer[1024];
    return url && CFURLGetFileSystemRepresentation(url, true, buffer, sizeof(buffer))
               ? std::string(reinterpret_cast<char*>(buffer))
               : std::string("<none>");
}

namespace {

TEST(CFURL, FileSystemPathsAndComponents) {
    CFHolder<CFURLRef> folder(fileURL("/tmp/a folder/", true));
    EXPECT_EQ(utf8(CFURLGetString(folder)), "file:///tmp/a%20folder/");
    EXPECT_TRUE(CFURLHasDirectoryPath(folder));
    CFHolder<CFStringRef> path(CFURLCopyFileSystemPath(folder, kCFURLPOSIXPathStyle));
    EXPECT_EQ(utf8(path), "/tmp/a folder");

    CFHolder<CFURLRef> file(
        CFURLCreateCopyAppendingPathComponent(nullptr, folder, CFSTR("100%.mov"), false));
    EXPECT_EQ(representation(file), "/tmp/a folder/100%.mov");
    EXPECT_FALSE(CFURLHasDirectoryPath(file));
    CFHolder<CFStringRef> last(CFURLCopyLastPathComponent(file));
    EXPECT_EQ(utf8(last), "100%.mov");
    CFHolder<CFStringRef> extension(CFURLCopyPathExtension(file));
    EXPECT_EQ(utf8(extension), "mov");
    CFHolder<CFURLRef> parent(CFURLCreateCopyDeletingLastPathComponent(nullptr, file));
    EXPECT_TRUE(CFEqual(parent, folder));
    EXPECT_EQ(describe(file), "file:///tmp/a%20folder/100%25.mov");

    CFHolder<CFURLRef> root(fileURL("/", true));
    CFHolder<CFURLRef> child(
        CFURLCreateCopyAppendingPathComponent(nullptr, root, CFSTR("x"), true));
    EXPECT_EQ(representation(child), "/x");

    // A path that does not fit is refused, never cut.
    UInt8 small[6];
    EXPECT_FALSE(CFURLGetFileSystemRepresentation(file, true, small, sizeof(small)));
    EXPECT_EQ(fileURL("", false), nullptr);
}

TEST(CFURL, RelativePathsResolveAgainstTheCurrentFolder) {
    CFHolder<CFURLRef> relative(fileURL("sub/name.txt", false));
    EXPECT_NE(CFURLGetBaseURL(relative), nullptr);
    EXPECT_EQ(representation(relative), QDir::currentPath().toStdString() + "/sub/name.txt");
    CFHolder<CFStringRef> path(CFURLCopyFileSystemPath(relative, kCFURLPOSIXPathStyle));
    EXPECT_EQ(utf8(path), "sub/name.txt");
    CFHolder<CFURLRef> absolute(CFURLCopyAbsoluteURL(relative));
    EXPECT_EQ(CFURLGetBaseURL(absolute), nullptr);
}

TEST(CFURL, FromStringsAndFileReferences) {
    CFHolder<CFURLRef> parsed(CFURLCreateWithString(nullptr, CFSTR("file:///tmp/x%20y/"), nullptr));
    EXPECT_EQ(representation(parsed), "/tmp/x y");
    CFHolder<CFURLRef> web(CFURLCreateWithString(nullptr, CFSTR("https://example.org/a"), nullptr));
    CFHolder<CFStringRef> scheme(CFURLCopyScheme(web));
    EXPECT_EQ(utf8(scheme), "https");
    EXPECT_EQ(representation(web), "<none>");

    FSRef ref{};
    ASSERT_EQ(FSPathMakeRef(reinterpret_cast<const UInt8*>("/tmp"), &ref, nullptr), noErr);
    CFHolder<CFURLRef> fromRef(CFURLCreateFromFSRef(nullptr, &ref));
    EXPECT_EQ(representation(fromRef), "/tmp");
    EXPECT_TRUE(CFURLHasDirectoryPath(fromRef));
    FSRef back{};
    EXPECT_TRUE(CFURLGetFSRef(fromRef, &back));
    EXPECT_STREQ(back.hidden, "/tmp");
    const FSRef nothing{};
    EXPECT_EQ(CFURLCreateFromFSRef(nullptr, &nothing), nullptr);
}

} // namespace
