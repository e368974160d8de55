#pragma once

// The objects behind Core Foundation references. Only the stand-in's own files include this.

#include "platform/corefoundation/CFBase.h"
#include "platform/corefoundation/CFString.h"

#include <QString>

#include <atomic>

enum : CFTypeID {
    kCFTypeIDString = 1,
    kCFTypeIDNumber,
    kCFTypeIDBoolean,
    kCFTypeIDData,
    kCFTypeIDArray,
    kCFTypeIDDictionary,
    kCFTypeIDSet,
    kCFTypeIDBag,
    kCFTypeIDURL,
    kCFTypeIDBundle,
    kCFTypeIDDate,
    kCFTypeIDLast = kCFTypeIDDate,
};

struct __CFType {
    explicit __CFType(CFTypeID id) : typeID(id) {}
    virtual ~__CFType() = default;
    __CFType(const __CFType&) = delete;
    __CFType& operator=(const __CFType&) = delete;

    virtual bool equals(const __CFType* other) const { return this == other; }
    virtual CFHashCode hash() const { return CFHashCode(reinterpret_cast<std::uintptr_t>(this)); }
    // Text of the object on its own; `indent` is the nesting level inside collections.
    virtual QString describe(int indent) const = 0;
    // How the object appears as a member of a collection.
    virtual QString describeAsMember(int indent) const { return describe(indent); }

    const CFTypeID typeID;
    std::atomic<CFIndex> retainCount{1};
    bool immortal = false;
};

struct __CFString final : __CFType {
    explicit __CFString(QString text = {}, bool isMutable = false)
        : __CFType(kCFTypeIDString), value(std::move(text)), mutableString(isMutable) {}
    bool equals(const __CFType* other) const override;
    CFHashCode hash() const override;
    QString describe(int) const override { return value; }
    QString describeAsMember(int) const override;

    QString value;
    bool mutableString;
};

// The object behind a reference, or null when the reference is null or of another type.
template <class T>
const T* CFCast(CFTypeRef cf, CFTypeID id) {
    const auto* object = static_cast<const __CFType*>(cf);
    return object && object->typeID == id ? static_cast<const T*>(object) : nullptr;
}

inline const __CFString* CFStringCast(CFTypeRef cf) {
    return CFCast<__CFString>(cf, kCFTypeIDString);
}

// A new string holding text (count 1).
CFStringRef CFStringCreateFromQString(const QString& text);
// The text of a string reference; empty for null or another type.
QString CFStringToQString(CFStringRef string);
// Description of any reference as a member of a collection; "(null)" for null.
QString CFDescribeMember(CFTypeRef cf, int indent);
QString CFIndentText(int indent);

// The encodings: decoding bytes into UTF-16 and encoding UTF-16 into bytes. encodeText with
// lossByte 0 fails on the first character the encoding cannot hold.
bool CFDecodeBytes(const UInt8* bytes, std::size_t count, CFStringEncoding encoding, QString& out);
bool CFEncodeText(const QString& text, CFStringEncoding encoding, UInt8 lossByte, std::string& out);
