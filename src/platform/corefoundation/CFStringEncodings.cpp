// Conversions between UTF-16 text and the byte encodings the stand-in offers. The single-byte
// tables of Mac Roman, Windows Latin 1 and ISO Latin 1 come from the C library's iconv;
// NextStep Latin, which iconv lacks, has its own table.
#include "platform/corefoundation/CFInternal.h"

#include <iconv.h>

#include <QStringDecoder>

#include <array>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

constexpr char16_t kUnmapped = 0xFFFF;

struct ByteTable {
    std::array<char16_t, 256> toUnicode{};
    std::unordered_map<char16_t, UInt8> fromUnicode;

    void buildReverse() {
        for (int byte = 255; byte >= 0; --byte)
            if (toUnicode[std::size_t(byte)] != kUnmapped)
                fromUnicode[toUnicode[std::size_t(byte)]] = UInt8(byte);
    }
};

// The upper half of NextStep Latin, bytes 0x80 to 0xFF; 0xFE and 0xFF are not defined.
constexpr char16_t kNextStepUpper[128] = {
    0x00A0, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4,    0x00C5,    0x00C7, 0x00C8, 0x00C9, 0x00CA,
    0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0,    0x00D1,    0x00D2, 0x00D3, 0x00D4, 0x00D5,
    0x00D6, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD,    0x00DE,    0x00B5, 0x00D7, 0x00F7, 0x00A9,
    0x00A1, 0x00A2, 0x00A3, 0x2044, 0x00A5, 0x0192,    0x00A7,    0x00A4, 0x2019, 0x201C, 0x00AB,
    0x2039, 0x203A, 0xFB01, 0xFB02, 0x00AE, 0x2013,    0x2020,    0x2021, 0x00B7, 0x00A6, 0x00B6,
    0x2022, 0x201A, 0x201E, 0x201D, 0x00BB, 0x2026,    0x2030,    0x00AC, 0x00BF, 0x00B9, 0x02CB,
    0x00B4, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9,    0x00A8,    0x00B2, 0x02DA, 0x00B8, 0x00B3,
    0x02DD, 0x02DB, 0x02C7, 0x2014, 0x00B1, 0x00BC,    0x00BD,    0x00BE, 0x00E0, 0x00E1, 0x00E2,
    0x00E3, 0x00E4, 0x00E5, 0x00E7, 0x00E8, 0x00E9,    0x00EA,    0x00EB, 0x00EC, 0x00C6, 0x00ED,
    0x00AA, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x0141,    0x00D8,    0x0152, 0x00BA, 0x00F2, 0x00F3,
    0x00F4, 0x00F5, 0x00F6, 0x00E6, 0x00F9, 0x00FA,    0x00FB,    0x0131, 0x00FC, 0x00FD, 0x0142,
    0x00F8, 0x0153, 0x00DF, 0x00FE, 0x00FF, kUnmapped, kUnmapped,
};

// Each byte decoded on its own by iconv; a byte iconv rejects stays unmapped.
ByteTable tableFromIconv(const char* charset) {
    ByteTable table;
    table.toUnicode.fill(kUnmapped);
    iconv_t cd = iconv_open("UTF-16LE", charset);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return table;
    for (int byte = 0; byte < 256; ++byte) {
        char in = char(byte);
        unsigned char out[8];
        char* inPtr = &in;
        std::size_t inLeft = 1;
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof(out);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != std::size_t(-1) && inLeft == 0 &&
            sizeof(out) - outLeft == 2)
            table.toUnicode[std::size_t(byte)] = char16_t(out[0] | (out[1] << 8));
    }
    iconv_close(cd);
    table.buildReverse();
    return table;
}

ByteTable nextStepTable() {
    ByteTable table;
    for (int byte = 0; byte < 128; ++byte)
        table.toUnicode[std::size_t(byte)] = char16_t(byte);
    for (int byte = 0; byte < 128; ++byte)
        table.toUnicode[std::size_t(byte + 128)] = kNextStepUpper[byte];
    table.buildReverse();
    return table;
}

ByteTable asciiTable() {
    ByteTable table;
    table.toUnicode.fill(kUnmapped);
    for (int byte = 0; byte < 128; ++byte)
        table.toUnicode[std::size_t(byte)] = char16_t(byte);
    table.buildReverse();
    return table;
}

const ByteTable* tableFor(CFStringEncoding encoding) {
    static std::once_flag once;
    static ByteTable macRoman, windowsLatin1, isoLatin1, ascii, nextStep;
    std::call_once(once, [] {
        macRoman = tableFromIconv("MACINTOSH");
        // The platform maps the Apple logo to the private-use U+F8FF; iconv picks another.
        macRoman.fromUnicode.erase(macRoman.toUnicode[0xF0]);
        macRoman.toUnicode[0xF0] = 0xF8FF;
        macRoman.fromUnicode[0xF8FF] = 0xF0;
        windowsLatin1 = tableFromIconv("CP1252");
        isoLatin1 = tableFromIconv("ISO-8859-1");
        ascii = asciiTable();
        nextStep = nextStepTable();
    });
    switch (encoding) {
    case kCFStringEncodingMacRoman:
        return &macRoman;
    case kCFStringEncodingWindowsLatin1:
        return &windowsLatin1;
    case kCFStringEncodingISOLatin1:
        return &isoLatin1;
    case kCFStringEncodingASCII:
        return &ascii;
    case kCFStringEncodingNextStepLatin:
        return &nextStep;
    default:
        return nullptr;
    }
}

bool validSurrogates(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit)) {
            if (i + 1 >= text.size() || !QChar::isLowSurrogate(text[i + 1].unicode()))
                return false;
            ++i;
        } else if (QChar::isLowSurrogate(unit)) {
            return false;
        }
    }
    return true;
}

