#include "platform/corefoundation/CFInternal.h"
#include "platform/corefoundation/CFSet.h"

#include <QStringList>

#include <utility>
#include <vector>

namespace {

const void* typeRetain(CFAllocatorRef, const void* value) {
    return CFRetain(value);
}
void typeRelease(CFAllocatorRef, const void* value) {
    CFRelease(value);
}
CFStringRef typeDescription(const void* value) {
    return CFCopyDescription(value);
}
Boolean typeEqual(const void* a, const void* b) {
    return CFEqual(a, b);
}
CFHashCode typeHash(const void* value) {
    return CFHash(value);
}
const void* copyStringRetain(CFAllocatorRef, const void* value) {
    if (CFGetTypeID(value) == kCFTypeIDString)
        return CFStringCreateCopy(nullptr, static_cast<CFStringRef>(value));
    return CFRetain(value);
}

// What a collection does with its members, taken from the callbacks given at creation.
struct ValueOps {
    CFArrayRetainCallBack retain = nullptr;
    CFArrayReleaseCallBack release = nullptr;
    CFArrayCopyDescriptionCallBack copyDescription = nullptr;
    CFArrayEqualCallBack equal = nullptr;
    CFDictionaryHashCallBack hash = nullptr;

    static ValueOps of(const CFArrayCallBacks* cb) {
        return cb ? ValueOps{cb->retain, cb->release, cb->copyDescription, cb->equal, nullptr}
                  : ValueOps{};
    }
    static ValueOps of(const CFDictionaryKeyCallBacks* cb) {
        return cb ? ValueOps{cb->retain, cb->release, cb->copyDescription, cb->equal, cb->hash}
                  : ValueOps{};
    }
    static ValueOps of(const CFDictionaryValueCallBacks* cb) {
        return cb ? ValueOps{cb->retain, cb->release, cb->copyDescription, cb->equal, nullptr}
                  : ValueOps{};
    }
    const void* take(const void* value) const { return retain ? retain(nullptr, value) : value; }
    void drop(const void* value) const {
        if (release)
            release(nullptr, value);
    }
    bool same(const void* a, const void* b) const {
        return a == b || (equal && a && b && equal(a, b));
    }
    QString describe(const void* value, int indent) const {
        if (copyDescription == typeDescription)
            return CFDescribeMember(value, indent);
        if (copyDescription) {
            CFStringRef text = copyDescription(value);
            const QString result = CFStringToQString(text);
            CFRelease(text);
            return result;
        }
        return QStringLiteral("<%1>").arg(reinterpret_cast<quintptr>(value), 0, 16);
    }
};

// Members one per line, indented one level deeper than the collection itself.
QString describeLines(const QStringList& lines, int indent, const QString& open,
                      const QString& close, const QString& separator) {
    if (lines.isEmpty())
        return open + close;
    QString text = open + QLatin1Char('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        text += CFIndentText(indent + 1) + lines[i];
        if (!separator.isEmpty() && (separator != QLatin1String(",") || i + 1 < lines.size()))
            text += separator;
        text += QLatin1Char('\n');
    }
    return text + CFIndentText(indent) + close;
}

} // namespace

const CFArrayCallBacks kCFTypeArrayCallBacks = {0, typeRetain, typeRelease, typeDescription,
                                                typeEqual};
const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {
    0, typeRetain, typeRelease, typeDescription, typeEqual, typeHash};
const CFDictionaryKeyCallBacks kCFCopyStringDictionaryKeyCallBacks = {
    0, copyStringRetain, typeRelease, typeDescription, typeEqual, typeHash};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {0, typeRetain, typeRelease,
                                                                    typeDescription, typeEqual};
// Written out rather than copied, so that all of these are constant data, ready before any
// static initialiser runs.
const CFSetCallBacks kCFTypeSetCallBacks = {0,         typeRetain, typeRelease, typeDescription,
                                            typeEqual, typeHash};
const CFBagCallBacks kCFTypeBagCallBacks = {0,         typeRetain, typeRelease, typeDescription,
                                            typeEqual, typeHash};

// ----- arrays

