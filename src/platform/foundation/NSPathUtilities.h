#pragma once

#include <QString>

// The process's folders and the platform's path operations on texts.

// The process's own temporary folder: made on first use inside the system's temporary folder
// ($TMPDIR or /tmp), the same path for the whole run (no trailing "/"), removed with its
// contents when the process exits normally. A null text, for the whole run, when that folder
// cannot be made.
QString NSTemporaryDirectory();
// The user's home folder.
QString NSHomeDirectory();

// Path operations of the platform's string class. A path's trailing "/" (but the root's) is
// ignored and repeated separators count as one.
namespace NSPath {

// "/a/b.qtz" -> "b.qtz", "/a/b/" -> "b", "/" -> "/", "" -> "".
QString lastPathComponent(const QString& path);
// "/a/b" -> "/a", "/a" -> "/", "b" -> "", "/" -> "/".
QString stringByDeletingLastPathComponent(const QString& path);
// "/tmp" + "x.qt" -> "/tmp/x.qt"; "" + "x" -> "x".
QString stringByAppendingPathComponent(const QString& path, const QString& component);
// The last component's text after its last "." ("" without one; a leading "." starts no
// extension).
QString pathExtension(const QString& path);
// "/a/b.c.qtz" -> "/a/b.c"; a path without an extension, cleaned of its trailing "/".
QString stringByDeletingPathExtension(const QString& path);
// "/a/b" + "mov" -> "/a/b.mov"; empty for an empty or root path.
QString stringByAppendingPathExtension(const QString& path, const QString& extension);

} // namespace NSPath
