#pragma once

// Bookmark data: a versioned record naming one file or folder, with an integrity digest.
//
//   offset  size  field (multi-byte fields big-endian)
//   0       4     magic "LRbk"
//   4       1     version (1)
//   5       1     flags: 1 = security-scoped, 2 = read-only scope, 4 = folder
//   6       2     reserved, 0
//   8       4     the creation options the bookmark was made with
//   12      8     device of the file when the bookmark was made
//   20      8     inode of the file when the bookmark was made
//   28      4     length n of the path
//   32      n     the absolute path, UTF-8
//   32+n    32    SHA-256 of bytes 0 .. 32+n
//
// Data that is cut, extended, altered or of another format fails the digest or the layout and
// names nothing. The file is found again by its path; a different device or inode at that path
// makes the bookmark stale but still resolves it.

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

inline constexpr std::uint8_t kNSURLBookmarkRecordVersion = 1;

QByteArray NSURLBookmarkRecordEncode(const NSURLBookmarkRecord& record);
// The record, or nothing when the data is not an intact record of a known version.
std::optional<NSURLBookmarkRecord> NSURLBookmarkRecordDecode(const QByteArray& data);
