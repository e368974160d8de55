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

    std::recursive_mutex lock;
    std::vector<Observation> observations;
    QHash<QString, QList<Pending>> pending;
    std::uint64_t nextId = 1;
};