struct __CFArray final : __CFType {
    __CFArray(ValueOps valueOps, const CFArrayCallBacks* cb, bool isMutable)
        : __CFType(kCFTypeIDArray), ops(valueOps), callBacks(cb ? *cb : CFArrayCallBacks{}),
          hasCallBacks(cb != nullptr), mutableArray(isMutable) {}
    ~__CFArray() override {
        for (const void* value : values)
            ops.drop(value);
    }
    bool equals(const __CFType* other) const override {
        const auto* array = static_cast<const __CFArray*>(other);
        if (array->values.size() != values.size())
            return false;
        for (std::size_t i = 0; i < values.size(); ++i)
            if (!ops.same(values[i], array->values[i]))
                return false;
        return true;
    }
    CFHashCode hash() const override { return CFHashCode(values.size()); }
    QString describe(int indent) const override {
        QStringList lines;
        for (const void* value : values)
            lines << ops.describe(value, indent + 1);
        return describeLines(lines, indent, QStringLiteral("("), QStringLiteral(")"),
                             QStringLiteral(","));
    }

    ValueOps ops;
    CFArrayCallBacks callBacks;
    bool hasCallBacks;
    bool mutableArray;
    std::vector<const void*> values;
};

namespace {
__CFArray* mutableArrayCast(CFTypeRef cf) {
    auto* array = const_cast<__CFArray*>(CFCast<__CFArray>(cf, kCFTypeIDArray));
    return array && array->mutableArray ? array : nullptr;
}
bool validRange(CFRange range, std::size_t count) {
    return range.location >= 0 && range.length >= 0 &&
           std::size_t(range.location + range.length) <= count;
}
} // namespace

CFTypeID CFArrayGetTypeID() {
    return kCFTypeIDArray;
}

CFArrayRef CFArrayCreate(CFAllocatorRef, const void** values, CFIndex numValues,
                         const CFArrayCallBacks* callBacks) {
    if (numValues < 0 || (!values && numValues > 0))
        return nullptr;
    auto* array = new __CFArray(ValueOps::of(callBacks), callBacks, false);
    for (CFIndex i = 0; i < numValues; ++i)
        array->values.push_back(array->ops.take(values[i]));
    return array;
}

CFArrayRef CFArrayCreateCopy(CFAllocatorRef, CFArrayRef theArray) {
    const auto* source = CFCast<__CFArray>(theArray, kCFTypeIDArray);
    if (!source)
        return nullptr;
    auto* array =
        new __CFArray(source->ops, source->hasCallBacks ? &source->callBacks : nullptr, false);
    for (const void* value : source->values)
        array->values.push_back(array->ops.take(value));
    return array;
}

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef, CFIndex, const CFArrayCallBacks* callBacks) {
    return new __CFArray(ValueOps::of(callBacks), callBacks, true);
}

CFMutableArrayRef CFArrayCreateMutableCopy(CFAllocatorRef, CFIndex, CFArrayRef theArray) {
    const auto* source = CFCast<__CFArray>(theArray, kCFTypeIDArray);
    if (!source)
        return nullptr;
    auto* array =
        new __CFArray(source->ops, source->hasCallBacks ? &source->callBacks : nullptr, true);
    for (const void* value : source->values)
        array->values.push_back(array->ops.take(value));
    return array;
}

CFIndex CFArrayGetCount(CFArrayRef theArray) {
    const auto* array = CFCast<__CFArray>(theArray, kCFTypeIDArray);
    return array ? CFIndex(array->values.size()) : 0;
}

const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx) {
    const auto* array = CFCast<__CFArray>(theArray, kCFTypeIDArray);
    if (!array || idx < 0 || std::size_t(idx) >= array->values.size())
        return nullptr;
    return array->values[std::size_t(idx)];
}

void CFArrayGetValues(CFArrayRef theArray, CFRange range, const void** values) {
    const auto* array = CFCast<__CFArray>(theArray, kCFTypeIDArray);
    if (!array || !values || !validRange(range, array->values.size()))
        return;
    for (CFIndex i = 0; i < range.length; ++i)
        values[i] = array->values[std::size_t(range.location + i)];
}

CFIndex CFArrayGetFirstIndexOfValue(CFArrayRef theArray, CFRange range, const void* value) {
    const auto* array = CFCast<__CFArray>(theArray, kCFTypeIDArray);
    if (!array || !validRange(range, array->values.size()))
        return kCFNotFound;
    for (CFIndex i = range.location; i < range.location + range.length; ++i)
        if (array->ops.same(array->values[std::size_t(i)], value))
            return i;
    return kCFNotFound;
}

Boolean CFArrayContainsValue(CFArrayRef theArray, CFRange range, const void* value) {
    return CFArrayGetFirstIndexOfValue(theArray, range, value) != kCFNotFound;
}

