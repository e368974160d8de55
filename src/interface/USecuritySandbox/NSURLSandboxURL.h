#pragma once

// The SandboxURL extension of NSURL: bookmark data that survives a relaunch, the begin/end calls
// of security-scoped access and the display form of file paths. Every other class that stores or
// opens a user-chosen file or folder goes through these functions, never through NSURL's own
// bookmark methods.
//
// Bookmark data is a QByteArray; an empty one stands for a failed bookmark, and nil (where an
// operation takes it) is std::nullopt. Nil URLs are nullptr, nil texts null QStrings.
//
// Security-scoped bookmarks are active when the running code has a signing identifier and the
// bookmarks app-scope entitlement (UCodeEntitlements). Each call below that depends on this
// writes "<0|1>=AppHasSecurityScopedBookmarks()" to the system log.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

class NSURL;

namespace SandboxURL {

// The predicate itself, without the log line.
bool AppHasSecurityScopedBookmarks();

// Bookmark data without security scope (options NSURLBookmarkCreationSuitableForBookmarkFile);
// empty on any failure and for a nil URL.
QByteArray standardBookmarkDataForSandboxURL(NSURL* url);
// Security-scoped bookmark data where bookmarks are active, else (or when that fails) the
// standard bookmark data.
QByteArray securityBookmarkDataForSandboxURL(NSURL* url);
// The security bookmark data; the standard one only where that gave nothing.
QByteArray bookmarkDataForSandboxURL(NSURL* url);

// The autoreleased URL that the data resolves to with those options, or nil. Staleness and the
// error are not reported.
NSURL* resolvedURLWithSecurityBookmarkData(const std::optional<QByteArray>& data,
                                           std::uint32_t resolutionOptions);
// Resolves with security scope where bookmarks are active, then without mounting; nil when
// neither gives a URL or the data is nil.
NSURL* sandboxURLWithSecurityBookmarkData(const std::optional<QByteArray>& data);

// "<volume>:/<component>/<component>..." for an existing path; "" for nil or a path that
// cannot be shown. Never null.
QString localizedDisplayPathWithSandboxFilePath(const QString& path);
// The URL's file path with symbolic links resolved; null for nil or a URL that is not a file URL.
QString sandboxURLFilePath(NSURL* url);
QString localizedDisplaySandboxURLFilePath(NSURL* url);

// Begin and end security-scoped access where bookmarks are active; false otherwise, and for a
// URL that does not answer the platform's start or stop message. The platform's own answer is
// not passed on. Not counted here: callers pair the calls.
bool sandboxURLBeginSecurityAccess(NSURL* url);
bool sandboxURLEndSecurityAccess(NSURL* url);

} // namespace SandboxURL

int import_NSURLSandboxURL();
