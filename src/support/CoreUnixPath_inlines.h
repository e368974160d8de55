#pragma once

// Inline operations of CoreUnixPath: the qualification tests and the operations on the held
// path. Included by CoreUnixPath.h only. The checks here are reported with their file and the
// line each names.

#include "support/CoreMachDebugLog.h"

#include <cstring>

// A null text is reported; the empty text is not qualified in any way.
inline bool CoreUnixPath::IsFullyQualified(const char* in_path) {
    const bool CoreUnixPath_NotNull = in_path != nullptr;
    return VERIFY_AT(18, "CoreUnixPath_NotNull", CoreUnixPath_NotNull) && in_path[0] == '/';
}

// Holds a slash, but not at the start: "a/b", "a/".
inline bool CoreUnixPath::IsPartiallyQualified(const char* in_path) {
    const bool CoreUnixPath_NotNull = in_path != nullptr;
    return VERIFY_AT(24, "CoreUnixPath_NotNull", CoreUnixPath_NotNull) && in_path[0] != 0 &&
           in_path[0] != '/' && std::strchr(in_path, '/') != nullptr;
}

inline bool CoreUnixPath::IsQualified(const char* in_path) {
    const bool CoreUnixPath_NotNull = in_path != nullptr;
    return VERIFY_AT(30, "CoreUnixPath_NotNull", CoreUnixPath_NotNull) && in_path[0] != 0 &&
           std::strchr(in_path, '/') != nullptr;
}

// Exactly "/": "//", "a/" and the empty text are not the root.
inline bool CoreUnixPath::IsRootPath(const char* in_path) {
    return in_path != nullptr && std::strcmp(in_path, "/") == 0;
}

// A non-empty text without any slash. A null text is no name, and is not reported.
inline bool CoreUnixPath::IsJustName(const char* in_path) {
    return in_path != nullptr && in_path[0] != 0 && std::strchr(in_path, '/') == nullptr;
}

// The class operations applied to the held path.

inline bool CoreUnixPath::RemoveTrailingSlash() {
    return RemoveTrailingSlash(mPath);
}

inline bool CoreUnixPath::GetParent(std::string& out_parent) const {
    return GetPathParent(mPath, out_parent);
}

inline bool CoreUnixPath::GetJustName(std::string& out_name) const {
    return GetPathJustName(mPath, out_name);
}

inline bool CoreUnixPath::GetExtension(std::string& out_ext) const {
    return GetPathExtension(mPath, out_ext);
}

inline bool CoreUnixPath::ReplaceExtension(const char* in_extension) {
    return ReplacePathExtension(mPath, in_extension);
}

// A dot inside a folder name is reported by HasValidFileExtension and is no extension here.
inline bool CoreUnixPath::HasExtension(const char* in_extension) const {
    return HasValidFileExtension(mPath) && HasPathExtension(mPath, in_extension);
}

// The qualification tests of the held path report an empty path and answer false for it.

inline bool CoreUnixPath::IsFullyQualified() const {
    return VERIFY_AT(95, "!IsEmpty()", !IsEmpty()) && IsFullyQualified(mPath.c_str());
}

inline bool CoreUnixPath::IsPartiallyQualified() const {
    return VERIFY_AT(103, "!IsEmpty()", !IsEmpty()) && IsPartiallyQualified(mPath.c_str());
}

inline bool CoreUnixPath::IsQualified() const {
    return VERIFY_AT(111, "!IsEmpty()", !IsEmpty()) && IsQualified(mPath.c_str());
}

inline bool CoreUnixPath::IsJustName() const {
    return VERIFY_AT(119, "!IsEmpty()", !IsEmpty()) && !IsQualified();
}
