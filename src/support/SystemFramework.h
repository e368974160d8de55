#pragma once

#include "support/CFBaseDLL.h"

#include <cstddef>

// The C library's calls, reached through System.framework loaded on first use.
namespace SystemFramework {

extern T_CFBaseDLL<I_CFBundleDLL> sSystem;

// Null when the framework or the function cannot be had.
char* getcwd(char* buffer, std::size_t size);
// -1 (errno ENOSYS) when the framework or the function cannot be had.
int mprotect(void* address, std::size_t length, int protection);
// -1 when the framework or the function cannot be had, and after a report for a null path.
int chdir(const char* in_utf8_path_string);

} // namespace SystemFramework
