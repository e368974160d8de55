#include "platform/corefoundation/CFBundle.h"
#include "platform/corefoundation/CFString.h"
#include "platform/corefoundation/CFTestSupport.h"
#include "platform/corefoundation/CFURL.h"
#include "platform/system/Folders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

CFURLRef systemFramework(const char* name) {
    FSRef folder{};
    if (FSFindFolder(kSystemDomain, kFrameworksFolderType, kDontCreateFolder, &folder) != noErr)
        return nullptr;
    CFHolder<CFURLRef> folderURL(CFURLCreateFromFSRef(nullptr, &folder));
    CFHolder<CFStringRef> leaf(CFStringCreateWithCString(nullptr, name, kCFStringEncodingUTF8));
    return CFURLCreateCopyAppendingPathComponent(nullptr, folderURL, leaf, true);
}

TEST(CFBundle, LoadsAFrameworkAndCallsAFunctionByName) {
    CFHolder<CFURLRef> url(systemFramework("CoreServices.framework"));
    ASSERT_NE(url.get(), nullptr);
    CFBundleRef bundle = CFBundleCreate(nullptr, url);
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(utf8(CFBundleGetIdentifier(bundle)), "com.apple.CoreServices");
    CFHolder<CFURLRef> executable(CFBundleCopyExecutableURL(bundle));
    EXPECT_EQ(representation(executable), representation(url) + "/CoreServices");
    EXPECT_FALSE(CFBundleIsExecutableLoaded(bundle));
    ASSERT_TRUE(CFBundleLoadExecutable(bundle));
    EXPECT_TRUE(CFBundleIsExecutableLoaded(bundle));

    // What the looked-up functions answer is pinned by the status-text tests of the support
    // library.
    using Text = const char* (*)(SInt32);
    auto name = reinterpret_cast<Text>(
        CFBundleGetFunctionPointerForName(bundle, CFSTR("GetMacOSStatusErrorString")));
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name(-43), "fnfErr");
    EXPECT_EQ(CFBundleGetFunctionPointerForName(bundle, CFSTR("NoSuchFunction")), nullptr);

    CFBundleUnloadExecutable(bundle);
    EXPECT_FALSE(CFBundleIsExecutableLoaded(bundle));
    // Looking a function up loads the executable again.
    EXPECT_NE(CFBundleGetFunctionPointerForName(bundle, CFSTR("GetMacOSStatusErrorString")),
              nullptr);
    CFRelease(bundle);
}

TEST(CFBundle, MissingFoldersAndExecutables) {
    CFHolder<CFURLRef> missing(systemFramework("Nothing.framework"));
    EXPECT_EQ(CFBundleCreate(nullptr, missing), nullptr);
    EXPECT_EQ(CFBundleCreate(nullptr, nullptr), nullptr);

    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("Empty.framework")));
    CFHolder<CFURLRef> url(
        fileURL((root.path() + QStringLiteral("/Empty.framework")).toUtf8().constData(), true));
    CFBundleRef bundle = CFBundleCreate(nullptr, url);
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(CFBundleCopyExecutableURL(bundle), nullptr);
    EXPECT_FALSE(CFBundleLoadExecutable(bundle));
    EXPECT_EQ(CFBundleGetFunctionPointerForName(bundle, CFSTR("x")), nullptr);
    CFRelease(bundle);
}

TEST(CFBundle, MainBundleFoldersAndResources) {
    QTemporaryDir root;
    const QString resources = root.path() + QStringLiteral("/Resources");
    ASSERT_TRUE(QDir().mkpath(resources + QStringLiteral("/en.lproj")));
    for (const char* name : {"/button.png", "/en.lproj/MainMenu.nib"})
        ASSERT_TRUE(QFile(resources + QLatin1StringView(name)).open(QIODevice::WriteOnly));

    CFBundleSetMainBundleFolder(root.path().toUtf8().constData());
    CFBundleRef main = CFBundleGetMainBundle();
    CFHolder<CFURLRef> resourcesURL(CFBundleCopyResourcesDirectoryURL(main));
    EXPECT_EQ(QString::fromStdString(representation(resourcesURL)), resources);
    CFHolder<CFURLRef> frameworks(CFBundleCopyPrivateFrameworksURL(main));
    EXPECT_EQ(QString::fromStdString(representation(frameworks)),
              root.path() + QStringLiteral("/Frameworks"));
    CFHolder<CFURLRef> found(CFBundleCopyResourceURL(main, CFSTR("button"), CFSTR("png"), nullptr));
    EXPECT_EQ(QString::fromStdString(representation(found)),
              resources + QStringLiteral("/button.png"));
    CFHolder<CFURLRef> localized(
        CFBundleCopyResourceURL(main, CFSTR("MainMenu"), CFSTR("nib"), nullptr));
    EXPECT_EQ(QString::fromStdString(representation(localized)),
              resources + QStringLiteral("/en.lproj/MainMenu.nib"));
    EXPECT_EQ(CFBundleCopyResourceURL(main, CFSTR("absent"), CFSTR("png"), nullptr), nullptr);
    EXPECT_EQ(CFBundleCopyResourceURL(main, CFSTR("../x"), CFSTR("png"), nullptr), nullptr);
    // The main executable is this test program, loaded already.
    EXPECT_TRUE(CFBundleIsExecutableLoaded(main));
    CFBundleSetMainBundleFolder(nullptr);
}

} // namespace
