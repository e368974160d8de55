#pragma once

#include <cstdint>

// The Apple System Log over syslog(3). A client carries the identity and facility of its
// records; the option ASL_OPT_STDERR copies every record to standard error (LOG_PERROR).
struct __asl_client;
struct __asl_msg;
using aslclient = __asl_client*;
using aslmsg = __asl_msg*;

constexpr std::uint32_t ASL_OPT_STDERR = 0x00000001;

enum : int {
    ASL_LEVEL_EMERG = 0,
    ASL_LEVEL_ALERT = 1,
    ASL_LEVEL_CRIT = 2,
    ASL_LEVEL_ERR = 3,
    ASL_LEVEL_WARNING = 4,
    ASL_LEVEL_NOTICE = 5,
    ASL_LEVEL_INFO = 6,
    ASL_LEVEL_DEBUG = 7,
};

// A null identity means the program's name; a null facility means "user".
aslclient asl_open(const char* ident, const char* facility, std::uint32_t opts);
void asl_close(aslclient client);
// Writes one record; 0 on success, -1 for a null client or format. The message object is
// not supported and must be null.
int asl_log(aslclient client, aslmsg msg, int level, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
