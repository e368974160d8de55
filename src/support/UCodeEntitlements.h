#pragma once

// The entitlements of the running process's own code signature, read once before main into
// UCodeEntitlements::sEntitlements, and the yes/no questions the application asks of them.
//
//   if (UCodeEntitlements::sEntitlements.HasActiveSecuritySandbox()) ...
//   if (UCodeEntitlements::sEntitlements.HasAccessToNetworkClient()) ...
//
// A process that is unsigned, not sandboxed, or runs on a system earlier than 10.7 holds every
// right.

#include "platform/corefoundation/CFBase.h"

// Entitlement keys.
extern const CFStringRef& kAppleSecurityAppSandboxEntitlementKey;
extern const CFStringRef& kAppleSecurityPrintEntitlementKey;
extern const CFStringRef& kAppleSecurityNetworkServerEntitlementKey;
extern const CFStringRef& kAppleSecurityNetworkClientEntitlementKey;
extern const CFStringRef& kAppleSecurityDeviceCameraEntitlementKey;
extern const CFStringRef& kAppleSecurityFilesBookmarksAppScope;
extern const CFStringRef& kAppleSecurityFilesUserSelectedReadOnlyEntitlementKey;
extern const CFStringRef& kAppleSecurityTemporaryExceptionMachLookupGlobalNameEntitlementKey;
extern const CFStringRef&
    kAppleSecurityTemporaryExceptionFilesHomeRelativePathReadOnlyEntitlementKey;
extern const CFStringRef& kAppleSecurityAssetsPicturesReadWriteEntitlementKey;
extern const CFStringRef& kAppleSecurityAssetsPicturesReadOnlyEntitlementKey;
extern const CFStringRef& kAppleSecurityAssetsMoviesReadWriteEntitlementKey;
extern const CFStringRef& kAppleSecurityAssetsMoviesReadOnlyEntitlementKey;

class UCodeEntitlements {
public:
    // Reads the running code's signature (Construct).
    UCodeEntitlements();
    virtual ~UCodeEntitlements();
    UCodeEntitlements(const UCodeEntitlements&) = delete;
    UCodeEntitlements& operator=(const UCodeEntitlements&) = delete;

    // The process's one instance, made before main.
    static UCodeEntitlements sEntitlements;

    // Reads the signature; true when an entitlements dictionary was obtained.
    bool Construct();

    // A new dictionary parsed from an entitlements blob (FA DE 71 71, big-endian total length,
    // XML property list of a dictionary), or null for anything else.
    static CFDictionaryRef copyEntitlementsDictionaryFromBlobData(const __CFData* blob);

    // The value under the key, retained for the caller; null without entitlements or key.
    CFTypeRef CopyEntitlementKeyValue(const __CFString* key) const;
    // True only for a boolean true under the key.
    bool HasEntitlementAndBooleanValueIsTrue(const __CFString* key) const;
    // The signing identifier, retained for the caller, or null.
    CFStringRef CopySignedBundleID() const;
    bool HasSignedBundleID() const { return mHasSignedBundleID; }

    void SetSignedBundleID(const __CFString* bundleID);
    // Takes ownership of the dictionary (null allowed) and recomputes the sandbox flags.
    void SetCodeSignedEntitlementsCopy(const __CFDictionary* entitlements);

    // Not sandboxed (or no entitlements): every right is held.
    bool HasAccessToAllEntitlements() const { return mSandboxOff || mNoEntitlements; }
    bool HasActiveSecuritySandbox() const { return !mSandboxOff && !mNoEntitlements; }
    bool HasAccessToPrinting() const;
    bool HasAccessToNetworkServer() const;
    bool HasAccessToNetworkClient() const;
    bool HasAccessToCameraDevice() const;
    bool HasActiveSecurityBookmarksAppScope() const;

    // True on 10.7 or later.
    static bool IsSystemLionWithSandboxOrLater();

private:
    bool HasAccessTo(const __CFString* key) const;

    CFDictionaryRef mSigningInformation = nullptr;
    CFDictionaryRef mRequirementInformation = nullptr;
    CFDictionaryRef mEntitlements = nullptr;
    CFStringRef mSignedBundleID = nullptr;
    bool mHasSignedBundleID = false;
    bool mSandboxOff = true;
    bool mNoEntitlements = true;
};

int import_UCodeEntitlements();
