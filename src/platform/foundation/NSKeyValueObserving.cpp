// Key-value observing of NSObject: a registry of observations per object, with changes of a key
// delivered to observations of that key and of every key that depends on it. An observation of
// a key path with more than one key, or of a key that depends on a key path, also watches the
// rest of the path on the object its first key names, through a forwarder registered there.

#include "platform/foundation/NSObject.h"

#include "platform/foundation/NSException.h"
#include "platform/foundation/NSKeyValueCoding.h"
#include "platform/foundation/NSObservationInfo.h"

#include <QSet>

#include <algorithm>

namespace {

QString rootKey(const QString& keyPath) {
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    return dot < 0 ? keyPath : keyPath.left(dot);
}

// What follows the first key of a key path; empty for a single key.
QString restOfKeyPath(const QString& keyPath) {
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : keyPath.mid(dot + 1);
}

// Every key path `key` depends on through keyPathsForValuesAffecting<Key>, directly or through
// other dependent keys.
QSet<QString> dependencyClosure(Class cls, const QString& key) {
    QSet<QString> paths;
    if (!cls)
        return paths;
    QSet<QString> visited{key};
    QList<QString> queue{key};
    while (!queue.isEmpty()) {
        const QString current = queue.takeFirst();
        for (const QString& path : cls->keyPathsForValuesAffectingValueForKey(current)) {
            paths.insert(path);
            const QString root = rootKey(path);
            if (!visited.contains(root)) {
                visited.insert(root);
                queue.append(root);
            }
        }
    }
    return paths;
}

// True when a change of `changedKey` changes `key`: the same key, or `key` depends on it through
// keyPathsForValuesAffecting<Key>, directly or through other dependent keys.
bool keyIsAffectedBy(Class cls, const QString& key, const QString& changedKey) {
    if (key == changedKey)
        return true;
    for (const QString& path : dependencyClosure(cls, key)) {
        if (rootKey(path) == changedKey)
            return true;
    }
    return false;
}

struct Delivery {
    QPointer<NSObject> observer;
    QString keyPath;
    void* context;
    QVariantMap change;
};

void deliver(NSObject* object, const std::vector<Delivery>& deliveries) {
    for (const Delivery& delivery : deliveries) {
        if (NSObject* observer = delivery.observer.data())
            observer->observeValueForKeyPath(delivery.keyPath, object, delivery.change,
                                             delivery.context);
    }
}

QVariant readValue(NSObject* object, const QString& keyPath) {
    try {
        return object->valueForKeyPath(keyPath);
    } catch (const NSException&) {
        return {};
    }
}

QVariantMap settingChange() {
    return QVariantMap{
        {QString::fromLatin1(NSKeyValueChangeKindKey), static_cast<int>(NSKeyValueChangeSetting)}};
}

// The value of the whole key path before a change, and the prior notification when asked for.
QVariant announcePrior(NSObject* object, const NSObservationInfo::Observation& observation,
                       std::vector<Delivery>* priors) {
    QVariant old;
    if (observation.options & NSKeyValueObservingOptionOld)
        old = readValue(object, observation.keyPath);
    if (observation.options & NSKeyValueObservingOptionPrior) {
        QVariantMap change = settingChange();
        change.insert(QString::fromLatin1(NSKeyValueChangeNotificationIsPriorKey), true);
        if (observation.options & NSKeyValueObservingOptionOld)
            change.insert(QString::fromLatin1(NSKeyValueChangeOldKey), old);
        priors->push_back(
            Delivery{observation.observer, observation.keyPath, observation.context, change});
    }
    return old;
}

Delivery completedChange(NSObject* object, const NSObservationInfo::Observation& observation,
                         const QVariant& old) {
    QVariantMap change = settingChange();
    if (observation.options & NSKeyValueObservingOptionNew)
        change.insert(QString::fromLatin1(NSKeyValueChangeNewKey),
                      readValue(object, observation.keyPath));
    if (observation.options & NSKeyValueObservingOptionOld)
        change.insert(QString::fromLatin1(NSKeyValueChangeOldKey), old);
    return Delivery{observation.observer, observation.keyPath, observation.context, change};
}

const NSObservationInfo::Observation* findObservation(const NSObservationInfo& info,
                                                      std::uint64_t id) {
    for (const auto& observation : info.observations) {
        if (observation.id == id)
            return observation.observer.isNull() ? nullptr : &observation;
    }
    return nullptr;
}

} // namespace

// Watches `rest` on the object that `key` of its owner names, and turns each change there into a
// change of one observation of the owner. Registered with the prior option, so that the owner
// can read the old value of the whole key path before the change.
class NSKeyPathForwarder final : public NSObject {
public:
    NSKeyPathForwarder(NSObject* owner, std::uint64_t observationId, QString key, QString rest)
        : mOwner(owner), mObservationId(observationId), mKey(std::move(key)),
          mRest(std::move(rest)) {}

