// The entitlements blob parser and the flags, on hand-made blobs and dictionaries; this unsigned
// process, which holds every right but has no active security-scoped bookmarks.
#include "SandboxTestSupport.h"

#include "common/LogCapture.h"

#include "interface/USecuritySandbox/NSURLSandboxURL.h"
#include "support/UCodeEntitlements.h"

#include "platform/corefoundation/CFData.h"
#include "platform/corefoundation/CFDictionary.h"
#include "platform/corefoundation/CFNumber.h"
#include "platform/corefoundation/CFString.h"
#include "platform/foundation/NSSecurityScopedAccess.h"
#include "platform/foundation/NSURL.h"
#include "platform/foundation/NSURLBookmarkData.h"
#include "platform/system/Gestalt.h"
#include "support/CoreSystem.h"

#include <QByteArray>
#include <QtEndian>

#include <gtest/gtest.h>

using lumenreel::test::LogCapture;
using namespace SandboxURL;

namespace {

using sandbox_test::heldRights;

const QString kInactive = QStringLiteral("0=AppHasSecurityScopedBookmarks()");

const QByteArray kSandboxedPlist =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<plist version=\"1.0\"><dict>\n"
    "<key>com.apple.security.app-sandbox</key><true/>\n"
    "<key>com.apple.security.files.bookmarks.app-scope</key><true/>\n"
    "<key>com.apple.security.print</key><false/>\n"
    "<key>com.apple.security.network.client</key><string>true</string>\n"
    "<key>com.apple.security.device.camera</key><integer>1</integer>\n"
    "<key>com.apple.security.network.server</key><true/>\n"
    "</dict></plist>\n";

QByteArray blob(const QByteArray& payload, int lengthAdjustment = 0,
                const QByteArray& magic = QByteArray("\xfa\xde\x71\x71", 4)) {
    const quint32 total = qToBigEndian(quint32(payload.size() + 8 + lengthAdjustment));
    return magic + QByteArray(reinterpret_cast<const char*>(&total), 4) + payload;
}

// The dictionary parsed from the bytes, owned by the caller; null when they are refused.
CFDictionaryRef copyParsed(const QByteArray& bytes) {
    CFDataRef data = CFDataCreate(kCFAllocatorDefault,
                                  reinterpret_cast<const UInt8*>(bytes.constData()), bytes.size());
    CFDictionaryRef dictionary = UCodeEntitlements::copyEntitlementsDictionaryFromBlobData(data);
    CFRelease(data);
    return dictionary;
}

// An instance that holds the given entitlements (read from the blob) instead of this process's.
struct Entitled {
    explicit Entitled(const QByteArray& bytes) {
        entitlements.SetCodeSignedEntitlementsCopy(copyParsed(bytes));
        entitlements.SetSignedBundleID(CFSTR("org.lumenreel.test"));
    }
    UCodeEntitlements entitlements;
};

} // namespace

TEST(EntitlementsBlob, OnlyAnExactBlobOfADictionaryParses) {
    CFDictionaryRef parsed = copyParsed(blob(kSandboxedPlist));
    EXPECT_NE(parsed, nullptr);
    CFRelease(parsed);

    EXPECT_EQ(copyParsed(QByteArray("\xfa\xde\x71\x71\x00\x00\x00\x08", 8)), nullptr);
    EXPECT_EQ(copyParsed(blob(kSandboxedPlist, 0, QByteArray("\xfa\xde\x71\x72", 4))), nullptr);
    EXPECT_EQ(copyParsed(blob(kSandboxedPlist, +1)), nullptr);
    EXPECT_EQ(copyParsed(blob(kSandboxedPlist, -1)), nullptr);
    EXPECT_EQ(copyParsed(blob("<plist version=\"1.0\"><array><true/></array></plist>")), nullptr);
    // Which texts are no property list is the parser's own matter.
    EXPECT_EQ(copyParsed(blob(kSandboxedPlist.left(kSandboxedPlist.size() / 2))), nullptr);
    EXPECT_EQ(UCodeEntitlements::copyEntitlementsDictionaryFromBlobData(nullptr), nullptr);
}

TEST(EntitlementsBlob, OnlyBooleanTrueGrantsARightUnderTheSandbox) {
    Entitled sandboxed(blob(kSandboxedPlist));
    const UCodeEntitlements& e = sandboxed.entitlements;
    // Not printing (false), the network client (the string "true") or the camera (the number 1).
    EXPECT_EQ(heldRights(e), "sandbox bookmarks server");
    EXPECT_FALSE(e.HasEntitlementAndBooleanValueIsTrue(nullptr));

    CFTypeRef value = e.CopyEntitlementKeyValue(kAppleSecurityNetworkClientEntitlementKey);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(CFGetTypeID(value), CFStringGetTypeID());
    CFRelease(value);
    EXPECT_EQ(e.CopyEntitlementKeyValue(kAppleSecurityAssetsMoviesReadOnlyEntitlementKey), nullptr);
}

TEST(EntitlementsBlob, WithoutTheSandboxEveryRightIsHeld) {
    const QByteArray notSandboxed = blob("<plist version=\"1.0\"><dict>"
                                         "<key>com.apple.security.app-sandbox</key><string>true"
                                         "</string><key>com.apple.security.print</key><false/>"
                                         "</dict></plist>");
    EXPECT_EQ(heldRights(Entitled(notSandboxed).entitlements),
              "all bookmarks printing client server camera");
}

TEST(EntitlementsBlob, BeforeLionTheSandboxEntitlementIsNotConsulted) {
    GestaltSetSystemVersionOverride(noErr, 0x1068);
    CoreSystem::ResetCachedVersionForTesting();
    EXPECT_FALSE(UCodeEntitlements::IsSystemLionWithSandboxOrLater());
    EXPECT_EQ(heldRights(Entitled(blob(kSandboxedPlist)).entitlements),
              "all bookmarks printing client server camera");
    GestaltSetSystemVersionOverride(noErr, 0x1070);
    CoreSystem::ResetCachedVersionForTesting();
    EXPECT_TRUE(UCodeEntitlements::IsSystemLionWithSandboxOrLater());
    EXPECT_EQ(heldRights(Entitled(blob(kSandboxedPlist)).entitlements), "sandbox bookmarks server");
    GestaltClearSystemVersionOverride();
    CoreSystem::ResetCachedVersionForTesting();
}

TEST(UnsignedProcess, HoldsEveryRightWithoutASandbox) {
    const UCodeEntitlements& e = UCodeEntitlements::sEntitlements;
    EXPECT_FALSE(e.HasSignedBundleID());
    EXPECT_EQ(e.CopySignedBundleID(), nullptr);
    EXPECT_EQ(heldRights(e), "all bookmarks printing client server camera");
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
