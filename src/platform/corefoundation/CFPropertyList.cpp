#include "platform/corefoundation/CFPropertyList.h"

#include "platform/corefoundation/CFData.h"
#include "platform/corefoundation/CFDictionary.h"
#include "platform/corefoundation/CFInternal.h"
#include "platform/corefoundation/CFNumber.h"

#include <QByteArray>
#include <QDateTime>
#include <QXmlStreamReader>

#include <cmath>

namespace {

// Nesting deeper than this is refused, so hostile input cannot exhaust the stack.
constexpr int kMaxDepth = 512;

class Parser {
public:
    Parser(const QByteArray& xml, CFOptionFlags mutability)
        : mReader(xml), mMutability(mutability) {}

    CFPropertyListRef parse() {
        CFPropertyListRef result = nullptr;
        while (!mReader.atEnd()) {
            const QXmlStreamReader::TokenType token = mReader.readNext();
            if (token != QXmlStreamReader::StartElement)
                continue;
            if (mReader.name() == QLatin1String("plist")) {
                if (!nextElement()) {
                    fail(QStringLiteral("Encountered empty plist tag"));
                    return nullptr;
                }
            }
            result = parseValue(0);
            break;
        }
        if (mReader.hasError() || !mError.isEmpty()) {
            CFRelease(result);
            if (mError.isEmpty())
                mError = mReader.errorString();
            return nullptr;
        }
        if (!result)
            fail(QStringLiteral("No property list value found"));
        return result;
    }

    QString error() const {
        return QStringLiteral("%1 (line %2)").arg(mError).arg(mReader.lineNumber());
    }

private:
    void fail(const QString& message) {
        if (mError.isEmpty())
            mError = message;
    }

    // Moves to the next start element inside the current element; false at its end.
    bool nextElement() {
        while (!mReader.atEnd()) {
            const QXmlStreamReader::TokenType token = mReader.readNext();
            if (token == QXmlStreamReader::StartElement)
                return true;
            if (token == QXmlStreamReader::EndElement)
                return false;
            if (token == QXmlStreamReader::Characters && !mReader.isWhitespace()) {
                fail(QStringLiteral("Unexpected text between elements"));
                return false;
            }
        }
        return false;
    }

    QString text() { return mReader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement); }

    // Parses the value whose start element is the current token.
    CFPropertyListRef parseValue(int depth) {
        if (depth > kMaxDepth) {
            fail(QStringLiteral("Property list nested too deeply"));
            return nullptr;
        }
        const QStringView name = mReader.name();
        if (name == QLatin1String("dict"))
            return parseDictionary(depth);
        if (name == QLatin1String("array"))
            return parseArray(depth);
        if (name == QLatin1String("string")) {
            const QString value = text();
            if (mMutability == kCFPropertyListMutableContainersAndLeaves) {
                CFMutableStringRef string = CFStringCreateMutable(nullptr, 0);
                string->value = value;
                return string;
            }
            return CFStringCreateFromQString(value);
        }
        if (name == QLatin1String("integer"))
            return parseInteger(text().trimmed());
        if (name == QLatin1String("real"))
            return parseReal(text().trimmed());
        if (name == QLatin1String("true") || name == QLatin1String("false")) {
            const bool value = name == QLatin1String("true");
            if (!text().isEmpty())
                fail(QStringLiteral("Boolean element with content"));
            return value ? kCFBooleanTrue : kCFBooleanFalse;
        }
        if (name == QLatin1String("data"))
            return parseData(text());
        if (name == QLatin1String("date"))
            return parseDate(text().trimmed());
        fail(QStringLiteral("Unknown element <%1>").arg(name));
        return nullptr;
    }

    CFPropertyListRef parseDictionary(int depth) {
        CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
            nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
        while (nextElement()) {
            if (mReader.name() != QLatin1String("key")) {
                fail(
                    QStringLiteral("Expected <key> in dictionary, found <%1>").arg(mReader.name()));
                break;
            }
            CFStringRef key = CFStringCreateFromQString(text());
            if (!nextElement()) {
                fail(QStringLiteral("Dictionary key without a value"));
                CFRelease(key);
                break;
            }
            CFPropertyListRef value = parseValue(depth + 1);
            if (value)
                CFDictionarySetValue(dict, key, value);
            CFRelease(key);
            CFRelease(value);
            if (!value)
                break;
        }
        return finishContainer(dict);
    }

    CFPropertyListRef parseArray(int depth) {
        CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
        while (nextElement()) {
            CFPropertyListRef value = parseValue(depth + 1);
            if (!value)
                break;
            CFArrayAppendValue(array, value);
            CFRelease(value);
        }
        return finishContainer(array);
    }

