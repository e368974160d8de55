// The entitlements blob reader on outside bytes, raw or behind a well-formed header so that the
// property list inside is reached too: only an intact blob holding a dictionary gives one.
#include "FuzzCommon.h"

#include "support/UCodeEntitlements.h"

#include "platform/corefoundation/CFData.h"
#include "platform/corefoundation/CFDictionary.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool sQuiet = (FuzzQuietDebugLog(), true);
    (void)sQuiet;
    if (size == 0 || size > (1u << 20))
        return 0;
    std::vector<std::uint8_t> blob;
    const bool wrap = data[0] & 1;
    if (wrap) {
        const std::uint32_t total = std::uint32_t(size - 1 + 8);
        blob = {0xFA,
                0xDE,
                0x71,
                0x71,
                std::uint8_t(total >> 24),
                std::uint8_t(total >> 16),
                std::uint8_t(total >> 8),
                std::uint8_t(total)};
    }
    blob.insert(blob.end(), data + 1, data + size);
    CFDataRef cfBlob = CFDataCreate(kCFAllocatorDefault, blob.data(), CFIndex(blob.size()));
    if (!cfBlob)
        return 0;
    CFDictionaryRef entitlements =
        UCodeEntitlements::copyEntitlementsDictionaryFromBlobData(cfBlob);
    CFRelease(cfBlob);
    if (!entitlements)
        return 0;
    FuzzCheck(blob.size() > 8, "a blob with a dictionary is longer than its header");
    FuzzCheck(std::memcmp(blob.data(), "\xFA\xDE\x71\x71", 4) == 0, "the magic was checked");
    const std::uint32_t declared = (std::uint32_t(blob[4]) << 24) | (std::uint32_t(blob[5]) << 16) |
                                   (std::uint32_t(blob[6]) << 8) | std::uint32_t(blob[7]);
    FuzzCheck(declared == blob.size(), "the declared length was checked");
    FuzzCheck(CFGetTypeID(entitlements) == CFDictionaryGetTypeID(), "the result is a dictionary");
    CFDictionaryGetCount(entitlements);
    CFRelease(entitlements);
    return 0;
}
