#include "platform/corefoundation/CFData.h"

#include "platform/corefoundation/CFInternal.h"

#include <QByteArray>
#include <QHashFunctions>

#include <cstdlib>
#include <cstring>
#include <vector>

struct __CFData final : __CFType {
    __CFData() : __CFType(kCFTypeIDData) {}
    ~__CFData() override {
        if (external && freeExternal)
            std::free(const_cast<UInt8*>(external));
    }
    const UInt8* bytes() const { return external ? external : owned.data(); }
    CFIndex length() const { return external ? externalLength : CFIndex(owned.size()); }

    bool equals(const __CFType* other) const override {
        const auto* data = static_cast<const __CFData*>(other);
        return length() == data->length() &&
               (length() == 0 || std::memcmp(bytes(), data->bytes(), std::size_t(length())) == 0);
    }
    CFHashCode hash() const override {
        return CFHashCode(qHashBits(bytes(), std::size_t(length())));
    }
    QString describe(int) const override {
        QString text = QStringLiteral("<");
        for (CFIndex i = 0; i < length(); ++i) {
            if (i > 0 && i % 4 == 0)
                text += QLatin1Char(' ');
            text += QStringLiteral("%1").arg(bytes()[i], 2, 16, QLatin1Char('0'));
        }
        return text + QLatin1Char('>');
    }

    std::vector<UInt8> owned;
    const UInt8* external = nullptr;
    CFIndex externalLength = 0;
    bool freeExternal = false;
    bool mutableData = false;
};

namespace {
__CFData* dataCast(CFTypeRef cf) {
    return const_cast<__CFData*>(CFCast<__CFData>(cf, kCFTypeIDData));
}
} // namespace

CFTypeID CFDataGetTypeID() {
    return kCFTypeIDData;
}

CFDataRef CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length) {
    if (length < 0 || (!bytes && length > 0))
        return nullptr;
    auto* data = new __CFData;
    data->owned.assign(bytes, bytes + length);
    return data;
}

CFDataRef CFDataCreateWithBytesNoCopy(CFAllocatorRef, const UInt8* bytes, CFIndex length,
                                      CFAllocatorRef bytesDeallocator) {
    if (length < 0 || (!bytes && length > 0))
        return nullptr;
    auto* data = new __CFData;
    if (length == 0) {
        if (bytes && bytesDeallocator != kCFAllocatorNull)
            std::free(const_cast<UInt8*>(bytes));
        return data;
    }
    data->external = bytes;
    data->externalLength = length;
    data->freeExternal = bytesDeallocator != kCFAllocatorNull;
    return data;
}

CFDataRef CFDataCreateCopy(CFAllocatorRef, CFDataRef theData) {
    const auto* source = CFCast<__CFData>(theData, kCFTypeIDData);
    return source ? CFDataCreate(nullptr, source->bytes(), source->length()) : nullptr;
}

CFMutableDataRef CFDataCreateMutable(CFAllocatorRef, CFIndex capacity) {
    auto* data = new __CFData;
    data->mutableData = true;
    if (capacity > 0)
        data->owned.reserve(std::size_t(capacity));
    return data;
}

CFMutableDataRef CFDataCreateMutableCopy(CFAllocatorRef, CFIndex capacity, CFDataRef theData) {
    CFMutableDataRef data = CFDataCreateMutable(nullptr, capacity);
    const auto* source = CFCast<__CFData>(theData, kCFTypeIDData);
    if (source)
        data->owned.assign(source->bytes(), source->bytes() + source->length());
    return data;
}

CFIndex CFDataGetLength(CFDataRef theData) {
    const auto* data = CFCast<__CFData>(theData, kCFTypeIDData);
    return data ? data->length() : 0;
}

const UInt8* CFDataGetBytePtr(CFDataRef theData) {
    const auto* data = CFCast<__CFData>(theData, kCFTypeIDData);
    return data ? data->bytes() : nullptr;
}

UInt8* CFDataGetMutableBytePtr(CFMutableDataRef theData) {
    __CFData* data = dataCast(theData);
    return data && data->mutableData ? data->owned.data() : nullptr;
}

void CFDataGetBytes(CFDataRef theData, CFRange range, UInt8* buffer) {
    const auto* data = CFCast<__CFData>(theData, kCFTypeIDData);
    if (!data || !buffer || range.location < 0 || range.length < 0 ||
        range.location + range.length > data->length())
        return;
    if (range.length)
        std::memcpy(buffer, data->bytes() + range.location, std::size_t(range.length));
}

void CFDataAppendBytes(CFMutableDataRef theData, const UInt8* bytes, CFIndex length) {
    __CFData* data = dataCast(theData);
    if (!data || !data->mutableData || !bytes || length <= 0)
        return;
    data->owned.insert(data->owned.end(), bytes, bytes + length);
}

void CFDataSetLength(CFMutableDataRef theData, CFIndex length) {
    __CFData* data = dataCast(theData);
    if (data && data->mutableData && length >= 0)
        data->owned.resize(std::size_t(length), 0);
}
