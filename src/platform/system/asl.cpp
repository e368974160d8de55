#include "platform/system/asl.h"

#include <syslog.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

struct __asl_client {
    std::string ident;
    std::string facility;
    std::uint32_t opts = 0;
};

namespace {

// openlog's identity is process-wide: one record at a time, so each goes out under its own.
std::mutex& syslogMutex() {
    static std::mutex mutex;
    return mutex;
}

} // namespace

aslclient asl_open(const char* ident, const char* facility, std::uint32_t opts) {
    auto* client = new __asl_client;
    if (ident)
        client->ident = ident;
    client->facility = facility ? facility : "user";
    client->opts = opts;
    return client;
}

void asl_close(aslclient client) {
    delete client;
}

int asl_log(aslclient client, aslmsg msg, int level, const char* format, ...) {
    if (!client || !format || msg)
        return -1;
    if (level < ASL_LEVEL_EMERG)
        level = ASL_LEVEL_EMERG;
    if (level > ASL_LEVEL_DEBUG)
        level = ASL_LEVEL_DEBUG;
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string message(needed > 0 ? std::size_t(needed) + 1 : 1, '\0');
    if (needed > 0)
        std::vsnprintf(message.data(), message.size(), format, args);
    va_end(args);
    message.resize(needed > 0 ? std::size_t(needed) : 0);
    // A record holds one message: trailing line ends are not part of it.
    while (!message.empty() && message.back() == '\n')
        message.pop_back();

    const int options = (client->opts & ASL_OPT_STDERR) ? LOG_PERROR : 0;
    std::lock_guard<std::mutex> lock(syslogMutex());
    openlog(client->ident.empty() ? nullptr : client->ident.c_str(), options, LOG_USER);
    syslog(LOG_USER | level, "%s", message.c_str());
    // closelog() keeps the options: without this, every later syslog() of the process would be
    // copied to standard error too.
    openlog(nullptr, 0, LOG_USER);
    closelog();
    return 0;
}
