#pragma once

#include <string>
#include <vector>

// Records every syslog record the program sends (the identity set by openlog, the openlog
// options, the priority and the formatted message) and passes each on to the C library.
struct SyslogRecord {
    std::string ident;
    int options = 0;
    int priority = 0;
    std::string message;
};

namespace SyslogCapture {
void clear();
std::vector<SyslogRecord> records();
} // namespace SyslogCapture
