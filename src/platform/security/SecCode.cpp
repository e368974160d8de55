#include "platform/security/SecCode.h"

#include "platform/corefoundation/CFData.h"
#include "platform/corefoundation/CFDictionary.h"
#include "platform/corefoundation/CFString.h"
#include "platform/security/CodeSignature.h"

#include <atomic>
#include <optional>

struct __SecCode {
    std::atomic<int> retainCount{1};
    std::optional<EmbeddedCodeSignature> signature;
};

namespace {

// The keys are made before every ordered static of the program, which may ask for the
// signature; the exported names refer to them, so they are usable from that moment on.
struct ConstantKey {
    explicit ConstantKey(const char* text) : value(__CFStringMakeConstantString(text)) {}
    CFStringRef value;
};
__attribute__((init_priority(1000))) ConstantKey sIdentifierKey("identifier");
__attribute__((init_priority(1000))) ConstantKey sEntitlementsKey("entitlements");

} // namespace

const CFStringRef& kSecCodeInfoIdentifier = sIdentifierKey.value;
const CFStringRef& kSecCodeInfoEntitlements = sEntitlementsKey.value;

OSStatus SecCodeCopySelf(SecCSFlags /*flags*/, SecCodeRef* self) {
    if (!self)
        return errSecParam;
    *self = new __SecCode;
    (*self)->signature = CodeSignatureOfRunningExecutable();
    return errSecSuccess;
}

OSStatus SecCodeCopySigningInformation(SecCodeRef code, SecCSFlags flags,
                                       CFDictionaryRef* information) {
    if (!code || !information)
        return errSecParam;
    CFMutableDictionaryRef result = CFDictionaryCreateMutable(
        kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    if (code->signature) {
        if (flags & kSecCSSigningInformation) {
            const QByteArray& identifier = code->signature->identifier;
            CFStringRef value = CFStringCreateWithBytes(
                kCFAllocatorDefault, reinterpret_cast<const UInt8*>(identifier.constData()),
                identifier.size(), kCFStringEncodingUTF8, false);
            if (value) {
                CFDictionarySetValue(result, kSecCodeInfoIdentifier, value);
                CFRelease(value);
            }
        }
        if ((flags & kSecCSRequirementInformation) &&
            !code->signature->entitlementsBlob.isEmpty()) {
            const QByteArray& blob = code->signature->entitlementsBlob;
            CFDataRef value = CFDataCreate(
                kCFAllocatorDefault, reinterpret_cast<const UInt8*>(blob.constData()), blob.size());
            CFDictionarySetValue(result, kSecCodeInfoEntitlements, value);
            CFRelease(value);
        }
    }
    *information = result;
    return errSecSuccess;
}

SecCodeRef CFRetain(SecCodeRef code) {
    if (code)
        code->retainCount.fetch_add(1, std::memory_order_relaxed);
    return code;
}

void CFRelease(SecCodeRef code) {
    if (code && code->retainCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete code;
}
