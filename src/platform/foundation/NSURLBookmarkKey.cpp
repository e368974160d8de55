#include "platform/foundation/NSURLBookmarkKey.h"

#include "platform/foundation/NSLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace {

constexpr char kKeyFileName[] = "bookmark-key";

// Reads exactly the key from an existing key file; empty when the file is not a plain file of the
// user with the key's length.
QByteArray readKeyFile(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray key(kNSURLBookmarkKeySize + 1, '\0');
    struct stat info {};
    qsizetype total = 0;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()) {
        for (;;) {
            const ssize_t got = ::read(fd, key.data() + total, size_t(key.size() - total));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            total += got;
            if (total == key.size())
                break;
        }
    }
    ::close(fd);
    if (total != kNSURLBookmarkKeySize)
        return {};
    key.truncate(kNSURLBookmarkKeySize);
    return key;
}

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t put =
            ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        written += put;
    }
    return true;
}

// Makes a new key file unless one appears first; true when a key file is in place afterwards.
bool makeKeyFile(const QString& folder, const QByteArray& path) {
    if (!QDir().mkpath(folder))
        return false;
    QByteArray temporary = QFile::encodeName(folder + QStringLiteral("/.bookmark-key-XXXXXX"));
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    QByteArray key(kNSURLBookmarkKeySize, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(key.data()),
                                          kNSURLBookmarkKeySize / sizeof(quint32));
    const bool written =
        ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 && writeAll(fd, key) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    // link() never replaces: the first process to link its file wins and the others read that one.
    const bool linked = written && closed &&
                        (::link(temporary.constData(), path.constData()) == 0 || errno == EEXIST);
    ::unlink(temporary.constData());
    return linked;
}

} // namespace

QString NSURLBookmarkKeyFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/lumenreel/") + QLatin1String(kKeyFileName);
}

QByteArray NSURLBookmarkKey() {
    static std::mutex sLock;
    static QString sPath;
    static QByteArray sKey;
    const QString path = NSURLBookmarkKeyFilePath();
    std::lock_guard guard(sLock);
    if (!sKey.isEmpty() && sPath == path)
        return sKey;
    const QByteArray encoded = QFile::encodeName(path);
    QByteArray key = readKeyFile(encoded);
    if (key.isEmpty() && ::access(encoded.constData(), F_OK) != 0 &&
        makeKeyFile(QFileInfo(path).path(), encoded))
        key = readKeyFile(encoded);
    if (key.isEmpty()) {
        NSLog("NSURLBookmarkKey: no usable bookmark key at %@\n", path);
        return {};
    }
    sPath = path;
    sKey = key;
    return key;
}