    CFPropertyListRef finishContainer(CFTypeRef container) {
        if (!mError.isEmpty() || mReader.hasError()) {
            CFRelease(container);
            return nullptr;
        }
        if (mMutability != kCFPropertyListImmutable)
            return container;
        CFTypeRef copy = CFGetTypeID(container) == kCFTypeIDArray
                             ? static_cast<CFTypeRef>(
                                   CFArrayCreateCopy(nullptr, static_cast<CFArrayRef>(container)))
                             : static_cast<CFTypeRef>(CFDictionaryCreateCopy(
                                   nullptr, static_cast<CFDictionaryRef>(container)));
        CFRelease(container);
        return copy;
    }

    CFPropertyListRef parseInteger(const QString& value) {
        bool ok = false;
        qlonglong integer = 0;
        if (value.startsWith(QLatin1String("0x")) || value.startsWith(QLatin1String("-0x"))) {
            const bool negative = value.startsWith(QLatin1Char('-'));
            integer = value.mid(negative ? 3 : 2).toLongLong(&ok, 16);
            if (negative)
                integer = -integer;
        } else {
            integer = value.toLongLong(&ok, 10);
            if (!ok) {
                // Values above the signed range are kept as their 64-bit pattern.
                const qulonglong unsignedValue = value.toULongLong(&ok, 10);
                integer = qlonglong(unsignedValue);
            }
        }
        if (!ok) {
            fail(QStringLiteral("Invalid integer \"%1\"").arg(value));
            return nullptr;
        }
        const SInt64 stored = integer;
        return CFNumberCreate(nullptr, kCFNumberSInt64Type, &stored);
    }

    CFPropertyListRef parseReal(const QString& value) {
        bool ok = false;
        double real = value.toDouble(&ok);
        if (!ok) {
            const QString lower = value.toLower();
            if (lower == QLatin1String("nan")) {
                real = std::nan("");
                ok = true;
            } else if (lower == QLatin1String("inf") || lower == QLatin1String("+infinity") ||
                       lower == QLatin1String("infinity")) {
                real = HUGE_VAL;
                ok = true;
            } else if (lower == QLatin1String("-inf") || lower == QLatin1String("-infinity")) {
                real = -HUGE_VAL;
                ok = true;
            }
        }
        if (!ok) {
            fail(QStringLiteral("Invalid real \"%1\"").arg(value));
            return nullptr;
        }
        return CFNumberCreate(nullptr, kCFNumberFloat64Type, &real);
    }

    CFPropertyListRef parseData(const QString& value) {
        QByteArray compact = value.toLatin1();
        compact.replace(' ', "").replace('\n', "").replace('\t', "").replace('\r', "");
        const auto decoded =
            QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) {
            fail(QStringLiteral("Invalid base64 data"));
            return nullptr;
        }
        if (mMutability == kCFPropertyListMutableContainersAndLeaves) {
            CFMutableDataRef data = CFDataCreateMutable(nullptr, 0);
            CFDataAppendBytes(data, reinterpret_cast<const UInt8*>(decoded.decoded.constData()),
                              decoded.decoded.size());
            return data;
        }
        return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(decoded.decoded.constData()),
                            decoded.decoded.size());
    }

    CFPropertyListRef parseDate(const QString& value) {
        const QDateTime when = QDateTime::fromString(value, Qt::ISODate);
        if (!when.isValid()) {
            fail(QStringLiteral("Invalid date \"%1\"").arg(value));
            return nullptr;
        }
        return CFDateCreate(nullptr, double(when.toMSecsSinceEpoch()) / 1000.0 -
                                         kCFAbsoluteTimeIntervalSince1970);
    }

    QXmlStreamReader mReader;
    CFOptionFlags mMutability;
    QString mError;
};

QString escaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        if (ch == QLatin1Char('&'))
            out += QStringLiteral("&amp;");
        else if (ch == QLatin1Char('<'))
            out += QStringLiteral("&lt;");
        else if (ch == QLatin1Char('>'))
            out += QStringLiteral("&gt;");
        else
            out += ch;
    }
    return out;
}