void CFArrayApplyFunction(CFArrayRef theArray, CFRange range, CFArrayApplierFunction applier,
                          void* context) {
    const auto* array = CFCast<__CFArray>(theArray, kCFTypeIDArray);
    if (!array || !applier || !validRange(range, array->values.size()))
        return;
    for (CFIndex i = range.location; i < range.location + range.length; ++i)
        applier(array->values[std::size_t(i)], context);
}

void CFArrayAppendValue(CFMutableArrayRef theArray, const void* value) {
    if (__CFArray* array = mutableArrayCast(theArray))
        array->values.push_back(array->ops.take(value));
}

void CFArrayInsertValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value) {
    __CFArray* array = mutableArrayCast(theArray);
    if (!array || idx < 0 || std::size_t(idx) > array->values.size())
        return;
    array->values.insert(array->values.begin() + idx, array->ops.take(value));
}

void CFArraySetValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value) {
    __CFArray* array = mutableArrayCast(theArray);
    if (!array || idx < 0 || std::size_t(idx) > array->values.size())
        return;
    if (std::size_t(idx) == array->values.size()) {
        array->values.push_back(array->ops.take(value));
        return;
    }
    const void* old = array->values[std::size_t(idx)];
    array->values[std::size_t(idx)] = array->ops.take(value);
    array->ops.drop(old);
}

void CFArrayRemoveValueAtIndex(CFMutableArrayRef theArray, CFIndex idx) {
    __CFArray* array = mutableArrayCast(theArray);
    if (!array || idx < 0 || std::size_t(idx) >= array->values.size())
        return;
    const void* old = array->values[std::size_t(idx)];
    array->values.erase(array->values.begin() + idx);
    array->ops.drop(old);
}

void CFArrayRemoveAllValues(CFMutableArrayRef theArray) {
    __CFArray* array = mutableArrayCast(theArray);
    if (!array)
        return;
    std::vector<const void*> old;
    old.swap(array->values);
    for (const void* value : old)
        array->ops.drop(value);
}

// ----- dictionaries

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

// ----- sets and bags: values with a count each

struct CFCountedValues : __CFType {
    CFCountedValues(CFTypeID id, const CFDictionaryKeyCallBacks* cb, bool isMutable, bool isBag)
        : __CFType(id), ops(ValueOps::of(cb)), mutableValues(isMutable), bag(isBag) {}
    ~CFCountedValues() override {
        for (const auto& entry : entries)
            ops.drop(entry.first);
    }
    std::ptrdiff_t find(const void* value) const {
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (ops.same(entries[i].first, value))
                return std::ptrdiff_t(i);
        return -1;
    }
    void add(const void* value) {
        const std::ptrdiff_t at = find(value);
        if (at >= 0) {
            if (bag)
                ++entries[std::size_t(at)].second;
            return;
        }
        entries.emplace_back(ops.take(value), 1);
    }
    void remove(const void* value) {
        const std::ptrdiff_t at = find(value);
        if (at < 0)
            return;
        if (--entries[std::size_t(at)].second > 0)
            return;
        const void* old = entries[std::size_t(at)].first;
        entries.erase(entries.begin() + at);
        ops.drop(old);
    }
    CFIndex count() const {
        CFIndex total = 0;
        for (const auto& entry : entries)
            total += entry.second;
        return total;
    }
    bool equals(const __CFType* other) const override {
        const auto* that = static_cast<const CFCountedValues*>(other);
        if (that->entries.size() != entries.size())
            return false;
        for (const auto& entry : entries) {
            const std::ptrdiff_t at = that->find(entry.first);
            if (at < 0 || that->entries[std::size_t(at)].second != entry.second)
                return false;
        }
        return true;
    }
    CFHashCode hash() const override { return CFHashCode(count()); }
    QString describe(int indent) const override {
        QStringList lines;
        for (const auto& entry : entries)
            for (CFIndex i = 0; i < entry.second; ++i)
                lines << ops.describe(entry.first, indent + 1);
        return describeLines(lines, indent, QStringLiteral("{("), QStringLiteral(")}"),
                             QStringLiteral(","));
    }

    ValueOps ops;
    bool mutableValues;
    bool bag;
    std::vector<std::pair<const void*, CFIndex>> entries;
};

struct __CFSet final : CFCountedValues {
    __CFSet(const CFSetCallBacks* cb, bool isMutable)
        : CFCountedValues(kCFTypeIDSet, cb, isMutable, false) {}
};

