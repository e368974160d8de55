#include "platform/foundation/NSURLBookmarkData.h"

#include "platform/foundation/NSError.h"
#include "platform/foundation/NSSecurityScopedAccess.h"
#include "platform/foundation/NSURL.h"
#include "platform/foundation/NSURLBookmarkKey.h"

#include <QFile>
#include <QMessageAuthenticationCode>
#include <QtEndian>

#include <sys/stat.h>

#include <cstring>

namespace {

constexpr char kMagic[4] = {'L', 'R', 'b', 'k'};
constexpr qsizetype kHeaderSize = 32;
constexpr qsizetype kDigestSize = 32;
constexpr std::uint8_t kFlagSecurityScoped = 1;
constexpr std::uint8_t kFlagReadOnlyScope = 2;
constexpr std::uint8_t kFlagDirectory = 4;
constexpr std::uint8_t kKnownFlags = kFlagSecurityScoped | kFlagReadOnlyScope | kFlagDirectory;

// Error codes of the platform's Cocoa error domain.
constexpr NSInteger NSFileNoSuchFileError = 4;
constexpr NSInteger NSFileReadCorruptFileError = 259;
constexpr NSInteger NSFileReadNoSuchFileError = 260;
constexpr NSInteger NSFileReadUnsupportedSchemeError = 262;
constexpr NSInteger NSFileWriteUnknownError = 512;
constexpr NSInteger NSFeatureUnsupportedError = 3328;

template <class T>
void appendBigEndian(QByteArray& out, T value) {
    char bytes[sizeof(T)];
    qToBigEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

template <class T>
T readBigEndian(const QByteArray& data, qsizetype offset) {
    return qFromBigEndian<T>(data.constData() + offset);
}

QByteArray authenticationCode(const QByteArray& bytes, const QByteArray& key) {
    return QMessageAuthenticationCode::hash(bytes, key, QCryptographicHash::Sha256);
}

// Compares two codes in time that does not depend on where they differ.
bool sameCode(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

void setError(NSError** error, NSInteger code, const QString& description, const QString& path) {
    if (!error)
        return;
    QVariantMap info{{QString::fromLatin1(NSLocalizedDescriptionKey), description}};
    if (!path.isEmpty())
        info.insert(QString::fromLatin1(NSFilePathErrorKey), path);
    *error = NSError::errorWithDomain(QString::fromLatin1(NSCocoaErrorDomain), code, info);
}

} // namespace

QByteArray NSURLBookmarkRecordEncode(const NSURLBookmarkRecord& record, const QByteArray& key) {
    if (key.isEmpty())
        return {};
    const QByteArray path = record.path.toUtf8();
    QByteArray out;
    out.reserve(kHeaderSize + path.size() + kDigestSize);
    out.append(kMagic, 4);
    out.append(char(kNSURLBookmarkRecordVersion));
    out.append(char((record.securityScoped ? kFlagSecurityScoped : 0) |
                    (record.readOnlyScope ? kFlagReadOnlyScope : 0) |
                    (record.directory ? kFlagDirectory : 0)));
    appendBigEndian<std::uint16_t>(out, 0);
    appendBigEndian<std::uint32_t>(out, record.creationOptions);
    appendBigEndian<std::uint64_t>(out, record.device);
    appendBigEndian<std::uint64_t>(out, record.inode);
    appendBigEndian<std::uint32_t>(out, std::uint32_t(path.size()));
    out.append(path);
    out.append(authenticationCode(out, key));
    return out;
}

std::optional<NSURLBookmarkRecord> NSURLBookmarkRecordDecode(const QByteArray& data,
                                                             const QByteArray& key) {
    if (key.isEmpty() || data.size() < kHeaderSize + kDigestSize ||
        std::memcmp(data.constData(), kMagic, 4) != 0)
        return std::nullopt;
    if (std::uint8_t(data[4]) != kNSURLBookmarkRecordVersion)
        return std::nullopt;
    const auto pathSize = readBigEndian<std::uint32_t>(data, 28);
    if (qsizetype(pathSize) != data.size() - kHeaderSize - kDigestSize)
        return std::nullopt;
    const qsizetype signedSize = kHeaderSize + qsizetype(pathSize);
    if (!sameCode(authenticationCode(data.first(signedSize), key), data.sliced(signedSize)))
        return std::nullopt;
    const auto flags = std::uint8_t(data[5]);
    if ((flags & ~kKnownFlags) != 0 || readBigEndian<std::uint16_t>(data, 6) != 0)
        return std::nullopt;
    NSURLBookmarkRecord record;
    record.securityScoped = flags & kFlagSecurityScoped;
    record.readOnlyScope = flags & kFlagReadOnlyScope;
    record.directory = flags & kFlagDirectory;
    record.creationOptions = readBigEndian<std::uint32_t>(data, 8);
    record.device = readBigEndian<std::uint64_t>(data, 12);
    record.inode = readBigEndian<std::uint64_t>(data, 20);
    const QByteArray pathBytes = data.sliced(kHeaderSize, pathSize);
    record.path = QString::fromUtf8(pathBytes);
    if (record.path.isEmpty() || !record.path.startsWith(QLatin1Char('/')) ||
        record.path.toUtf8() != pathBytes)
        return std::nullopt;
    return record;
}

QByteArray NSURLBookmarkRecordEncode(const NSURLBookmarkRecord& record) {
    return NSURLBookmarkRecordEncode(record, NSURLBookmarkKey());
}

std::optional<NSURLBookmarkRecord> NSURLBookmarkRecordDecode(const QByteArray& data) {
    return NSURLBookmarkRecordDecode(data, NSURLBookmarkKey());
}

std::optional<QByteArray> NSURL::bookmarkDataWithOptions(NSURLBookmarkCreationOptions options,
                                                         const QStringList* resourceValuesForKeys,
                                                         const NSURL* relativeToURL,
                                                         NSError** error) const {
    if ((resourceValuesForKeys && !resourceValuesForKeys->isEmpty()) || relativeToURL) {
        setError(error, NSFeatureUnsupportedError,
                 QStringLiteral("Resource values and relative bookmarks are not supported."), {});
        return std::nullopt;
    }
    if (!isFileURL()) {
        setError(error, NSFileReadUnsupportedSchemeError,
                 QStringLiteral("Only file URLs can be bookmarked."), {});
        return std::nullopt;
    }
    const QString filePath = path();
    struct stat info {};
    if (::stat(QFile::encodeName(filePath).constData(), &info) != 0) {
        setError(
            error, NSFileReadNoSuchFileError,
            QStringLiteral("The file \u201c%1\u201d couldn\u2019t be opened because there is no "
                           "such file.")
                .arg(lastPathComponent()),
            filePath);
        return std::nullopt;
    }
    NSURLBookmarkRecord record;
    record.securityScoped = options & NSURLBookmarkCreationWithSecurityScope;
    record.readOnlyScope =
        record.securityScoped && (options & NSURLBookmarkCreationSecurityScopeAllowOnlyReadAccess);
    record.directory = S_ISDIR(info.st_mode);
    record.creationOptions = options;
    record.device = std::uint64_t(info.st_dev);
    record.inode = std::uint64_t(info.st_ino);
    record.path = filePath;
    QByteArray data = NSURLBookmarkRecordEncode(record);
    if (data.isEmpty()) {
        setError(error, NSFileWriteUnknownError,
                 QStringLiteral("The bookmark key at \u201c%1\u201d cannot be read or made.")
                     .arg(NSURLBookmarkKeyFilePath()),
                 filePath);
        return std::nullopt;
    }
    return data;
}

NSURL* NSURL::URLByResolvingBookmarkData(const QByteArray& data,
                                         NSURLBookmarkResolutionOptions options,
                                         const NSURL* relativeToURL, bool* bookmarkDataIsStale,
                                         NSError** error) {
    if (bookmarkDataIsStale)
        *bookmarkDataIsStale = false;
    if (relativeToURL) {
        setError(error, NSFeatureUnsupportedError,
                 QStringLiteral("Relative bookmarks are not supported."), {});
        return nullptr;
    }
    const std::optional<NSURLBookmarkRecord> record = NSURLBookmarkRecordDecode(data);
    if (!record) {
        setError(error, NSFileReadCorruptFileError,
                 QStringLiteral("The bookmark data isn\u2019t in the correct format."), {});
        return nullptr;
    }
    struct stat info {};
    if (::stat(QFile::encodeName(record->path).constData(), &info) != 0) {
        setError(error, NSFileNoSuchFileError,
                 QStringLiteral("The file of the bookmark doesn\u2019t exist."), record->path);
        return nullptr;
    }
    // Another file at the path (or a symbolic link to one) is not the file that was granted.
    const bool stale = std::uint64_t(info.st_dev) != record->device ||
                       std::uint64_t(info.st_ino) != record->inode ||
                       S_ISDIR(info.st_mode) != record->directory;
    if (bookmarkDataIsStale)
        *bookmarkDataIsStale = stale;
    NSURL* url = fileURLWithPath(record->path, S_ISDIR(info.st_mode));
    url->setHasSecurityScope(!stale && record->securityScoped &&
                             (options & NSURLBookmarkResolutionWithSecurityScope));
    return url;
}

bool NSURL::startAccessingSecurityScopedResource() {
    NSSecurityScopedAccess::recordStart(path(), mSecurityScope);
    return mSecurityScope;
}

void NSURL::stopAccessingSecurityScopedResource() {
    NSSecurityScopedAccess::recordStop(path(), mSecurityScope);
}