    // Moves the registration to the object the owner's key names now (none for nil or a value
    // that is not an object).
    void retarget() {
        NSObject* owner = mOwner.data();
        NSObject* target =
            owner ? NSKeyValueCoding::objectFromValue(readValue(owner, mKey)) : nullptr;
        if (target == mTarget.data() && !mTarget.isNull())
            return;
        detach();
        if (!target)
            return;
        mTarget = target;
        target->addObserver(this, mRest, NSKeyValueObservingOptionPrior, this);
    }

    void detach() {
        if (NSObject* old = mTarget.data())
            old->removeObserver(this, mRest, this);
        mTarget.clear();
    }

    void observeValueForKeyPath(const QString& /*keyPath*/, NSObject* /*object*/,
                                const QVariantMap& change, void* /*context*/) override {
        if (mOwner.isNull())
            return;
        // Either may go away in what the observer does in response.
        NSRef<NSKeyPathForwarder> keepSelf(this);
        NSRef<NSObject> keepOwner(mOwner.data());
        if (change.value(QString::fromLatin1(NSKeyValueChangeNotificationIsPriorKey)).toBool())
            ownerWillChange(keepOwner.get());
        else
            ownerDidChange(keepOwner.get());
    }

private:
    void ownerWillChange(NSObject* owner) const {
        NSObservationInfo* info = owner->observationInfo(false);
        if (!info)
            return;
        NSObservationInfo::Observation observation;
        {
            std::lock_guard guard(info->lock);
            const auto* found = findObservation(*info, mObservationId);
            if (!found)
                return;
            observation = *found;
        }
        std::vector<Delivery> priors;
        const QVariant old = announcePrior(owner, observation, &priors);
        {
            std::lock_guard guard(info->lock);
            info->forwardedOldValues[mObservationId].append(old);
        }
        deliver(owner, priors);
    }

    void ownerDidChange(NSObject* owner) const {
        NSObservationInfo* info = owner->observationInfo(false);
        if (!info)
            return;
        NSObservationInfo::Observation observation;
        QVariant old;
        {
            std::lock_guard guard(info->lock);
            auto it = info->forwardedOldValues.find(mObservationId);
            if (it == info->forwardedOldValues.end() || it->isEmpty())
                return;
            old = it->takeLast();
            if (it->isEmpty())
                info->forwardedOldValues.erase(it);
            const auto* found = findObservation(*info, mObservationId);
            if (!found)
                return;
            observation = *found;
        }
        deliver(owner, {completedChange(owner, observation, old)});
    }

    QPointer<NSObject> mOwner;
    std::uint64_t mObservationId;
    QString mKey;
    QString mRest;
    QPointer<NSObject> mTarget;
};

namespace {

void dropForwarders(const std::vector<NSKeyPathForwarder*>& forwarders) {
    for (NSKeyPathForwarder* forwarder : forwarders) {
        forwarder->detach();
        forwarder->release();
    }
}

// Takes the forwarders of one observation out of the registry (called under its lock).
std::vector<NSKeyPathForwarder*> takeForwarders(NSObservationInfo* info, std::uint64_t id) {
    std::vector<NSKeyPathForwarder*> taken;
    auto& list = info->forwardings;
    for (auto it = list.begin(); it != list.end();) {
        if (it->observationId == id) {
            taken.push_back(it->forwarder);
            it = list.erase(it);
        } else {
            ++it;
        }
    }
    info->forwardedOldValues.remove(id);
    return taken;
}

} // namespace

NSObservationInfo::~NSObservationInfo() {
    std::vector<NSKeyPathForwarder*> forwarders;
    for (const Forwarding& forwarding : forwardings)
        forwarders.push_back(forwarding.forwarder);
    forwardings.clear();
    dropForwarders(forwarders);
}

NSObservationInfo* NSObject::observationInfo(bool create) const {
    NSObservationInfo* info = mObservationInfo.load(std::memory_order_acquire);
    if (info || !create)
        return info;
    auto* made = new NSObservationInfo;
    if (mObservationInfo.compare_exchange_strong(info, made, std::memory_order_acq_rel))
        return made;
    delete made;
    return info;
}

