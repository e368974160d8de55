#include "platform/corefoundation/CFCollectionValues.h"

#include <vector>

using CFCollectionsInternal::describeLines;
using CFCollectionsInternal::ValueOps;

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