bool writeValue(CFTypeRef value, int depth, QString& out) {
    const QString tabs(depth, QLatin1Char('\t'));
    switch (CFGetTypeID(value)) {
    case kCFTypeIDString:
        out += tabs + QStringLiteral("<string>") +
               escaped(CFStringToQString(static_cast<CFStringRef>(value))) +
               QStringLiteral("</string>\n");
        return true;
    case kCFTypeIDBoolean:
        out += tabs + (CFBooleanGetValue(static_cast<CFBooleanRef>(value))
                           ? QStringLiteral("<true/>\n")
                           : QStringLiteral("<false/>\n"));
        return true;
    case kCFTypeIDNumber: {
        auto number = static_cast<CFNumberRef>(value);
        if (CFNumberIsFloatType(number)) {
            double real = 0;
            CFNumberGetValue(number, kCFNumberFloat64Type, &real);
            out += tabs + QStringLiteral("<real>") +
                   QString::number(real, 'g', QLocale::FloatingPointShortest) +
                   QStringLiteral("</real>\n");
        } else {
            SInt64 integer = 0;
            CFNumberGetValue(number, kCFNumberSInt64Type, &integer);
            out += tabs + QStringLiteral("<integer>") + QString::number(integer) +
                   QStringLiteral("</integer>\n");
        }
        return true;
    }
    case kCFTypeIDData: {
        auto data = static_cast<CFDataRef>(value);
        const QByteArray bytes(reinterpret_cast<const char*>(CFDataGetBytePtr(data)),
                               qsizetype(CFDataGetLength(data)));
        out += tabs + QStringLiteral("<data>") + QString::fromLatin1(bytes.toBase64()) +
               QStringLiteral("</data>\n");
        return true;
    }
    case kCFTypeIDDate: {
        const double seconds =
            CFDateGetAbsoluteTime(static_cast<CFDateRef>(value)) + kCFAbsoluteTimeIntervalSince1970;
        out += tabs + QStringLiteral("<date>") +
               QDateTime::fromSecsSinceEpoch(qint64(std::floor(seconds)), Qt::UTC)
                   .toString(Qt::ISODate) +
               QStringLiteral("</date>\n");
        return true;
    }
    case kCFTypeIDArray: {
        auto array = static_cast<CFArrayRef>(value);
        const CFIndex count = CFArrayGetCount(array);
        if (count == 0) {
            out += tabs + QStringLiteral("<array/>\n");
            return true;
        }
        out += tabs + QStringLiteral("<array>\n");
        for (CFIndex i = 0; i < count; ++i)
            if (!writeValue(CFArrayGetValueAtIndex(array, i), depth + 1, out))
                return false;
        out += tabs + QStringLiteral("</array>\n");
        return true;
    }
    case kCFTypeIDDictionary: {
        auto dict = static_cast<CFDictionaryRef>(value);
        const CFIndex count = CFDictionaryGetCount(dict);
        if (count == 0) {
            out += tabs + QStringLiteral("<dict/>\n");
            return true;
        }
        std::vector<const void*> keys(static_cast<std::size_t>(count));
        std::vector<const void*> values(static_cast<std::size_t>(count));
        CFDictionaryGetKeysAndValues(dict, keys.data(), values.data());
        out += tabs + QStringLiteral("<dict>\n");
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (CFGetTypeID(keys[i]) != kCFTypeIDString)
                return false;
            out += tabs + QStringLiteral("\t<key>") +
                   escaped(CFStringToQString(static_cast<CFStringRef>(keys[i]))) +
                   QStringLiteral("</key>\n");
            if (!writeValue(values[i], depth + 1, out))
                return false;
        }
        out += tabs + QStringLiteral("</dict>\n");
        return true;
    }
    default:
        return false;
    }
}

} // namespace

CFPropertyListRef CFPropertyListCreateFromXMLData(CFAllocatorRef, CFDataRef xmlData,
                                                  CFOptionFlags mutabilityOption,
                                                  CFStringRef* errorString) {
    if (errorString)
        *errorString = nullptr;
    if (CFGetTypeID(xmlData) != kCFTypeIDData) {
        if (errorString)
            *errorString = CFStringCreateFromQString(QStringLiteral("No XML data"));
        return nullptr;
    }
    // The parser reads the caller's bytes in place.
    const QByteArray xml =
        QByteArray::fromRawData(reinterpret_cast<const char*>(CFDataGetBytePtr(xmlData)),
                                qsizetype(CFDataGetLength(xmlData)));
    Parser parser(xml, mutabilityOption);
    CFPropertyListRef result = parser.parse();
    if (!result && errorString)
        *errorString = CFStringCreateFromQString(parser.error());
    return result;
}

CFDataRef CFPropertyListCreateXMLData(CFAllocatorRef, CFPropertyListRef propertyList) {
    QString out = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                 "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                                 "<plist version=\"1.0\">\n");
    if (!propertyList || !writeValue(propertyList, 0, out))
        return nullptr;
    out += QStringLiteral("</plist>\n");
    const QByteArray bytes = out.toUtf8();
    return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.constData()), bytes.size());
}

Boolean CFPropertyListIsValid(CFPropertyListRef plist, CFPropertyListFormat format) {
    if (format != kCFPropertyListXMLFormat_v1_0 || !plist)
        return false;
    QString ignored;
    return writeValue(plist, 0, ignored);
}
