#include "platform/corefoundation/CFCollectionValues.h"
#include "platform/corefoundation/CFSet.h"

#include <utility>
#include <vector>

using CFCollectionsInternal::describeLines;
using CFCollectionsInternal::ValueOps;

// Sets and bags: values with a count each.

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
