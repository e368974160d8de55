#include "platform/foundation/NSSecurityScopedAccess.h"

#include <QHash>

#include <mutex>

namespace {

struct Table {
    std::mutex lock;
    std::vector<NSSecurityScopedAccessEvent> events;
    QHash<QString, int> open;
    std::uint64_t nextSequence = 1;
};

Table& table() {
    static Table* sTable = new Table; // outlives every static destructor that may stop access
    return *sTable;
}

void record(NSSecurityScopedAccessEvent::Kind kind, const QString& path, bool scoped) {
    Table& t = table();
    std::lock_guard guard(t.lock);
    t.events.push_back({kind, path, scoped, t.nextSequence++});
    if (!scoped)
        return;
    if (kind == NSSecurityScopedAccessEvent::Kind::Start) {
        ++t.open[path];
    } else if (auto it = t.open.find(path); it != t.open.end() && --it.value() <= 0) {
        t.open.erase(it);
    }
}

} // namespace

namespace NSSecurityScopedAccess {

void recordStart(const QString& path, bool scoped) {
    record(NSSecurityScopedAccessEvent::Kind::Start, path, scoped);
}

void recordStop(const QString& path, bool scoped) {
    record(NSSecurityScopedAccessEvent::Kind::Stop, path, scoped);
}

std::vector<NSSecurityScopedAccessEvent> events() {
    Table& t = table();
    std::lock_guard guard(t.lock);
    return t.events;
}

void clearEvents() {
    Table& t = table();
    std::lock_guard guard(t.lock);
    t.events.clear();
}

int openAccessCount(const QString& path) {
    Table& t = table();
    std::lock_guard guard(t.lock);
    return t.open.value(path, 0);
}

std::vector<QString> openPaths() {
    Table& t = table();
    std::lock_guard guard(t.lock);
    std::vector<QString> paths(t.open.keyBegin(), t.open.keyEnd());
    return paths;
}

} // namespace NSSecurityScopedAccess
