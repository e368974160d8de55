#include "interface/UILocalization/UILocalLanguageTable.h"

#include "platform/corefoundation/CFData.h"
#include "platform/corefoundation/CFDictionary.h"
#include "platform/corefoundation/CFPropertyList.h"
#include "platform/corefoundation/CFString.h"
#include "platform/foundation/NSLog.h"

#include <vector>

namespace {

// A CF object released when the holder goes.
struct CFHolder {
    CFTypeRef object = nullptr;
    ~CFHolder() {
        if (object)
            CFRelease(object);
    }
};

std::optional<QString> textOf(CFTypeRef value) {
    if (!value || CFGetTypeID(value) != CFStringGetTypeID())
        return std::nullopt;
    const auto string = static_cast<CFStringRef>(value);
    const CFIndex size =
        CFStringGetMaximumSizeForEncoding(CFStringGetLength(string), kCFStringEncodingUTF8) + 1;
    std::vector<char> buffer(static_cast<std::size_t>(size));
    if (!CFStringGetCString(string, buffer.data(), size, kCFStringEncodingUTF8))
        return std::nullopt;
    return QString::fromUtf8(buffer.data());
}

} // namespace

std::optional<QVariantMap> UILocalLanguageTableFromPropertyList(const QByteArray& xml) {
    CFHolder data{CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(xml.constData()),
                               xml.size())};
    CFStringRef error = nullptr;
    CFHolder list{CFPropertyListCreateFromXMLData(kCFAllocatorDefault,
                                                  static_cast<CFDataRef>(data.object),
                                                  kCFPropertyListImmutable, &error)};
    CFHolder errorHolder{error};
    if (!list.object || CFGetTypeID(list.object) != CFDictionaryGetTypeID()) {
        NSLog("UILocalLanguageTable: not a property list of texts: %@\n",
              textOf(error).value_or(QStringLiteral("not a dictionary")));
        return std::nullopt;
    }
    const auto dictionary = static_cast<CFDictionaryRef>(list.object);
    const CFIndex count = CFDictionaryGetCount(dictionary);
    std::vector<const void*> keys(static_cast<std::size_t>(count));
    std::vector<const void*> values(static_cast<std::size_t>(count));
    CFDictionaryGetKeysAndValues(dictionary, keys.data(), values.data());
    QVariantMap table;
    for (CFIndex index = 0; index < count; ++index) {
        const std::optional<QString> key = textOf(keys[std::size_t(index)]);
        const std::optional<QString> value = textOf(values[std::size_t(index)]);
        if (!key || !value) {
            NSLog("UILocalLanguageTable: an entry %@ is not a text; it is dropped\n",
                  key.value_or(QStringLiteral("without a text key")));
            continue;
        }
        table.insert(*key, *value);
    }
    return table;
}
