#include "platform/corefoundation/CFCollectionValues.h"

#include "platform/corefoundation/CFSet.h"

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

} // namespace

namespace CFCollectionsInternal {

QString ValueOps::describe(const void* value, int indent) const {
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

} // namespace CFCollectionsInternal

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
