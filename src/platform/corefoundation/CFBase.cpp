#include "platform/corefoundation/CFInternal.h"

#include <cstdio>

struct __CFAllocator {
    const char* name;
};

namespace {
const __CFAllocator sDefaultAllocator{"default"};
const __CFAllocator sMallocAllocator{"malloc"};
const __CFAllocator sNullAllocator{"null"};
} // namespace

const CFAllocatorRef kCFAllocatorDefault = nullptr;
const CFAllocatorRef kCFAllocatorSystemDefault = &sDefaultAllocator;
const CFAllocatorRef kCFAllocatorMalloc = &sMallocAllocator;
const CFAllocatorRef kCFAllocatorNull = &sNullAllocator;

CFTypeRef CFRetain(CFTypeRef cf) {
    auto* object = const_cast<__CFType*>(static_cast<const __CFType*>(cf));
    if (object && !object->immortal)
        object->retainCount.fetch_add(1, std::memory_order_relaxed);
    return cf;
}

void CFRelease(CFTypeRef cf) {
    auto* object = const_cast<__CFType*>(static_cast<const __CFType*>(cf));
    if (!object || object->immortal)
        return;
    if (object->retainCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete object;
}

CFIndex CFGetRetainCount(CFTypeRef cf) {
    const auto* object = static_cast<const __CFType*>(cf);
    if (!object)
        return 0;
    return object->immortal ? CFIndex(0x7fffffff) : object->retainCount.load();
}

CFTypeID CFGetTypeID(CFTypeRef cf) {
    const auto* object = static_cast<const __CFType*>(cf);
    return object ? object->typeID : 0;
}

Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2) {
    if (cf1 == cf2)
        return true;
    const auto* a = static_cast<const __CFType*>(cf1);
    const auto* b = static_cast<const __CFType*>(cf2);
    if (!a || !b || a->typeID != b->typeID)
        return false;
    return a->equals(b);
}

CFHashCode CFHash(CFTypeRef cf) {
    const auto* object = static_cast<const __CFType*>(cf);
    return object ? object->hash() : 0;
}

CFStringRef CFCopyDescription(CFTypeRef cf) {
    const auto* object = static_cast<const __CFType*>(cf);
    return object ? CFStringCreateFromQString(object->describe(0)) : nullptr;
}

CFStringRef CFCopyTypeIDDescription(CFTypeID type_id) {
    static const char* const names[] = {nullptr,  "CFString", "CFNumber",     "CFBoolean",
                                        "CFData", "CFArray",  "CFDictionary", "CFSet",
                                        "CFBag",  "CFURL",    "CFBundle",     "CFDate"};
    if (type_id == 0 || type_id > kCFTypeIDLast)
        return nullptr;
    return CFStringCreateFromQString(QString::fromLatin1(names[type_id]));
}

void CFShow(CFTypeRef obj) {
    const QString text =
        obj ? static_cast<const __CFType*>(obj)->describe(0) : QStringLiteral("(null)");
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

QString CFIndentText(int indent) {
    return QString(indent * 4, QLatin1Char(' '));
}

QString CFDescribeMember(CFTypeRef cf, int indent) {
    const auto* object = static_cast<const __CFType*>(cf);
    return object ? object->describeAsMember(indent) : QStringLiteral("(null)");
}
