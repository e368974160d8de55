#include "platform/foundation/NSNotificationCenter.h"

#include "platform/foundation/NSNotification.h"

#include <QPointer>

#include <cstdint>
#include <mutex>
#include <vector>

NS_IMPLEMENT_CLASS(NSNotificationCenter, NSObject)

namespace {

// The observer object handed out by addObserverForName.
class BlockObserver : public NSObject {
public:
    explicit BlockObserver(NSNotificationCenter::Block block) : mBlock(std::move(block)) {}
    void call(NSNotification* notification) const { mBlock(notification); }

private:
    NSNotificationCenter::Block mBlock;
};

} // namespace

struct NSNotificationCenter::Impl {
    struct Registration {
        std::uint64_t id;
        NSObject* observer; // identity for removal
        QPointer<NSObject> alive;
        QString selector; // empty for a block observer
        NSRef<NSObject> ownedToken;
        QString name;
        NSObject* object;
    };
    std::mutex lock;
    std::vector<Registration> registrations;
    std::uint64_t nextId = 1;

    bool isRegistered(std::uint64_t id) {
        std::lock_guard guard(lock);
        for (const Registration& registration : registrations) {
            if (registration.id == id)
                return true;
        }
        return false;
    }
};

NSNotificationCenter::NSNotificationCenter() : mImpl(std::make_unique<Impl>()) {}

NSNotificationCenter::~NSNotificationCenter() = default;

NSNotificationCenter* NSNotificationCenter::defaultCenter() {
    static NSNotificationCenter* sCenter = new NSNotificationCenter();
    return sCenter;
}

void NSNotificationCenter::addObserver(NSObject* observer, const QString& selector,
                                       const QString& name, NSObject* object) {
    if (!observer || selector.isEmpty())
        return;
    std::lock_guard guard(mImpl->lock);
    mImpl->registrations.push_back(Impl::Registration{
        mImpl->nextId++, observer, QPointer<NSObject>(observer), selector, {}, name, object});
}

NSObject* NSNotificationCenter::addObserverForName(const QString& name, NSObject* object,
                                                   Block block) {
    NSRef<NSObject> token = NSAdopt<NSObject>(new BlockObserver(std::move(block)));
    NSObject* raw = token.get();
    std::lock_guard guard(mImpl->lock);
    mImpl->registrations.push_back(Impl::Registration{
        mImpl->nextId++, raw, QPointer<NSObject>(raw), {}, std::move(token), name, object});
    return raw;
}

void NSNotificationCenter::removeObserver(NSObject* observer) {
    std::vector<NSRef<NSObject>> tokens; // released outside the lock
    std::lock_guard guard(mImpl->lock);
    std::erase_if(mImpl->registrations, [&](Impl::Registration& registration) {
        if (registration.observer != observer)
            return false;
        tokens.push_back(std::move(registration.ownedToken));
        return true;
    });
}

void NSNotificationCenter::removeObserver(NSObject* observer, const QString& name,
                                          NSObject* object) {
    std::vector<NSRef<NSObject>> tokens;
    std::lock_guard guard(mImpl->lock);
    std::erase_if(mImpl->registrations, [&](Impl::Registration& registration) {
        if (registration.observer != observer)
            return false;
        if (!name.isEmpty() && registration.name != name)
            return false;
        if (object && registration.object != object)
            return false;
        tokens.push_back(std::move(registration.ownedToken));
        return true;
    });
}

void NSNotificationCenter::postNotification(NSNotification* notification) {
    if (!notification)
        return;
    NSRef<NSNotification> keep(notification);
    struct Target {
        std::uint64_t id;
        QPointer<NSObject> observer;
        QString selector;
    };
    std::vector<Target> targets;
    {
        std::lock_guard guard(mImpl->lock);
        for (const Impl::Registration& registration : mImpl->registrations) {
            if (!registration.name.isEmpty() && registration.name != notification->name())
                continue;
            if (registration.object && registration.object != notification->object())
                continue;
            targets.push_back(Target{registration.id, registration.alive, registration.selector});
        }
    }
    for (const Target& target : targets) {
        if (!mImpl->isRegistered(target.id))
            continue;
        NSObject* observer = target.observer.data();
        if (!observer)
            continue;
        if (target.selector.isEmpty()) {
            NSRef<NSObject> hold(observer);
            static_cast<BlockObserver*>(observer)->call(notification);
        } else {
            observer->performSelector(target.selector, notification);
        }
    }
}

void NSNotificationCenter::postNotificationName(const QString& name, NSObject* object,
                                                const QVariantMap& userInfo) {
    NSRef<NSNotification> notification = NSAdopt(new NSNotification(name, object, userInfo));
    postNotification(notification.get());
}