int hexValue(UInt8 c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Non-lossy ASCII: ASCII as it is, a backslash as two, other units up to 0xFF as a backslash
// and three octal digits, the rest as "\u" and four hexadecimal digits.
bool decodeNonLossy(const UInt8* bytes, std::size_t count, QString& out) {
    for (std::size_t i = 0; i < count;) {
        const UInt8 c = bytes[i];
        if (c >= 0x80)
            return false;
        if (c != '\\') {
            out += QChar(char16_t(c));
            ++i;
            continue;
        }
        if (i + 1 < count && bytes[i + 1] == '\\') {
            out += QLatin1Char('\\');
            i += 2;
        } else if (i + 5 < count && bytes[i + 1] == 'u') {
            int value = 0;
            for (std::size_t k = 2; k < 6; ++k) {
                const int digit = hexValue(bytes[i + k]);
                if (digit < 0)
                    return false;
                value = value * 16 + digit;
            }
            out += QChar(char16_t(value));
            i += 6;
        } else if (i + 3 < count && bytes[i + 1] >= '0' && bytes[i + 1] <= '3' &&
                   bytes[i + 2] >= '0' && bytes[i + 2] <= '7' && bytes[i + 3] >= '0' &&
                   bytes[i + 3] <= '7') {
            out += QChar(char16_t((bytes[i + 1] - '0') * 64 + (bytes[i + 2] - '0') * 8 +
                                  (bytes[i + 3] - '0')));
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

void encodeNonLossy(const QString& text, std::string& out) {
    static const char digits[] = "0123456789abcdef";
    for (const QChar ch : text) {
        const char16_t unit = ch.unicode();
        if (unit == '\\') {
            out += "\\\\";
        } else if (unit < 0x80) {
            out += char(unit);
        } else if (unit < 0x100) {
            out += '\\';
            out += char('0' + ((unit >> 6) & 7));
            out += char('0' + ((unit >> 3) & 7));
            out += char('0' + (unit & 7));
        } else {
            out += "\\u";
            out += digits[(unit >> 12) & 15];
            out += digits[(unit >> 8) & 15];
            out += digits[(unit >> 4) & 15];
            out += digits[unit & 15];
        }
    }
}

} // namespace

bool CFDecodeBytes(const UInt8* bytes, std::size_t count, CFStringEncoding encoding, QString& out) {
    out.clear();
    if (!bytes && count)
        return false;
    if (encoding == kCFStringEncodingUTF8) {
        // A leading U+FEFF is text like any other: UTF-8 has no byte order to mark, and dropping
        // it would lose a character that converting back writes out.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless |
                                                         QStringConverter::Flag::ConvertInitialBom);
        out =
            decoder.decode(QByteArrayView(reinterpret_cast<const char*>(bytes), qsizetype(count)));
        return !decoder.hasError();
    }
    if (encoding == kCFStringEncodingUnicode) {
        if (count % 2)
            return false;
        std::size_t first = 0;
        bool swap = false;
        if (count >= 2) {
            char16_t mark;
            std::memcpy(&mark, bytes, 2);
            if (mark == 0xFEFF)
                first = 2;
            else if (mark == 0xFFFE) {
                first = 2;
                swap = true;
            }
        }
        out.reserve(qsizetype((count - first) / 2));
        for (std::size_t i = first; i < count; i += 2) {
            char16_t unit;
            std::memcpy(&unit, bytes + i, 2);
            if (swap)
                unit = char16_t((unit >> 8) | (unit << 8));
            out += QChar(unit);
        }
        return true;
    }
    if (encoding == kCFStringEncodingNonLossyASCII)
        return decodeNonLossy(bytes, count, out);
    const ByteTable* table = tableFor(encoding);
    if (!table)
        return false;
    out.reserve(qsizetype(count));
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t unit = table->toUnicode[bytes[i]];
        if (unit == kUnmapped) {
            out.clear();
            return false;
        }
        out += QChar(unit);
    }
    return true;
}

bool CFEncodeText(const QString& text, CFStringEncoding encoding, UInt8 lossByte,
                  std::string& out) {
    out.clear();
    if (encoding == kCFStringEncodingUTF8) {
        if (!validSurrogates(text)) {
            if (!lossByte)
                return false;
            QString repaired;
            for (qsizetype i = 0; i < text.size(); ++i) {
                const char16_t unit = text[i].unicode();
                if (QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
                    QChar::isLowSurrogate(text[i + 1].unicode())) {
                    repaired += text[i];
                    repaired += text[++i];
                } else if (QChar::isSurrogate(unit)) {
                    repaired += QChar(char16_t(lossByte));
                } else {
                    repaired += text[i];
                }
            }
            out = repaired.toStdString();
            return true;
        }
        out = text.toStdString();
        return true;
    }
    if (encoding == kCFStringEncodingUnicode) {
        out.resize(std::size_t(text.size()) * 2);
        if (!text.isEmpty())
            std::memcpy(out.data(), text.utf16(), out.size());
        return true;
    }
    if (encoding == kCFStringEncodingNonLossyASCII) {
        encodeNonLossy(text, out);
        return true;
    }
    const ByteTable* table = tableFor(encoding);
    if (!table)
        return false;
    out.reserve(std::size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        const auto found = table->fromUnicode.find(unit);
        if (found != table->fromUnicode.end()) {
            out += char(found->second);
            continue;
        }
        if (!lossByte) {
            out.clear();
            return false;
        }
        out += char(lossByte);
        // One replacement for a whole surrogate pair.
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode()))
            ++i;
    }
    return true;
}
