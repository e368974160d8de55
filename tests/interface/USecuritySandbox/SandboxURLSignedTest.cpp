// The SandboxURL extension in a signed, sandboxed process: security-scoped bookmarks are active.
#include "SandboxTestSupport.h"

#include "common/LogCapture.h"

#include "interface/USecuritySandbox/NSURLSandboxURL.h"
#include "platform/corefoundation/CFString.h"
#include "platform/foundation/NSFileManagerDisplayComponents.h"
#include "platform/foundation/NSSecurityScopedAccess.h"
#include "platform/foundation/NSURL.h"
#include "platform/foundation/NSURLBookmarkData.h"
#include "support/UCodeEntitlements.h"

#include <QFile>

#include <gtest/gtest.h>

using lumenreel::test::LogCapture;
using namespace SandboxURL;

namespace {

const QString kActive = QStringLiteral("1=AppHasSecurityScopedBookmarks()");

class SignedSandboxURL : public sandbox_test::SandboxFolderTest {
protected:
    void SetUp() override {
        SandboxFolderTest::SetUp();
        mPath = touch("Clock.qtz");
    }
    QString mPath;
};

} // namespace

TEST(SignedProcess, IsSandboxedWithBookmarkScopeAndNothingElse) {
    const UCodeEntitlements& e = UCodeEntitlements::sEntitlements;
    ASSERT_TRUE(e.HasSignedBundleID());
    CFStringRef identifier = e.CopySignedBundleID();
    EXPECT_TRUE(CFEqual(identifier, CFSTR("org.lumenreel.sandbox-tests")));
    CFRelease(identifier);
    EXPECT_EQ(sandbox_test::heldRights(e), "sandbox bookmarks");
    EXPECT_TRUE(AppHasSecurityScopedBookmarks());
}

// Making and resolving a bookmark each log one line; nil inputs give empty data or nil silently.
TEST_F(SignedSandboxURL, SecurityBookmarksAreScopedAndStandardOnesResolveWithoutAScope) {
    LogCapture log;
    EXPECT_TRUE(securityBookmarkDataForSandboxURL(nullptr).isEmpty());
    EXPECT_EQ(sandboxURLWithSecurityBookmarkData(std::nullopt), nullptr);
    EXPECT_TRUE(log.lines().isEmpty());

    const QByteArray data = securityBookmarkDataForSandboxURL(NSURL::fileURLWithPath(mPath));
    EXPECT_EQ(log.lines(), QStringList{kActive});
    const auto record = NSURLBookmarkRecordDecode(data);
    ASSERT_TRUE(record);
    EXPECT_TRUE(record->securityScoped);
    EXPECT_EQ(record->creationOptions, 0x800u);
    EXPECT_EQ(record->path, mPath);
    NSURL* url = sandboxURLWithSecurityBookmarkData(data);
    ASSERT_NE(url, nullptr);
    EXPECT_TRUE(url->hasSecurityScope());
    EXPECT_EQ(url->path(), mPath);
    EXPECT_EQ(log.lines(), (QStringList{kActive, kActive}));
    // Which data does not resolve is the bookmark records' own matter.
    EXPECT_EQ(sandboxURLWithSecurityBookmarkData(data.left(20)), nullptr);

    const QByteArray standardData =
        standardBookmarkDataForSandboxURL(NSURL::fileURLWithPath(mPath));
    const auto standard = NSURLBookmarkRecordDecode(standardData);
    ASSERT_TRUE(standard);
    EXPECT_EQ(standard->creationOptions, 0x400u);
    EXPECT_FALSE(standard->securityScoped);
    NSURL* plain = sandboxURLWithSecurityBookmarkData(standardData);
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->hasSecurityScope());
}

TEST_F(SignedSandboxURL, BeginAndEndAreSentAndAnsweredTrueEvenWhenRefused) {
    LogCapture log;
    NSURL* scoped = sandboxURLWithSecurityBookmarkData(
        securityBookmarkDataForSandboxURL(NSURL::fileURLWithPath(mPath)));
    NSURL* unscoped = NSURL::fileURLWithPath(mDir.path());
    EXPECT_TRUE(sandboxURLBeginSecurityAccess(scoped));
    EXPECT_TRUE(sandboxURLBeginSecurityAccess(unscoped)); // the platform refuses
    EXPECT_EQ(NSSecurityScopedAccess::openAccessCount(mPath), 1);
    EXPECT_TRUE(sandboxURLEndSecurityAccess(scoped));
    EXPECT_TRUE(sandboxURLEndSecurityAccess(unscoped));
    EXPECT_EQ(NSSecurityScopedAccess::openAccessCount(mPath), 0);
    EXPECT_FALSE(sandboxURLBeginSecurityAccess(nullptr));
    EXPECT_EQ(NSSecurityScopedAccess::events().size(), 4u);
    EXPECT_EQ(log.count(kActive), 6); // two bookmark calls, four access calls
}

TEST_F(SignedSandboxURL, DisplayPathIsVolumeColonThenComponents) {
    EXPECT_EQ(localizedDisplayPathWithSandboxFilePath(QString()), QString(""));
    EXPECT_FALSE(localizedDisplayPathWithSandboxFilePath(QString()).isNull());
    EXPECT_EQ(localizedDisplayPathWithSandboxFilePath("/no/such/place"), QString(""));

    const QStringList root = *NSFileManagerComponentsToDisplayForPath("/");
    EXPECT_EQ(localizedDisplayPathWithSandboxFilePath("/"), root.first() + ":");

    const QStringList components = *NSFileManagerComponentsToDisplayForPath(mPath);
    ASSERT_GE(components.size(), 2);
    const QString display = localizedDisplayPathWithSandboxFilePath(mPath);
    EXPECT_EQ(display, components.first() + ":/" + components.mid(1).join('/'));

    // Symbolic links are resolved for the file path, and so for its display.
    const QString link = mDir.filePath("link.qtz");
    ASSERT_TRUE(QFile::link(mPath, link));
    NSURL* linkURL = NSURL::fileURLWithPath(link);
    EXPECT_EQ(sandboxURLFilePath(linkURL), mPath);
    EXPECT_EQ(localizedDisplaySandboxURLFilePath(linkURL), display);
    EXPECT_TRUE(sandboxURLFilePath(nullptr).isNull());
    EXPECT_TRUE(sandboxURLFilePath(NSURL::URLWithString("https://example.org/a")).isNull());
    EXPECT_EQ(localizedDisplaySandboxURLFilePath(nullptr), QString(""));
}
