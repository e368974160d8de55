// An unsigned process: every right is held, but security-scoped bookmarks are not active.
#include "SandboxTestSupport.h"

#include "common/LogCapture.h"

#include "interface/USecuritySandbox/NSURLSandboxURL.h"
#include "platform/foundation/NSSecurityScopedAccess.h"
#include "platform/foundation/NSURL.h"
#include "platform/foundation/NSURLBookmarkData.h"
#include "support/UCodeEntitlements.h"

#include <gtest/gtest.h>

using lumenreel::test::LogCapture;
using namespace SandboxURL;

namespace {

const QString kInactive = QStringLiteral("0=AppHasSecurityScopedBookmarks()");

} // namespace

TEST(UnsignedProcess, HoldsEveryRightWithoutASandbox) {
    const UCodeEntitlements& e = UCodeEntitlements::sEntitlements;
    EXPECT_FALSE(e.HasSignedBundleID());
    EXPECT_EQ(e.CopySignedBundleID(), nullptr);
    EXPECT_EQ(sandbox_test::heldRights(e), "all bookmarks printing client server camera");
    EXPECT_EQ(e.CopyEntitlementKeyValue(kAppleSecurityAppSandboxEntitlementKey), nullptr);
    EXPECT_FALSE(AppHasSecurityScopedBookmarks());
}

using UnsignedProcessFiles = sandbox_test::SandboxFolderTest;

TEST_F(UnsignedProcessFiles, BookmarksTakeTheStandardPathAndAccessIsNeverBegun) {
    const QString path = touch("Sound.mov");
    LogCapture log;

    const QByteArray data = securityBookmarkDataForSandboxURL(NSURL::fileURLWithPath(path));
    EXPECT_EQ(log.lines(), QStringList{kInactive});
    const auto record = NSURLBookmarkRecordDecode(data);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->creationOptions, 0x400u);
    EXPECT_FALSE(record->securityScoped);

    NSURL* url = sandboxURLWithSecurityBookmarkData(data);
    ASSERT_NE(url, nullptr);
    EXPECT_FALSE(url->hasSecurityScope());
    EXPECT_FALSE(sandboxURLBeginSecurityAccess(url));
    EXPECT_FALSE(sandboxURLEndSecurityAccess(url));
    EXPECT_EQ(log.count(kInactive), 4);

    // Even a security-scoped bookmark resolves here only without its scope.
    const auto scoped = NSURL::fileURLWithPath(path)->bookmarkDataWithOptions(
        NSURLBookmarkCreationWithSecurityScope, nullptr, nullptr, nullptr);
    ASSERT_TRUE(scoped);
    NSURL* unscoped = sandboxURLWithSecurityBookmarkData(scoped);
    ASSERT_NE(unscoped, nullptr);
    EXPECT_FALSE(unscoped->hasSecurityScope());
    EXPECT_TRUE(NSSecurityScopedAccess::events().empty());
}
