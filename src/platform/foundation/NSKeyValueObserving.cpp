// Key-value observing of NSObject: a registry of observations per object, with changes of a key
// delivered to observations of that key and of every key that depends on it.

#include "platform/foundation/NSObject.h"

#include "platform/foundation/NSException.h"
#include "platform/foundation/NSObservationInfo.h"

#include <QSet>

namespace {

QString rootKey(const QString& keyPath) {
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    return dot < 0 ? keyPath : keyPath.left(dot);
}

// True when a change of `changedKey` changes `key`: the same key, or `key` depends on it through
// keyPathsForValuesAffecting<Key>, directly or through other dependent keys.
bool keyIsAffectedBy(Class cls, const QString& key, const QString& changedKey) {
    if (key == changedKey)
        return true;
    if (!cls)
        return false;
    QSet<QString> visited{key};
    QList<QString> queue{key};
    while (!queue.isEmpty()) {
        const QString current = queue.takeFirst();
        for (const QString& path : cls->keyPathsForValuesAffectingValueForKey(current)) {
            const QString root = rootKey(path);
            if (root == changedKey)
                return true;
            if (!visited.contains(root)) {
                visited.insert(root);
                queue.append(root);
            }
        }
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

} // namespace

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
    {
        NSObservationInfo* info = observationInfo(true);
        std::lock_guard guard(info->lock);
        info->observations.push_back(NSObservationInfo::Observation{
            info->nextId++, QPointer<NSObject>(observer), observer, keyPath, options, context});
    }
    if (options & NSKeyValueObservingOptionInitial) {
        QVariantMap change = settingChange();
        if (options & NSKeyValueObservingOptionNew)
            change.insert(QString::fromLatin1(NSKeyValueChangeNewKey), readValue(this, keyPath));
        observer->observeValueForKeyPath(keyPath, this, change, context);
    }
}

void NSObject::removeObserver(NSObject* observer, const QString& keyPath) {
    NSObservationInfo* info = observationInfo(false);
    if (!info)
        return;
    std::lock_guard guard(info->lock);
    auto& list = info->observations;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (it->rawObserver == observer && it->keyPath == keyPath) {
            list.erase(std::next(it).base());
            return;
        }
    }
}

void NSObject::removeObserver(NSObject* observer, const QString& keyPath, void* context) {
    NSObservationInfo* info = observationInfo(false);
    if (!info)
        return;
    std::lock_guard guard(info->lock);
    auto& list = info->observations;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (it->rawObserver == observer && it->keyPath == keyPath && it->context == context) {
            list.erase(std::next(it).base());
            return;
        }
    }
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
        QVariant old;
        if (observation.options & NSKeyValueObservingOptionOld) {
            old = readValue(this, observation.keyPath);
            pending.oldValues.insert(observation.id, old);
        }
        if (observation.options & NSKeyValueObservingOptionPrior) {
            QVariantMap change = settingChange();
            change.insert(QString::fromLatin1(NSKeyValueChangeNotificationIsPriorKey), true);
            if (observation.options & NSKeyValueObservingOptionOld)
                change.insert(QString::fromLatin1(NSKeyValueChangeOldKey), old);
            priors.push_back(
                Delivery{observation.observer, observation.keyPath, observation.context, change});
        }
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
    NSObservationInfo::Pending pending;
    std::vector<NSObservationInfo::Observation> affected;
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
    }
    std::vector<Delivery> deliveries;
    for (const auto& observation : affected) {
        QVariantMap change = settingChange();
        if (observation.options & NSKeyValueObservingOptionNew)
            change.insert(QString::fromLatin1(NSKeyValueChangeNewKey),
                          readValue(this, observation.keyPath));
        if (observation.options & NSKeyValueObservingOptionOld)
            change.insert(QString::fromLatin1(NSKeyValueChangeOldKey),
                          pending.oldValues.value(observation.id));
        deliveries.push_back(
            Delivery{observation.observer, observation.keyPath, observation.context, change});
    }
    deliver(this, deliveries);
}
