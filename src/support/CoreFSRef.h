#pragma once

#include <cstddef>

struct FSRef;

// True when the reference names an existing object (its catalog information can be read).
bool bool_FSRef_IsValid(const FSRef& fileRef);
// The POSIX path of the reference into a caller's buffer of `size` bytes, emptied first; false
// (with a verification line) when the reference is not valid or the path does not fit.
bool bool_FSRef_GetUnixPath(const FSRef& fileRef, char* out_path, std::size_t size);

template <std::size_t N>
bool bool_FSRef_GetUnixPath(const FSRef& fileRef, char (&out_path)[N]) {
    return bool_FSRef_GetUnixPath(fileRef, out_path, N);
}