void NSObject::addObserver(NSObject* observer, const QString& keyPath, unsigned options,
                           void* context) {
    if (!observer || keyPath.isEmpty())
        return;
    const QString root = rootKey(keyPath);
    // The parts of the key path beyond this object: its own rest, and every dependent key path
    // of its first key that leaves this object.
    std::vector<std::pair<QString, QString>> beyond;
    if (!restOfKeyPath(keyPath).isEmpty())
        beyond.emplace_back(root, restOfKeyPath(keyPath));
    for (const QString& path : dependencyClosure(objectClass(), root)) {
        if (!restOfKeyPath(path).isEmpty())
            beyond.emplace_back(rootKey(path), restOfKeyPath(path));
    }
    std::vector<NSKeyPathForwarder*> forwarders;
    {
        NSObservationInfo* info = observationInfo(true);
        std::lock_guard guard(info->lock);
        const std::uint64_t id = info->nextId++;
        info->observations.push_back(NSObservationInfo::Observation{
            id, QPointer<NSObject>(observer), observer, keyPath, options, context});
        for (const auto& [key, rest] : beyond) {
            auto* forwarder = new NSKeyPathForwarder(this, id, key, rest);
            info->forwardings.push_back(NSObservationInfo::Forwarding{id, key, forwarder});
            forwarders.push_back(forwarder);
        }
    }
    for (NSKeyPathForwarder* forwarder : forwarders)
        forwarder->retarget();
    if (options & NSKeyValueObservingOptionInitial) {
        QVariantMap change = settingChange();
        if (options & NSKeyValueObservingOptionNew)
            change.insert(QString::fromLatin1(NSKeyValueChangeNewKey), readValue(this, keyPath));
        observer->observeValueForKeyPath(keyPath, this, change, context);
    }
}

namespace {

// Removes the most recent observation that `matches` accepts, with its forwarders.
template <class Match>
void removeObservation(NSObservationInfo* info, Match matches) {
    if (!info)
        return;
    std::vector<NSKeyPathForwarder*> forwarders;
    {
        std::lock_guard guard(info->lock);
        auto& list = info->observations;
        auto it = std::find_if(list.rbegin(), list.rend(), matches);
        if (it == list.rend())
            return;
        forwarders = takeForwarders(info, it->id);
        list.erase(std::next(it).base());
    }
    dropForwarders(forwarders);
}

} // namespace

void NSObject::removeObserver(NSObject* observer, const QString& keyPath) {
    removeObservation(observationInfo(false), [&](const NSObservationInfo::Observation& o) {
        return o.rawObserver == observer && o.keyPath == keyPath;
    });
}

void NSObject::removeObserver(NSObject* observer, const QString& keyPath, void* context) {
    removeObservation(observationInfo(false), [&](const NSObservationInfo::Observation& o) {
        return o.rawObserver == observer && o.keyPath == keyPath && o.context == context;
    });
}

int NSObject::observationCount() const {
    NSObservationInfo* info = observationInfo(false);
    if (!info)
        return 0;
    std::lock_guard guard(info->lock);
    int count = 0;
    for (const auto& observation : info->observations)
        count += observation.observer.isNull() ? 0 : 1;
    return count;
}

bool NSObject::automaticallyNotifiesObserversForKey(const QString& /*key*/) const {
    return true;
}

void NSObject::observeValueForKeyPath(const QString& /*keyPath*/, NSObject* /*object*/,
                                      const QVariantMap& /*change*/, void* /*context*/) {}

void NSObject::willChangeValueForKey(const QString& key) {
    NSObservationInfo* info = observationInfo(false);
    if (!info)
        return;
    const Class cls = objectClass();
    std::vector<NSObservationInfo::Observation> affected;
    {
        std::lock_guard guard(info->lock);
        for (const auto& observation : info->observations) {
            if (!observation.observer.isNull() &&
                keyIsAffectedBy(cls, rootKey(observation.keyPath), key))
                affected.push_back(observation);
        }
    }
    NSObservationInfo::Pending pending;
    std::vector<Delivery> priors;
    for (const auto& observation : affected) {
        pending.ids.push_back(observation.id);
        const QVariant old = announcePrior(this, observation, &priors);
        if (observation.options & NSKeyValueObservingOptionOld)
            pending.oldValues.insert(observation.id, old);
    }
    {
        std::lock_guard guard(info->lock);
        info->pending[key].append(std::move(pending));
    }
    deliver(this, priors);
}

void NSObject::didChangeValueForKey(const QString& key) {
    NSObservationInfo* info = observationInfo(false);
    if (!info)
        return;
    const Class cls = objectClass();
    NSObservationInfo::Pending pending;
    std::vector<NSObservationInfo::Observation> affected;
    std::vector<NSRef<NSKeyPathForwarder>> moved;
    {
        std::lock_guard guard(info->lock);
        auto it = info->pending.find(key);
        if (it == info->pending.end() || it->isEmpty())
            return; // a didChange without its willChange announces nothing
        pending = it->takeLast();
        if (it->isEmpty())
            info->pending.erase(it);
        for (const auto& observation : info->observations) {
            if (!observation.observer.isNull() && std::find(pending.ids.begin(), pending.ids.end(),
                                                            observation.id) != pending.ids.end())
                affected.push_back(observation);
        }
        for (const auto& forwarding : info->forwardings) {
            if (keyIsAffectedBy(cls, forwarding.key, key))
                moved.emplace_back(forwarding.forwarder);
        }
    }
    // The rest of each key path now starts at the new object, before anyone hears of the change.
    for (const auto& forwarder : moved)
        forwarder->retarget();
    std::vector<Delivery> deliveries;
    for (const auto& observation : affected)
        deliveries.push_back(
            completedChange(this, observation, pending.oldValues.value(observation.id)));
    deliver(this, deliveries);
}
