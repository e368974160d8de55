#pragma once

// The per-object observer registry behind NSObject's key-value observing (private to the
// foundation library).

#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <mutex>
#include <vector>

class NSObject;
class NSKeyPathForwarder;

struct NSObservationInfo {
    struct Observation {
        std::uint64_t id;
        QPointer<NSObject> observer;
        NSObject* rawObserver; // identity for removal, never dereferenced
        QString keyPath;
        unsigned options;
        void* context;
    };
    // The observations a willChange announced and their old values, until the matching
    // didChange.
    struct Pending {
        std::vector<std::uint64_t> ids;
        QHash<std::uint64_t, QVariant> oldValues;
    };
    // A helper that watches the rest of a key path (or of a dependent key path) on the object
    // that `key` of this object currently names, on behalf of one observation. Owned here.
    struct Forwarding {
        std::uint64_t observationId;
        QString key;
        NSKeyPathForwarder* forwarder;
    };

    NSObservationInfo() = default;
    NSObservationInfo(const NSObservationInfo&) = delete;
    NSObservationInfo& operator=(const NSObservationInfo&) = delete;
    // Detaches and releases every forwarder.
    ~NSObservationInfo();

    std::recursive_mutex lock;
    std::vector<Observation> observations;
    QHash<QString, QList<Pending>> pending;
    // Changes announced by forwarders, per observation, until the matching didChange.
    QHash<std::uint64_t, QList<QVariant>> forwardedOldValues;
    std::vector<Forwarding> forwardings;
    std::uint64_t nextId = 1;
};
