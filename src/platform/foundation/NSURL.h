#pragma once

// URLs of the platform's Foundation, over QUrl. File URLs are what the application uses; a
// directory's file URL ends in "/" like the platform's.
//
//   NSURL* folder = NSURL::fileURLWithPath("/home/ann/Videos", true);   // autoreleased
//   std::optional<QByteArray> data =
//       folder->bookmarkDataWithOptions(NSURLBookmarkCreationWithSecurityScope, nullptr,
//                                       nullptr, &error);
//   NSURL* again = NSURL::URLByResolvingBookmarkData(*data,
//   NSURLBookmarkResolutionWithSecurityScope,
//                                                    nullptr, &stale, &error);
//   again->startAccessingSecurityScopedResource();
//
// Bookmark data and security-scoped access are described in NSURLBookmarkData.h and
// NSSecurityScopedAccess.h.

#include "platform/foundation/NSObject.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class NSError;

using NSURLBookmarkCreationOptions = NSUInteger;
using NSURLBookmarkResolutionOptions = NSUInteger;

enum : NSUInteger {
    NSURLBookmarkCreationPreferFileIDResolution = 1u << 8,
    NSURLBookmarkCreationMinimalBookmark = 1u << 9,
    NSURLBookmarkCreationSuitableForBookmarkFile = 1u << 10,
    NSURLBookmarkCreationWithSecurityScope = 1u << 11,
    NSURLBookmarkCreationSecurityScopeAllowOnlyReadAccess = 1u << 12,
};

enum : NSUInteger {
    NSURLBookmarkResolutionWithoutUI = 1u << 8,
    NSURLBookmarkResolutionWithoutMounting = 1u << 9,
    NSURLBookmarkResolutionWithSecurityScope = 1u << 10,
};

class NSURL : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(NSURL)
public:
    // A URL with one reference owned by the caller.
    explicit NSURL(const QUrl& url);

    // Autoreleased file URL of `path` (made absolute against the working directory). Without
    // `isDirectory`, a path naming an existing directory gives a directory URL.
    static NSURL* fileURLWithPath(const QString& path);
    static NSURL* fileURLWithPath(const QString& path, bool isDirectory);
    // Autoreleased URL parsed from text, or nil when the text is not a valid URL.
    static NSURL* URLWithString(const QString& string);

    const QUrl& url() const { return mUrl; }
    bool isFileURL() const;
    // A file URL's path without a trailing "/" (except for "/" itself); for other URLs the
    // URL's path part.
    QString path() const;
    // The receiver when it is a file URL, otherwise nil.
    NSURL* filePathURL();
    QString absoluteString() const;
    QString lastPathComponent() const;
    bool hasDirectoryPath() const;
    // Autoreleased file URL with `component` appended to the path; nil for a URL that is not a
    // file URL or an empty component.
    NSURL* URLByAppendingPathComponent(const QString& component) const;

    bool isEqual(const NSURL* other) const;
    // URLs are immutable: a copy is the receiver, retained.
    NSObject* copyWithZone(NSZone* zone) override;
    // The absolute string, as the platform prints URLs.
    QString description() const override;

    // Bookmark data of this file URL (NSURLBookmarkData.h): nullopt with *error set on failure.
    // Resource keys are not supported: a non-empty list fails.
    std::optional<QByteArray> bookmarkDataWithOptions(NSURLBookmarkCreationOptions options,
                                                      const QStringList* resourceValuesForKeys,
                                                      const NSURL* relativeToURL,
                                                      NSError** error) const;
    // The autoreleased file URL that bookmark data names, or nil with *error set. `relativeTo`
    // is not supported (must be nil). The stale flag tells that the file at the path is no
    // longer the one the bookmark was made for.
    static NSURL* URLByResolvingBookmarkData(const QByteArray& data,
                                             NSURLBookmarkResolutionOptions options,
                                             const NSURL* relativeToURL, bool* bookmarkDataIsStale,
                                             NSError** error);

    // Security-scoped access (NSSecurityScopedAccess.h). start answers whether the URL carries
    // a security scope; both calls are recorded in the process-wide access table.
    Q_INVOKABLE bool startAccessingSecurityScopedResource();
    Q_INVOKABLE void stopAccessingSecurityScopedResource();
    // True for URLs resolved from security-scoped bookmark data with the security-scope
    // option, and for URLs that the user granted in an open panel.
    bool hasSecurityScope() const { return mSecurityScope; }
    // For the platform's own grantors (bookmark resolution, open panel).
    void setHasSecurityScope(bool scoped) { mSecurityScope = scoped; }

private:
    QUrl mUrl;
    bool mSecurityScope = false;
};

int import_NSURL();
