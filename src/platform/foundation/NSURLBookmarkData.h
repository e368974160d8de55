#pragma once

// Bookmark data: a versioned record naming one file or folder, authenticated with the user's
// bookmark key (NSURLBookmarkKey.h).
//
//   offset  size  field (multi-byte fields big-endian)
//   0       4     magic "LRbk"
//   4       1     version (2; version 1 carried a plain SHA-256 and is refused)
//   5       1     flags: 1 = security-scoped, 2 = read-only scope, 4 = folder
//   6       2     reserved, 0
//   8       4     the creation options the bookmark was made with
//   12      8     device of the file when the bookmark was made
//   20      8     inode of the file when the bookmark was made
//   28      4     length n of the path
//   32      n     the absolute path, UTF-8
//   32+n    32    HMAC-SHA256 of bytes 0 .. 32+n under the user's bookmark key
//
// Data that is cut, extended, altered, of another format or authenticated under another key fails
// the check or the layout and names nothing. The file is found again by its path; a different
// device or inode at that path (another file moved there, a symbolic link to another file) makes
// the bookmark stale: it still resolves, but never with a security scope, so the file has to be
// chosen again before it can be opened.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

struct NSURLBookmarkRecord {
    bool securityScoped = false;
    bool readOnlyScope = false;
    bool directory = false;
    std::uint32_t creationOptions = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    QString path;
};

inline constexpr std::uint8_t kNSURLBookmarkRecordVersion = 2;

// The record authenticated under the given key; empty when the key is empty.
QByteArray NSURLBookmarkRecordEncode(const NSURLBookmarkRecord& record, const QByteArray& key);
// The record, or nothing when the data is not an intact record of the current version
// authenticated under the given key (an empty key authenticates nothing).
std::optional<NSURLBookmarkRecord> NSURLBookmarkRecordDecode(const QByteArray& data,
                                                             const QByteArray& key);

// The same under the user's bookmark key.
QByteArray NSURLBookmarkRecordEncode(const NSURLBookmarkRecord& record);
std::optional<NSURLBookmarkRecord> NSURLBookmarkRecordDecode(const QByteArray& data);
