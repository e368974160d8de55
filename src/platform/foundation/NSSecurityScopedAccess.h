#pragma once

// The process-wide table of security-scoped access: every start and stop sent to a URL, in
// order, and how many accesses are open per path. Thread-safe. The sandbox is not enforced on
// this platform; the table is what shows that callers pair their calls.

#include <QString>

#include <cstdint>
#include <vector>

struct NSSecurityScopedAccessEvent {
    enum class Kind { Start = 1, Stop };
    Kind kind;
    QString path;
    // Whether the URL carried a security scope (the answer of a start).
    bool scoped;
    // Increases by one with every event of the process.
    std::uint64_t sequence;
};

namespace NSSecurityScopedAccess {

void recordStart(const QString& path, bool scoped);
void recordStop(const QString& path, bool scoped);

// Every event since the start of the process or the last clearEvents().
std::vector<NSSecurityScopedAccessEvent> events();
void clearEvents();
// Starts minus stops of scoped URLs of this path (never below 0).
int openAccessCount(const QString& path);
// Paths with open access.
std::vector<QString> openPaths();

} // namespace NSSecurityScopedAccess