struct __CFBag final : CFCountedValues {
    __CFBag(const CFBagCallBacks* cb, bool isMutable)
        : CFCountedValues(kCFTypeIDBag, cb, isMutable, true) {}
};

namespace {
CFCountedValues* countedCast(CFTypeRef cf, CFTypeID id, bool needMutable) {
    auto* values = const_cast<CFCountedValues*>(CFCast<CFCountedValues>(cf, id));
    return values && (!needMutable || values->mutableValues) ? values : nullptr;
}
} // namespace

CFTypeID CFSetGetTypeID() {
    return kCFTypeIDSet;
}

CFSetRef CFSetCreate(CFAllocatorRef, const void** values, CFIndex numValues,
                     const CFSetCallBacks* callBacks) {
    if (numValues < 0 || (!values && numValues > 0))
        return nullptr;
    auto* set = new __CFSet(callBacks, false);
    for (CFIndex i = 0; i < numValues; ++i)
        set->add(values[i]);
    return set;
}

CFMutableSetRef CFSetCreateMutable(CFAllocatorRef, CFIndex, const CFSetCallBacks* callBacks) {
    return new __CFSet(callBacks, true);
}

CFIndex CFSetGetCount(CFSetRef theSet) {
    const CFCountedValues* set = countedCast(theSet, kCFTypeIDSet, false);
    return set ? set->count() : 0;
}

Boolean CFSetContainsValue(CFSetRef theSet, const void* value) {
    const CFCountedValues* set = countedCast(theSet, kCFTypeIDSet, false);
    return set && set->find(value) >= 0;
}

const void* CFSetGetValue(CFSetRef theSet, const void* value) {
    const CFCountedValues* set = countedCast(theSet, kCFTypeIDSet, false);
    const std::ptrdiff_t at = set ? set->find(value) : -1;
    return at >= 0 ? set->entries[std::size_t(at)].first : nullptr;
}

void CFSetGetValues(CFSetRef theSet, const void** values) {
    const CFCountedValues* set = countedCast(theSet, kCFTypeIDSet, false);
    if (!set || !values)
        return;
    for (std::size_t i = 0; i < set->entries.size(); ++i)
        values[i] = set->entries[i].first;
}

void CFSetAddValue(CFMutableSetRef theSet, const void* value) {
    if (CFCountedValues* set = countedCast(theSet, kCFTypeIDSet, true))
        set->add(value);
}

void CFSetRemoveValue(CFMutableSetRef theSet, const void* value) {
    if (CFCountedValues* set = countedCast(theSet, kCFTypeIDSet, true))
        set->remove(value);
}

CFTypeID CFBagGetTypeID() {
    return kCFTypeIDBag;
}

CFBagRef CFBagCreate(CFAllocatorRef, const void** values, CFIndex numValues,
                     const CFBagCallBacks* callBacks) {
    if (numValues < 0 || (!values && numValues > 0))
        return nullptr;
    auto* bag = new __CFBag(callBacks, false);
    for (CFIndex i = 0; i < numValues; ++i)
        bag->add(values[i]);
    return bag;
}

CFMutableBagRef CFBagCreateMutable(CFAllocatorRef, CFIndex, const CFBagCallBacks* callBacks) {
    return new __CFBag(callBacks, true);
}

CFIndex CFBagGetCount(CFBagRef theBag) {
    const CFCountedValues* bag = countedCast(theBag, kCFTypeIDBag, false);
    return bag ? bag->count() : 0;
}

CFIndex CFBagGetCountOfValue(CFBagRef theBag, const void* value) {
    const CFCountedValues* bag = countedCast(theBag, kCFTypeIDBag, false);
    const std::ptrdiff_t at = bag ? bag->find(value) : -1;
    return at >= 0 ? bag->entries[std::size_t(at)].second : 0;
}

Boolean CFBagContainsValue(CFBagRef theBag, const void* value) {
    return CFBagGetCountOfValue(theBag, value) > 0;
}

void CFBagAddValue(CFMutableBagRef theBag, const void* value) {
    if (CFCountedValues* bag = countedCast(theBag, kCFTypeIDBag, true))
        bag->add(value);
}

void CFBagRemoveValue(CFMutableBagRef theBag, const void* value) {
    if (CFCountedValues* bag = countedCast(theBag, kCFTypeIDBag, true))
        bag->remove(value);
}
