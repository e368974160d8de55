#pragma once

#include "platform/corefoundation/CFBase.h"

#include <string>

// Releases a created reference at the end of a scope.
template <class T>
class CFHolder {
public:
    explicit CFHolder(T ref = nullptr) : mRef(ref) {}
    ~CFHolder() {
        if (mRef)
            CFRelease(mRef);
    }
    CFHolder(const CFHolder&) = delete;
    CFHolder& operator=(const CFHolder&) = delete;
    T get() const { return mRef; }
    operator T() const { return mRef; }

private:
    T mRef;
};

std::string describe(CFTypeRef cf);
std::string utf8(CFStringRef string);
// A URL of the POSIX path, relative ones against the current folder; null for an empty path.
CFURLRef fileURL(const char* path, bool directory);
// The URL's file system path, or "<none>" when it has none.
std::string representation(CFURLRef url);
