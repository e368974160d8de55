#include "platform/corefoundation/CFCollectionValues.h"

#include <utility>
#include <vector>

using CFCollectionsInternal::describeLines;
using CFCollectionsInternal::ValueOps;

struct __CFDictionary final : __CFType {
    __CFDictionary(const CFDictionaryKeyCallBacks* keyCb, const CFDictionaryValueCallBacks* valueCb,
                   bool isMutable)
        : __CFType(kCFTypeIDDictionary), keyOps(ValueOps::of(keyCb)),
          valueOps(ValueOps::of(valueCb)),
          keyCallBacks(keyCb ? *keyCb : CFDictionaryKeyCallBacks{}),
          valueCallBacks(valueCb ? *valueCb : CFDictionaryValueCallBacks{}),
          hasKeyCallBacks(keyCb != nullptr), hasValueCallBacks(valueCb != nullptr),
          mutableDictionary(isMutable) {}
    ~__CFDictionary() override { clear(); }

    std::ptrdiff_t find(const void* key) const {
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (keyOps.same(entries[i].first, key))
                return std::ptrdiff_t(i);
        return -1;
    }
    void set(const void* key, const void* value, bool add, bool replace) {
        const std::ptrdiff_t at = find(key);
        if (at < 0) {
            if (add)
                entries.emplace_back(keyOps.take(key), valueOps.take(value));
            return;
        }
        if (!replace)
            return;
        const void* old = entries[std::size_t(at)].second;
        entries[std::size_t(at)].second = valueOps.take(value);
        valueOps.drop(old);
    }
    void clear() {
        std::vector<std::pair<const void*, const void*>> old;
        old.swap(entries);
        for (const auto& entry : old) {
            keyOps.drop(entry.first);
            valueOps.drop(entry.second);
        }
    }
    const CFDictionaryKeyCallBacks* keyCb() const {
        return hasKeyCallBacks ? &keyCallBacks : nullptr;
    }
    const CFDictionaryValueCallBacks* valueCb() const {
        return hasValueCallBacks ? &valueCallBacks : nullptr;
    }

    bool equals(const __CFType* other) const override {
        const auto* dict = static_cast<const __CFDictionary*>(other);
        if (dict->entries.size() != entries.size())
            return false;
        for (const auto& entry : entries) {
            const std::ptrdiff_t at = dict->find(entry.first);
            if (at < 0 || !valueOps.same(entry.second, dict->entries[std::size_t(at)].second))
                return false;
        }
        return true;
    }
    CFHashCode hash() const override { return CFHashCode(entries.size()); }
    QString describe(int indent) const override {
        QStringList lines;
        for (const auto& entry : entries)
            lines << keyOps.describe(entry.first, indent + 1) + QStringLiteral(" = ") +
                         valueOps.describe(entry.second, indent + 1);
        return describeLines(lines, indent, QStringLiteral("{"), QStringLiteral("}"),
                             QStringLiteral(";"));
    }

    ValueOps keyOps;
    ValueOps valueOps;
    CFDictionaryKeyCallBacks keyCallBacks;
    CFDictionaryValueCallBacks valueCallBacks;
    bool hasKeyCallBacks;
    bool hasValueCallBacks;
    bool mutableDictionary;
    std::vector<std::pair<const void*, const void*>> entries;
};

namespace {
const __CFDictionary* dictionaryCast(CFTypeRef cf) {
    return CFCast<__CFDictionary>(cf, kCFTypeIDDictionary);
}
__CFDictionary* mutableDictionaryCast(CFTypeRef cf) {
    auto* dict = const_cast<__CFDictionary*>(dictionaryCast(cf));
    return dict && dict->mutableDictionary ? dict : nullptr;
}
__CFDictionary* copyDictionary(const __CFDictionary* source, bool isMutable) {
    auto* dict = new __CFDictionary(source->keyCb(), source->valueCb(), isMutable);
    for (const auto& entry : source->entries)
        dict->entries.emplace_back(dict->keyOps.take(entry.first),
                                   dict->valueOps.take(entry.second));
    return dict;
}
} // namespace

