#include "platform/foundation/NSURL.h"

#include <QDir>
#include <QFileInfo>

NS_IMPLEMENT_CLASS(NSURL, NSObject)

int import_NSURL() {
    return NSURL::classObject() != nullptr;
}

namespace {

QString absoluteCleanPath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

NSURL::NSURL(const QUrl& url) : mUrl(url) {}

NSURL* NSURL::fileURLWithPath(const QString& path) {
    if (path.isEmpty())
        return nullptr;
    return fileURLWithPath(path, QFileInfo(path).isDir());
}

NSURL* NSURL::fileURLWithPath(const QString& path, bool isDirectory) {
    if (path.isEmpty())
        return nullptr;
    QString clean = absoluteCleanPath(path);
    if (isDirectory && !clean.endsWith(QLatin1Char('/')))
        clean += QLatin1Char('/');
    auto* url = new NSURL(QUrl::fromLocalFile(clean));
    url->autorelease();
    return url;
}

NSURL* NSURL::URLWithString(const QString& string) {
    const QUrl parsed(string, QUrl::StrictMode);
    if (string.isEmpty() || !parsed.isValid())
        return nullptr;
    auto* url = new NSURL(parsed);
    url->autorelease();
    return url;
}

bool NSURL::isFileURL() const {
    return mUrl.isLocalFile();
}

QString NSURL::path() const {
    QString result = isFileURL() ? mUrl.toLocalFile() : mUrl.path();
    while (result.size() > 1 && result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result;
}

NSURL* NSURL::filePathURL() {
    return isFileURL() ? this : nullptr;
}

QString NSURL::absoluteString() const {
    return mUrl.toString(QUrl::FullyEncoded);
}

QString NSURL::lastPathComponent() const {
    const QString p = path();
    if (p == QLatin1String("/"))
        return p;
    return p.section(QLatin1Char('/'), -1);
}

bool NSURL::hasDirectoryPath() const {
    return mUrl.path().endsWith(QLatin1Char('/'));
}

NSURL* NSURL::URLByAppendingPathComponent(const QString& component) const {
    if (!isFileURL() || component.isEmpty())
        return nullptr;
    QString base = path();
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return fileURLWithPath(base + component);
}

bool NSURL::isEqual(const NSURL* other) const {
    return other && other->mUrl == mUrl;
}

NSObject* NSURL::copyWithZone(NSZone* /*zone*/) {
    return retain();
}

QString NSURL::description() const {
    return absoluteString();
}
