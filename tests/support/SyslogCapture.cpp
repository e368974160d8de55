#include "support/SyslogCapture.h"

#include <dlfcn.h>
#include <syslog.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {

std::mutex sMutex;
std::vector<SyslogRecord> sRecords;
std::string sIdent;
int sOptions = 0;

// Calls the C library's function `name` of type F, found once.
template <class F, class... Args>
void callNext(const char* name, Args... args) {
    static const F real = reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
    if (real)
        real(args...);
}

} // namespace

extern "C" {

void openlog(const char* ident, int option, int facility) {
    {
        std::lock_guard<std::mutex> lock(sMutex);
        sIdent = ident ? ident : "";
        sOptions = option;
    }
    callNext<void (*)(const char*, int, int)>("openlog", ident, option, facility);
}

void closelog() {
    {
        std::lock_guard<std::mutex> lock(sMutex);
        sIdent.clear();
        sOptions = 0;
    }
    callNext<void (*)()>("closelog");
}

void vsyslog(int priority, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char buffer[4096];
    std::vsnprintf(buffer, sizeof(buffer), format, copy);
    va_end(copy);
    {
        std::lock_guard<std::mutex> lock(sMutex);
        sRecords.push_back({sIdent, sOptions, priority, buffer});
    }
    callNext<void (*)(int, const char*, va_list)>("vsyslog", priority, format, args);
}

void syslog(int priority, const char* format, ...) {
    va_list args;
    va_start(args, format);
    vsyslog(priority, format, args);
    va_end(args);
}

void __syslog_chk(int priority, int, const char* format, ...) {
    va_list args;
    va_start(args, format);
    vsyslog(priority, format, args);
    va_end(args);
}

void __vsyslog_chk(int priority, int, const char* format, va_list args) {
    vsyslog(priority, format, args);
}

} // extern "C"

namespace SyslogCapture {

void clear() {
    std::lock_guard<std::mutex> lock(sMutex);
    sRecords.clear();
}

std::vector<SyslogRecord> records() {
    std::lock_guard<std::mutex> lock(sMutex);
    return sRecords;
}

} // namespace SyslogCapture