CFTypeID CFDictionaryGetTypeID() {
    return kCFTypeIDDictionary;
}

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef, const void** keys, const void** values,
                                   CFIndex numValues, const CFDictionaryKeyCallBacks* keyCallBacks,
                                   const CFDictionaryValueCallBacks* valueCallBacks) {
    if (numValues < 0 || ((!keys || !values) && numValues > 0))
        return nullptr;
    auto* dict = new __CFDictionary(keyCallBacks, valueCallBacks, false);
    for (CFIndex i = 0; i < numValues; ++i)
        dict->set(keys[i], values[i], true, true);
    return dict;
}

CFDictionaryRef CFDictionaryCreateCopy(CFAllocatorRef, CFDictionaryRef theDict) {
    const __CFDictionary* source = dictionaryCast(theDict);
    return source ? copyDictionary(source, false) : nullptr;
}

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef, CFIndex,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks) {
    return new __CFDictionary(keyCallBacks, valueCallBacks, true);
}

CFMutableDictionaryRef CFDictionaryCreateMutableCopy(CFAllocatorRef, CFIndex,
                                                     CFDictionaryRef theDict) {
    const __CFDictionary* source = dictionaryCast(theDict);
    return source ? copyDictionary(source, true) : nullptr;
}

CFIndex CFDictionaryGetCount(CFDictionaryRef theDict) {
    const __CFDictionary* dict = dictionaryCast(theDict);
    return dict ? CFIndex(dict->entries.size()) : 0;
}

Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef theDict, const void* key,
                                      const void** value) {
    const __CFDictionary* dict = dictionaryCast(theDict);
    const std::ptrdiff_t at = dict ? dict->find(key) : -1;
    if (at < 0)
        return false;
    if (value)
        *value = dict->entries[std::size_t(at)].second;
    return true;
}

const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key) {
    const void* value = nullptr;
    return CFDictionaryGetValueIfPresent(theDict, key, &value) ? value : nullptr;
}

Boolean CFDictionaryContainsKey(CFDictionaryRef theDict, const void* key) {
    return CFDictionaryGetValueIfPresent(theDict, key, nullptr);
}

Boolean CFDictionaryContainsValue(CFDictionaryRef theDict, const void* value) {
    const __CFDictionary* dict = dictionaryCast(theDict);
    if (!dict)
        return false;
    for (const auto& entry : dict->entries)
        if (dict->valueOps.same(entry.second, value))
            return true;
    return false;
}

void CFDictionaryGetKeysAndValues(CFDictionaryRef theDict, const void** keys, const void** values) {
    const __CFDictionary* dict = dictionaryCast(theDict);
    if (!dict)
        return;
    for (std::size_t i = 0; i < dict->entries.size(); ++i) {
        if (keys)
            keys[i] = dict->entries[i].first;
        if (values)
            values[i] = dict->entries[i].second;
    }
}

void CFDictionaryApplyFunction(CFDictionaryRef theDict, CFDictionaryApplierFunction applier,
                               void* context) {
    const __CFDictionary* dict = dictionaryCast(theDict);
    if (!dict || !applier)
        return;
    const auto entries = dict->entries;
    for (const auto& entry : entries)
        applier(entry.first, entry.second, context);
}

void CFDictionarySetValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
    if (__CFDictionary* dict = mutableDictionaryCast(theDict))
        dict->set(key, value, true, true);
}

void CFDictionaryAddValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
    if (__CFDictionary* dict = mutableDictionaryCast(theDict))
        dict->set(key, value, true, false);
}

void CFDictionaryReplaceValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
    if (__CFDictionary* dict = mutableDictionaryCast(theDict))
        dict->set(key, value, false, true);
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef theDict, const void* key) {
    __CFDictionary* dict = mutableDictionaryCast(theDict);
    const std::ptrdiff_t at = dict ? dict->find(key) : -1;
    if (at < 0)
        return;
    const auto entry = dict->entries[std::size_t(at)];
    dict->entries.erase(dict->entries.begin() + at);
    dict->keyOps.drop(entry.first);
    dict->valueOps.drop(entry.second);
}

void CFDictionaryRemoveAllValues(CFMutableDictionaryRef theDict) {
    if (__CFDictionary* dict = mutableDictionaryCast(theDict))
        dict->clear();
}
