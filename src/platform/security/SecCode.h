#pragma once

// The Security framework's code-signing queries about the running process, over the signature
// that the build embedded into the executable (CodeSignature.h).
//
//   SecCodeRef code = nullptr;
//   if (SecCodeCopySelf(kSecCSDefaultFlags, &code) == errSecSuccess) {
//       CFDictionaryRef info = nullptr;
//       SecCodeCopySigningInformation(code, kSecCSSigningInformation, &info);  // "identifier"
//       CFRelease(code);
//   }
//
// An unsigned executable still has a code object; its signing information holds no
// identifier and no entitlements.

#include "platform/corefoundation/CFBase.h"
#include "platform/system/MacTypes.h"

struct __SecCode;
using SecCodeRef = __SecCode*;
using SecCSFlags = UInt32;

enum : SecCSFlags {
    kSecCSDefaultFlags = 0,
    kSecCSInternalInformation = 1 << 0,
    kSecCSSigningInformation = 1 << 1,
    kSecCSRequirementInformation = 1 << 2,
};

enum : OSStatus {
    errSecSuccess = 0,
    errSecParam = -50,
    errSecCSUnsigned = -67062,
};

// Keys of the signing-information dictionary: the signing identifier (a string) and the
// entitlements blob (data: FA DE 71 71, big-endian length, XML property list).
extern const CFStringRef& kSecCodeInfoIdentifier;
extern const CFStringRef& kSecCodeInfoEntitlements;

// A new code object for the running process (the caller releases it with CFRelease).
OSStatus SecCodeCopySelf(SecCSFlags flags, SecCodeRef* self);
// A new dictionary (the caller releases it): with kSecCSSigningInformation the identifier,
// with kSecCSRequirementInformation the entitlements blob, each where the code is signed.
OSStatus SecCodeCopySigningInformation(SecCodeRef code, SecCSFlags flags,
                                       CFDictionaryRef* information);

// Code objects are released like Core Foundation objects.
SecCodeRef CFRetain(SecCodeRef code);
void CFRelease(SecCodeRef code);
