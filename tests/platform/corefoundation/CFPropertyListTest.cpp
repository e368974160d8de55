#include "platform/corefoundation/CFPropertyList.h"
#include "platform/corefoundation/CFData.h"
#include "platform/corefoundation/CFDictionary.h"
#include "platform/corefoundation/CFNumber.h"
#include "platform/corefoundation/CFString.h"
#include "platform/corefoundation/CFTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

CFPropertyListRef parse(const std::string& xml, std::string* error = nullptr,
                        CFOptionFlags mutability = kCFPropertyListImmutable) {
    CFHolder<CFDataRef> data(CFDataCreateWithBytesNoCopy(nullptr,
                                                         reinterpret_cast<const UInt8*>(xml.data()),
                                                         CFIndex(xml.size()), kCFAllocatorNull));
    CFStringRef message = nullptr;
    CFPropertyListRef plist = CFPropertyListCreateFromXMLData(nullptr, data, mutability, &message);
    if (error)
        *error = message ? utf8(message) : std::string();
    if (message)
        CFRelease(message);
    return plist;
}

const char kEntitlements[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>com.apple.security.app-sandbox</key>
	<true/>
	<key>com.apple.security.files.bookmarks.app-scope</key>
	<true/>
	<key>com.apple.security.print</key>
	<false/>
	<key>com.apple.security.network.client</key>
	<string>true</string>
	<key>com.apple.security.device.camera</key>
	<integer>1</integer>
	<key>com.apple.security.temporary-exception.files.home-relative-path.read-only</key>
	<array>
		<string>/Library/Compositions/</string>
		<string>a &amp; b</string>
	</array>
</dict>
</plist>
)";

TEST(CFPropertyList, ParsesEntitlementsDictionaries) {
    CFHolder<CFPropertyListRef> plist(parse(kEntitlements));
    ASSERT_EQ(CFGetTypeID(plist), CFDictionaryGetTypeID());
    auto dict = static_cast<CFDictionaryRef>(plist.get());
    EXPECT_EQ(CFDictionaryGetCount(dict), 6);
    EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("com.apple.security.app-sandbox")), kCFBooleanTrue);
    EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("com.apple.security.print")), kCFBooleanFalse);
    EXPECT_EQ(CFGetTypeID(CFDictionaryGetValue(dict, CFSTR("com.apple.security.network.client"))),
              CFStringGetTypeID());
    auto number = static_cast<CFNumberRef>(
        CFDictionaryGetValue(dict, CFSTR("com.apple.security.device.camera")));
    int value = 0;
    ASSERT_TRUE(CFNumberGetValue(number, kCFNumberIntType, &value));
    EXPECT_EQ(value, 1);
    auto array = static_cast<CFArrayRef>(CFDictionaryGetValue(
        dict, CFSTR("com.apple.security.temporary-exception.files.home-relative-path.read-only")));
    ASSERT_EQ(CFArrayGetCount(array), 2);
    EXPECT_EQ(utf8(static_cast<CFStringRef>(CFArrayGetValueAtIndex(array, 1))), "a & b");
}

TEST(CFPropertyList, RefusesMalformedInput) {
    const char* bad[] = {
        "",
        "<plist><dict><key>a</key></dict></plist>",
        "<plist><dict><string>x</string><true/></dict></plist>",
        "<plist><integer>12x</integer></plist>",
        "<plist><data>***</data></plist>",
        "<plist><dict><key>a</key><true/></plist>",
        "<plist><unknown/></plist>",
        "<plist></plist>",
        "not xml at all",
    };
    for (const char* xml : bad) {
        std::string error;
        CFPropertyListRef plist = parse(xml, &error);
        EXPECT_EQ(plist, nullptr) << xml;
        EXPECT_FALSE(error.empty()) << xml;
        if (plist)
            CFRelease(plist);
    }
    std::string deep;
    for (int i = 0; i < 2000; ++i)
        deep += "<array>";
    EXPECT_EQ(parse("<plist>" + deep), nullptr);
}

TEST(CFPropertyList, WritesWhatItReads) {
    const std::string xml = "<plist version=\"1.0\"><dict>"
                            "<key>n</key><integer>-42</integer>"
                            "<key>r</key><real>0.25</real>"
                            "<key>d</key><data>Cv8=</data>"
                            "<key>t</key><date>2012-07-25T10:00:00Z</date>"
                            "<key>e</key><array/>"
                            "<key>s</key><string>&lt;x&gt;</string>"
                            "</dict></plist>";
    CFHolder<CFPropertyListRef> first(parse(xml));
    ASSERT_NE(first.get(), nullptr);
    CFHolder<CFDataRef> written(CFPropertyListCreateXMLData(nullptr, first));
    ASSERT_NE(written.get(), nullptr);
    const std::string text(reinterpret_cast<const char*>(CFDataGetBytePtr(written)),
                           std::size_t(CFDataGetLength(written)));
    EXPECT_NE(text.find("\t<key>d</key>\n\t<data>Cv8=</data>\n"), std::string::npos) << text;
    EXPECT_NE(text.find("<date>2012-07-25T10:00:00Z</date>"), std::string::npos) << text;
    CFHolder<CFPropertyListRef> second(parse(text));
    EXPECT_TRUE(CFEqual(first, second));
    EXPECT_TRUE(CFPropertyListIsValid(first, kCFPropertyListXMLFormat_v1_0));

    // A key added to a mutable copy is kept; an immutable one stays as it was.
    CFHolder<CFPropertyListRef> mutableCopy(parse(xml, nullptr, kCFPropertyListMutableContainers));
    for (const auto& [plist, count] :
         {std::pair{mutableCopy.get(), 7}, std::pair{first.get(), 6}}) {
        auto* dictionary = static_cast<CFMutableDictionaryRef>(const_cast<void*>(plist));
        CFDictionarySetValue(dictionary, CFSTR("added"), kCFBooleanTrue);
        EXPECT_EQ(CFDictionaryGetCount(dictionary), count);
    }
}

// Parsing before main, as the entitlements reader does, sees complete booleans and collections:
// the flag's type and value and the dictionary's count.
const std::tuple<CFTypeID, Boolean, CFIndex> sParsedBeforeMain
    __attribute__((init_priority(1500))) = [] {
        CFPropertyListRef plist =
            parse("<plist><dict><key>k</key><true/><key>a</key><array><string>x</string>"
                  "</array></dict></plist>");
        const void* flag = CFDictionaryGetValue(static_cast<CFDictionaryRef>(plist), CFSTR("k"));
        const std::tuple parsed(CFGetTypeID(flag),
                                CFBooleanGetValue(static_cast<CFBooleanRef>(flag)),
                                CFDictionaryGetCount(static_cast<CFDictionaryRef>(plist)));
        CFRelease(plist);
        return parsed;
    }();

TEST(CFPropertyList, WorksInStaticInitialisers) {
    EXPECT_EQ(sParsedBeforeMain, std::tuple(CFBooleanGetTypeID(), Boolean(true), CFIndex(2)));
}

} // namespace
