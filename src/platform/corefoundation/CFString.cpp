#include "platform/corefoundation/CFString.h"

#include "platform/corefoundation/CFInternal.h"

#include <QHash>

#include <cstring>
#include <map>
#include <mutex>
#include <string>

bool __CFString::equals(const __CFType* other) const {
    return value == static_cast<const __CFString*>(other)->value;
}

CFHashCode __CFString::hash() const {
    return CFHashCode(qHash(value));
}

QString __CFString::describeAsMember(int) const {
    bool plain = !value.isEmpty();
    for (const QChar ch : value)
        if (!(ch.isLetterOrNumber() || ch == QLatin1Char('_') || ch == QLatin1Char('.') ||
              ch == QLatin1Char('/') || ch == QLatin1Char('$') || ch == QLatin1Char(':')))
            plain = false;
    if (plain)
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    quoted.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

CFStringRef CFStringCreateFromQString(const QString& text) {
    return new __CFString(text);
}

QString CFStringToQString(CFStringRef string) {
    const __CFString* object = CFStringCast(string);
    return object ? object->value : QString();
}

CFTypeID CFStringGetTypeID() {
    return kCFTypeIDString;
}

CFStringRef __CFStringMakeConstantString(const char* cStr) {
    static std::mutex mutex;
    static std::map<std::string, __CFString*>* table = new std::map<std::string, __CFString*>;
    if (!cStr)
        return nullptr;
    std::lock_guard<std::mutex> lock(mutex);
    auto& entry = (*table)[cStr];
    if (!entry) {
        entry = new __CFString(QString::fromUtf8(cStr));
        entry->immortal = true;
    }
    return entry;
}

namespace {

CFStringRef createDecoded(const UInt8* bytes, std::size_t count, CFStringEncoding encoding) {
    QString text;
    if (!CFDecodeBytes(bytes, count, encoding, text))
        return nullptr;
    return CFStringCreateFromQString(text);
}

} // namespace

CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* cStr, CFStringEncoding encoding) {
    if (!cStr)
        return nullptr;
    // The text ends at the first zero byte whatever the encoding, and nothing after it is read:
    // in UTF-16 an odd byte count then fails the conversion.
    return createDecoded(reinterpret_cast<const UInt8*>(cStr), std::strlen(cStr), encoding);
}

CFStringRef CFStringCreateWithPascalString(CFAllocatorRef, ConstStr255Param pStr,
                                           CFStringEncoding encoding) {
    if (!pStr)
        return nullptr;
    return createDecoded(pStr + 1, pStr[0], encoding);
}

CFStringRef CFStringCreateWithCharacters(CFAllocatorRef, const UniChar* chars, CFIndex numChars) {
    if (numChars < 0 || (!chars && numChars > 0))
        return nullptr;
    return CFStringCreateFromQString(
        numChars ? QString(reinterpret_cast<const QChar*>(chars), qsizetype(numChars)) : QString());
}

CFStringRef CFStringCreateWithBytes(CFAllocatorRef, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean) {
    if (numBytes < 0 || (!bytes && numBytes > 0))
        return nullptr;
    return createDecoded(bytes, std::size_t(numBytes), encoding);
}

CFStringRef CFStringCreateCopy(CFAllocatorRef, CFStringRef theString) {
    const __CFString* object = CFStringCast(theString);
    if (!object)
        return nullptr;
    if (object->immortal || !object->mutableString)
        return static_cast<CFStringRef>(CFRetain(object));
    return CFStringCreateFromQString(object->value);
}

CFMutableStringRef CFStringCreateMutable(CFAllocatorRef, CFIndex) {
    return new __CFString(QString(), true);
}

CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef, CFIndex, CFStringRef theString) {
    return new __CFString(CFStringToQString(theString), true);
}

void CFStringAppend(CFMutableStringRef theString, CFStringRef appendedString) {
    if (theString && theString->typeID == kCFTypeIDString && theString->mutableString)
        theString->value += CFStringToQString(appendedString);
}

void CFStringAppendCString(CFMutableStringRef theString, const char* cStr,
                           CFStringEncoding encoding) {
    CFStringRef appended = CFStringCreateWithCString(nullptr, cStr, encoding);
    if (!appended)
        return;
    CFStringAppend(theString, appended);
    CFRelease(appended);
}

CFIndex CFStringGetLength(CFStringRef theString) {
    const __CFString* object = CFStringCast(theString);
    return object ? CFIndex(object->value.size()) : 0;
}

UniChar CFStringGetCharacterAtIndex(CFStringRef theString, CFIndex idx) {
    const __CFString* object = CFStringCast(theString);
    if (!object || idx < 0 || idx >= object->value.size())
        return 0;
    return object->value[qsizetype(idx)].unicode();
}

