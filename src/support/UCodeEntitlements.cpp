#include "support/UCodeEntitlements.h"

#include "platform/corefoundation/CFData.h"
#include "platform/corefoundation/CFDictionary.h"
#include "platform/corefoundation/CFNumber.h"
#include "platform/corefoundation/CFPropertyList.h"
#include "platform/corefoundation/CFString.h"
#include "platform/security/SecCode.h"
#include "support/CoreStaticOrder.h"
#include "support/CoreSystem.h"

namespace {

// The key constants are made before the ordered statics, the instance among them; the exported
// names refer to them.
struct EntitlementKey {
    explicit EntitlementKey(const char* text) : value(__CFStringMakeConstantString(text)) {}
    CFStringRef value;
};

} // namespace

#define ENTITLEMENT_KEY(name, text)                                                                \
    __attribute__((init_priority(1000))) static EntitlementKey s_##name(text);                     \
    const CFStringRef& name = s_##name.value

ENTITLEMENT_KEY(kAppleSecurityAppSandboxEntitlementKey, "com.apple.security.app-sandbox");
ENTITLEMENT_KEY(kAppleSecurityPrintEntitlementKey, "com.apple.security.print");
ENTITLEMENT_KEY(kAppleSecurityNetworkServerEntitlementKey, "com.apple.security.network.server");
ENTITLEMENT_KEY(kAppleSecurityNetworkClientEntitlementKey, "com.apple.security.network.client");
ENTITLEMENT_KEY(kAppleSecurityDeviceCameraEntitlementKey, "com.apple.security.device.camera");
ENTITLEMENT_KEY(kAppleSecurityFilesBookmarksAppScope,
                "com.apple.security.files.bookmarks.app-scope");
ENTITLEMENT_KEY(kAppleSecurityFilesUserSelectedReadOnlyEntitlementKey,
                "com.apple.security.files.user-selected.read-only");
ENTITLEMENT_KEY(kAppleSecurityTemporaryExceptionMachLookupGlobalNameEntitlementKey,
                "com.apple.security.temporary-exception.mach-lookup.global-name");
ENTITLEMENT_KEY(kAppleSecurityTemporaryExceptionFilesHomeRelativePathReadOnlyEntitlementKey,
                "com.apple.security.temporary-exception.files.home-relative-path.read-only");
ENTITLEMENT_KEY(kAppleSecurityAssetsPicturesReadWriteEntitlementKey,
                "com.apple.security.assets.pictures.read-write");
ENTITLEMENT_KEY(kAppleSecurityAssetsPicturesReadOnlyEntitlementKey,
                "com.apple.security.assets.pictures.read-only");
ENTITLEMENT_KEY(kAppleSecurityAssetsMoviesReadWriteEntitlementKey,
                "com.apple.security.assets.movies.read-write");
ENTITLEMENT_KEY(kAppleSecurityAssetsMoviesReadOnlyEntitlementKey,
                "com.apple.security.assets.movies.read-only");

UCodeEntitlements UCodeEntitlements::sEntitlements CORE_STATIC_ORDER(kCoreStaticOrder_Entitlements);

int import_UCodeEntitlements() {
    return 1;
}

namespace {

constexpr UInt8 kEntitlementsBlobMagic[4] = {0xFA, 0xDE, 0x71, 0x71};
constexpr CFIndex kEntitlementsBlobHeaderSize = 8;
constexpr CoreSystemName kSystemNameLion = 0x1070;

} // namespace

UCodeEntitlements::UCodeEntitlements() {
    Construct();
}

UCodeEntitlements::~UCodeEntitlements() {
    if (mSignedBundleID)
        CFRelease(mSignedBundleID);
    if (mEntitlements)
        CFRelease(mEntitlements);
    if (mSigningInformation)
        CFRelease(mSigningInformation);
    if (mRequirementInformation)
        CFRelease(mRequirementInformation);
}

bool UCodeEntitlements::Construct() {
    CFStringRef identifier = nullptr;
    CFDictionaryRef entitlements = nullptr;
    SecCodeRef code = nullptr;
    if (SecCodeCopySelf(kSecCSDefaultFlags, &code) == errSecSuccess && code) {
        if (SecCodeCopySigningInformation(code, kSecCSSigningInformation, &mSigningInformation) ==
                errSecSuccess &&
            mSigningInformation) {
            identifier = static_cast<CFStringRef>(
                CFDictionaryGetValue(mSigningInformation, kSecCodeInfoIdentifier));
        }
        if (SecCodeCopySigningInformation(code, kSecCSRequirementInformation,
                                          &mRequirementInformation) == errSecSuccess &&
            mRequirementInformation) {
            const auto blob = static_cast<CFDataRef>(
                CFDictionaryGetValue(mRequirementInformation, kSecCodeInfoEntitlements));
            if (blob)
                entitlements = copyEntitlementsDictionaryFromBlobData(blob);
        }
        CFRelease(code);
    }
    SetSignedBundleID(identifier);
    SetCodeSignedEntitlementsCopy(entitlements);
    return entitlements != nullptr;
}

