// URL parsing on outside text: URLs from strings, from file-system paths and from path bytes,
// and every read-out and derived URL of them.
#include "FuzzCommon.h"

#include "platform/corefoundation/CFString.h"
#include "platform/corefoundation/CFURL.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

void Release(CFTypeRef ref) {
    if (ref)
        CFRelease(ref);
}

// Every read-out of a URL, with the properties they promise.
void ReadOut(CFURLRef url) {
    if (!url)
        return;
    Release(CFURLCopyScheme(url));
    Release(CFURLCopyLastPathComponent(url));
    Release(CFURLCopyPathExtension(url));
    CFURLHasDirectoryPath(url);
    FuzzCheck(CFURLGetString(url) != nullptr, "a URL has its text");
    CFStringRef path = CFURLCopyFileSystemPath(url, kCFURLPOSIXPathStyle);
    UInt8 buffer[1024];
    std::memset(buffer, 0xA5, sizeof(buffer));
    if (CFURLGetFileSystemRepresentation(url, true, buffer, sizeof(buffer)))
        FuzzCheck(std::memchr(buffer, 0, sizeof(buffer)) != nullptr,
                  "a file-system representation is terminated inside the buffer");
    Release(path);
    CFURLRef absolute = CFURLCopyAbsoluteURL(url);
    Release(absolute);
    CFURLRef parent = CFURLCreateCopyDeletingLastPathComponent(kCFAllocatorDefault, url);
    Release(parent);
    CFURLRef bare = CFURLCreateCopyDeletingPathExtension(kCFAllocatorDefault, url);
    Release(bare);
}

void Derive(CFURLRef url, CFStringRef component) {
    if (!url || !component)
        return;
    CFURLRef child =
        CFURLCreateCopyAppendingPathComponent(kCFAllocatorDefault, url, component, false);
    ReadOut(child);
    Release(child);
    CFURLRef extended = CFURLCreateCopyAppendingPathExtension(kCFAllocatorDefault, url, component);
    ReadOut(extended);
    Release(extended);
    CFURLRef relative = CFURLCreateWithFileSystemPathRelativeToBase(
        kCFAllocatorDefault, component, kCFURLPOSIXPathStyle, false, url);
    ReadOut(relative);
    Release(relative);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool sQuiet = (FuzzQuietDebugLog(), true);
    (void)sQuiet;
    FuzzInput in(data, size);
    const std::uint8_t flags = in.byte();
    const std::string first = in.text(512);
    const std::string second = in.rest();
    CFStringRef text =
        CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(first.data()),
                                CFIndex(first.size()), kCFStringEncodingUTF8, false);
    CFStringRef component =
        CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(second.data()),
                                CFIndex(second.size()), kCFStringEncodingUTF8, false);
    if (text) {
        CFURLRef fromString = CFURLCreateWithString(kCFAllocatorDefault, text, nullptr);
        ReadOut(fromString);
        Derive(fromString, component);
        if (fromString && component) {
            CFURLRef resolved = CFURLCreateWithString(kCFAllocatorDefault, component, fromString);
            ReadOut(resolved);
            Release(resolved);
        }
        Release(fromString);
        CFURLRef fromPath = CFURLCreateWithFileSystemPath(kCFAllocatorDefault, text,
                                                          kCFURLPOSIXPathStyle, flags & 1);
        ReadOut(fromPath);
        Derive(fromPath, component);
        Release(fromPath);
    }
    CFURLRef fromBytes = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<const UInt8*>(first.data()), CFIndex(first.size()),
        flags & 2);
    ReadOut(fromBytes);
    Release(fromBytes);
    Release(component);
    Release(text);
    return 0;
}
