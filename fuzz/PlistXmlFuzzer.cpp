// The XML property-list reader on outside bytes: what it accepts is a valid property list whose
// own XML form reads back to an equal one.
#include "FuzzCommon.h"

#include "platform/corefoundation/CFData.h"
#include "platform/corefoundation/CFPropertyList.h"
#include "platform/corefoundation/CFString.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool sQuiet = (FuzzQuietDebugLog(), true);
    (void)sQuiet;
    CFDataRef xml = CFDataCreate(kCFAllocatorDefault, data, CFIndex(size));
    if (!xml)
        return 0;
    CFStringRef error = nullptr;
    CFPropertyListRef plist =
        CFPropertyListCreateFromXMLData(kCFAllocatorDefault, xml, kCFPropertyListImmutable, &error);
    CFRelease(xml);
    if (!plist) {
        if (error)
            CFRelease(error);
        return 0;
    }
    FuzzCheck(error == nullptr, "no error text for a property list that was read");
    FuzzCheck(CFPropertyListIsValid(plist, kCFPropertyListXMLFormat_v1_0),
              "what was read is a valid property list");
    CFDataRef written = CFPropertyListCreateXMLData(kCFAllocatorDefault, plist);
    FuzzCheck(written != nullptr, "what was read can be written");
    CFPropertyListRef again = CFPropertyListCreateFromXMLData(kCFAllocatorDefault, written,
                                                              kCFPropertyListImmutable, nullptr);
    FuzzCheck(again != nullptr, "what was written can be read");
    FuzzCheck(CFEqual(plist, again), "written and read back, the property list is the same");
    CFRelease(again);
    CFRelease(written);
    CFRelease(plist);
    return 0;
}