CFDictionaryRef UCodeEntitlements::copyEntitlementsDictionaryFromBlobData(const __CFData* blob) {
    if (!blob || CFGetTypeID(blob) != CFDataGetTypeID())
        return nullptr;
    const CFIndex length = CFDataGetLength(blob);
    const UInt8* bytes = CFDataGetBytePtr(blob);
    if (length <= kEntitlementsBlobHeaderSize || !bytes)
        return nullptr;
    for (int i = 0; i < 4; ++i) {
        if (bytes[i] != kEntitlementsBlobMagic[i])
            return nullptr;
    }
    const UInt32 declaredLength = (UInt32(bytes[4]) << 24) | (UInt32(bytes[5]) << 16) |
                                  (UInt32(bytes[6]) << 8) | UInt32(bytes[7]);
    if (CFIndex(declaredLength) != length)
        return nullptr;

    CFDataRef payload =
        CFDataCreateWithBytesNoCopy(kCFAllocatorDefault, bytes + kEntitlementsBlobHeaderSize,
                                    length - kEntitlementsBlobHeaderSize, kCFAllocatorNull);
    if (!payload)
        return nullptr;
    CFPropertyListRef plist = CFPropertyListCreateFromXMLData(kCFAllocatorDefault, payload,
                                                              kCFPropertyListImmutable, nullptr);
    CFRelease(payload);
    if (!plist)
        return nullptr;
    if (CFGetTypeID(plist) != CFDictionaryGetTypeID()) {
        CFRelease(plist);
        return nullptr;
    }
    return static_cast<CFDictionaryRef>(plist);
}

CFTypeRef UCodeEntitlements::CopyEntitlementKeyValue(const __CFString* key) const {
    if (!mEntitlements || !key)
        return nullptr;
    CFTypeRef value = CFDictionaryGetValue(mEntitlements, key);
    return value ? CFRetain(value) : nullptr;
}

bool UCodeEntitlements::HasEntitlementAndBooleanValueIsTrue(const __CFString* key) const {
    CFTypeRef value = CopyEntitlementKeyValue(key);
    if (!value)
        return false;
    const bool isTrue = CFGetTypeID(value) == CFBooleanGetTypeID() &&
                        CFBooleanGetValue(static_cast<CFBooleanRef>(value));
    CFRelease(value);
    return isTrue;
}

CFStringRef UCodeEntitlements::CopySignedBundleID() const {
    return mSignedBundleID ? static_cast<CFStringRef>(CFRetain(mSignedBundleID)) : nullptr;
}

void UCodeEntitlements::SetSignedBundleID(const __CFString* bundleID) {
    if (bundleID)
        CFRetain(bundleID);
    if (mSignedBundleID)
        CFRelease(mSignedBundleID);
    mSignedBundleID = bundleID;
    mHasSignedBundleID = bundleID != nullptr;
}

void UCodeEntitlements::SetCodeSignedEntitlementsCopy(const __CFDictionary* entitlements) {
    if (mEntitlements && mEntitlements != entitlements)
        CFRelease(mEntitlements);
    mEntitlements = entitlements;
    mSandboxOff = !IsSystemLionWithSandboxOrLater() ||
                  !HasEntitlementAndBooleanValueIsTrue(kAppleSecurityAppSandboxEntitlementKey);
    mNoEntitlements = mEntitlements == nullptr;
}

bool UCodeEntitlements::HasAccessTo(const __CFString* key) const {
    return HasAccessToAllEntitlements() || HasEntitlementAndBooleanValueIsTrue(key);
}

bool UCodeEntitlements::HasAccessToPrinting() const {
    return HasAccessTo(kAppleSecurityPrintEntitlementKey);
}

bool UCodeEntitlements::HasAccessToNetworkServer() const {
    return HasAccessTo(kAppleSecurityNetworkServerEntitlementKey);
}

bool UCodeEntitlements::HasAccessToNetworkClient() const {
    return HasAccessTo(kAppleSecurityNetworkClientEntitlementKey);
}

bool UCodeEntitlements::HasAccessToCameraDevice() const {
    return HasAccessTo(kAppleSecurityDeviceCameraEntitlementKey);
}

bool UCodeEntitlements::HasActiveSecurityBookmarksAppScope() const {
    return HasAccessTo(kAppleSecurityFilesBookmarksAppScope);
}

bool UCodeEntitlements::IsSystemLionWithSandboxOrLater() {
    return !CoreSystem::IsEarlierThanRevision(kSystemNameLion);
}
