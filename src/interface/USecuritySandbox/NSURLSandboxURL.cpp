#include "interface/USecuritySandbox/NSURLSandboxURL.h"

#include "platform/foundation/NSError.h"
#include "platform/foundation/NSFileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSURL.h"
#include "support/UCodeEntitlements.h"

#include <QDir>
#include <QFileInfo>

int import_NSURLSandboxURL() {
    return import_UCodeEntitlements() && import_NSURL();
}

namespace {

// The predicate, announced in the system log as the platform build did.
bool logAppHasSecurityScopedBookmarks() {
    const bool active = SandboxURL::AppHasSecurityScopedBookmarks();
    NSLog("%d=AppHasSecurityScopedBookmarks()\n", active ? 1 : 0);
    return active;
}

// Bookmark data of the URL with the options, or nothing when the platform returns none or sets
// an error.
std::optional<QByteArray> bookmarkData(NSURL* url, NSURLBookmarkCreationOptions options) {
    NSError* error = nullptr;
    std::optional<QByteArray> data =
        url->bookmarkDataWithOptions(options, nullptr, nullptr, &error);
    if (!data || error)
        return std::nullopt;
    return data;
}

} // namespace

namespace SandboxURL {

bool AppHasSecurityScopedBookmarks() {
    const UCodeEntitlements& entitlements = UCodeEntitlements::sEntitlements;
    return entitlements.HasSignedBundleID() && entitlements.HasActiveSecurityBookmarksAppScope();
}

QByteArray standardBookmarkDataForSandboxURL(NSURL* url) {
    if (!url)
        return QByteArray();
    return bookmarkData(url, NSURLBookmarkCreationSuitableForBookmarkFile).value_or(QByteArray());
}

QByteArray securityBookmarkDataForSandboxURL(NSURL* url) {
    const QByteArray fallback = standardBookmarkDataForSandboxURL(url);
    if (!url)
        return fallback;
    if (!logAppHasSecurityScopedBookmarks())
        return fallback;
    return bookmarkData(url, NSURLBookmarkCreationWithSecurityScope).value_or(fallback);
}

QByteArray bookmarkDataForSandboxURL(NSURL* url) {
    // The security bookmark is never nil here (at worst empty), so the standard one is only
    // made inside it, as its fallback.
    return securityBookmarkDataForSandboxURL(url);
}

NSURL* resolvedURLWithSecurityBookmarkData(const std::optional<QByteArray>& data,
                                           std::uint32_t resolutionOptions) {
    if (!data)
        return nullptr;
    bool stale = false;
    NSError* error = nullptr;
    return NSURL::URLByResolvingBookmarkData(*data, resolutionOptions, nullptr, &stale, &error);
}

NSURL* sandboxURLWithSecurityBookmarkData(const std::optional<QByteArray>& data) {
    if (!data)
        return nullptr;
    NSURL* url = nullptr;
    if (logAppHasSecurityScopedBookmarks())
        url = resolvedURLWithSecurityBookmarkData(data, NSURLBookmarkResolutionWithSecurityScope);
    if (!url)
        url = resolvedURLWithSecurityBookmarkData(data, NSURLBookmarkResolutionWithoutMounting);
    return url;
}

QString localizedDisplayPathWithSandboxFilePath(const QString& path) {
    if (path.isNull())
        return QStringLiteral("");
    const std::optional<QStringList> components =
        NSFileManager::defaultManager()->componentsToDisplayForPath(path);
    if (!components || components->isEmpty())
        return QStringLiteral("");
    QString display = components->first() + QLatin1Char(':');
    for (qsizetype i = 1; i < components->size(); ++i) {
        if (!display.endsWith(QLatin1Char('/')))
            display += QLatin1Char('/');
        display += components->at(i);
    }
    return display;
}

QString sandboxURLFilePath(NSURL* url) {
    NSURL* fileURL = url ? url->filePathURL() : nullptr;
    if (!fileURL)
        return QString();
    const QString path = fileURL->path();
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? path : resolved;
}

QString localizedDisplaySandboxURLFilePath(NSURL* url) {
    return localizedDisplayPathWithSandboxFilePath(sandboxURLFilePath(url));
}

bool sandboxURLBeginSecurityAccess(NSURL* url) {
    if (!url)
        return false;
    if (!logAppHasSecurityScopedBookmarks())
        return false;
    if (!url->respondsToSelector(QStringLiteral("startAccessingSecurityScopedResource")))
        return false;
    url->startAccessingSecurityScopedResource();
    return true;
}

bool sandboxURLEndSecurityAccess(NSURL* url) {
    if (!url)
        return false;
    if (!logAppHasSecurityScopedBookmarks())
        return false;
    if (!url->respondsToSelector(QStringLiteral("stopAccessingSecurityScopedResource")))
        return false;
    url->stopAccessingSecurityScopedResource();
    return true;
}

} // namespace SandboxURL