void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer) {
    const __CFString* object = CFStringCast(theString);
    if (!object || !buffer || range.location < 0 || range.length < 0 ||
        range.location + range.length > object->value.size())
        return;
    std::memcpy(buffer, object->value.utf16() + range.location,
                std::size_t(range.length) * sizeof(UniChar));
}

Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding) {
    const __CFString* object = CFStringCast(theString);
    if (!object || !buffer || bufferSize <= 0 || !CFStringIsEncodingAvailable(encoding))
        return false;
    std::string bytes;
    if (!CFEncodeText(object->value, encoding, 0, bytes))
        return false;
    if (CFIndex(bytes.size()) + 1 > bufferSize)
        return false;
    std::memcpy(buffer, bytes.data(), bytes.size());
    buffer[bytes.size()] = '\0';
    // A 16-bit text ends in a whole zero unit when there is room for it.
    if (encoding == kCFStringEncodingUnicode && CFIndex(bytes.size()) + 2 <= bufferSize)
        buffer[bytes.size() + 1] = '\0';
    return true;
}

const char* CFStringGetCStringPtr(CFStringRef, CFStringEncoding) {
    return nullptr;
}

Boolean CFStringGetPascalString(CFStringRef theString, StringPtr buffer, CFIndex bufferSize,
                                CFStringEncoding encoding) {
    const __CFString* object = CFStringCast(theString);
    if (!object || !buffer || bufferSize <= 0 || !CFStringIsEncodingAvailable(encoding))
        return false;
    std::string bytes;
    if (!CFEncodeText(object->value, encoding, 0, bytes))
        return false;
    if (bytes.size() > 255 || CFIndex(bytes.size()) + 1 > bufferSize)
        return false;
    buffer[0] = UInt8(bytes.size());
    std::memcpy(buffer + 1, bytes.data(), bytes.size());
    return true;
}

CFIndex CFStringGetBytes(CFStringRef theString, CFRange range, CFStringEncoding encoding,
                         UInt8 lossByte, Boolean, UInt8* buffer, CFIndex maxBufLen,
                         CFIndex* usedBufLen) {
    if (usedBufLen)
        *usedBufLen = 0;
    const __CFString* object = CFStringCast(theString);
    if (!object || range.location < 0 || range.length < 0 ||
        range.location + range.length > object->value.size() ||
        !CFStringIsEncodingAvailable(encoding))
        return 0;
    CFIndex converted = 0;
    CFIndex used = 0;
    const QString part = object->value.mid(qsizetype(range.location), qsizetype(range.length));
    for (qsizetype i = 0; i < part.size();) {
        // A surrogate pair is converted as one character.
        const qsizetype units =
            (part[i].isHighSurrogate() && i + 1 < part.size() && part[i + 1].isLowSurrogate()) ? 2
                                                                                               : 1;
        std::string bytes;
        if (!CFEncodeText(part.mid(i, units), encoding, lossByte, bytes))
            break;
        if (buffer && used + CFIndex(bytes.size()) > maxBufLen)
            break;
        if (buffer)
            std::memcpy(buffer + used, bytes.data(), bytes.size());
        used += CFIndex(bytes.size());
        converted += units;
        i += units;
    }
    if (usedBufLen)
        *usedBufLen = used;
    return converted;
}

CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding) {
    if (!CFStringIsEncodingAvailable(encoding) || length < 0)
        return kCFNotFound;
    switch (encoding) {
    case kCFStringEncodingUTF8:
        return length * 3;
    case kCFStringEncodingUnicode:
        return length * 2;
    case kCFStringEncodingNonLossyASCII:
        return length * 6;
    default:
        return length;
    }
}

Boolean CFStringIsEncodingAvailable(CFStringEncoding encoding) {
    switch (encoding) {
    case kCFStringEncodingUTF8:
    case kCFStringEncodingUnicode:
    case kCFStringEncodingMacRoman:
    case kCFStringEncodingWindowsLatin1:
    case kCFStringEncodingISOLatin1:
    case kCFStringEncodingASCII:
    case kCFStringEncodingNextStepLatin:
    case kCFStringEncodingNonLossyASCII:
        return true;
    default:
        return false;
    }
}

CFStringEncoding CFStringGetSystemEncoding() {
    return kCFStringEncodingUTF8;
}

CFStringEncoding CFStringGetFastestEncoding(CFStringRef) {
    return kCFStringEncodingUnicode;
}

CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFStringCompareFlags compareOptions) {
    const __CFString* a = CFStringCast(theString1);
    const __CFString* b = CFStringCast(theString2);
    if (!a || !b)
        return !a && !b ? kCFCompareEqualTo : (!a ? kCFCompareLessThan : kCFCompareGreaterThan);
    const int order = QString::compare(
        a->value, b->value,
        (compareOptions & kCFCompareCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return order < 0 ? kCFCompareLessThan : (order > 0 ? kCFCompareGreaterThan : kCFCompareEqualTo);
}

Boolean CFStringHasPrefix(CFStringRef theString, CFStringRef prefix) {
    const __CFString* a = CFStringCast(theString);
    const __CFString* b = CFStringCast(prefix);
    return a && b && a->value.startsWith(b->value);
}

Boolean CFStringHasSuffix(CFStringRef theString, CFStringRef suffix) {
    const __CFString* a = CFStringCast(theString);
    const __CFString* b = CFStringCast(suffix);
    return a && b && a->value.endsWith(b->value);
}
