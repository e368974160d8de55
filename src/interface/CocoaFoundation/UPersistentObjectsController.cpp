#include "interface/CocoaFoundation/UPersistentObjectsController.h"

#include "interface/CocoaFoundation/NSObjectPersistentObjectsController.h"
#include "platform/foundation/NSException.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSNotificationCenter.h"

#include <atomic>
#include <mutex>

NS_IMPLEMENT_CLASS(UPersistentObjectsController, UNibSingleton)

int import_UPersistentObjectsController() {
    return import_UNibSingleton() && UPersistentObjectsController::classObject() ? 1 : 0;
}

namespace {
constexpr qsizetype kInitialCapacity = 9;
}

struct UPersistentObjectsController::Impl {
    mutable std::mutex lock;
    QList<NSRef<NSObject>> objects;
    // Objects whose stored entry could not be restored: the terminate pass leaves their entries
    // as they are on disk instead of writing this run's values over them.
    QList<const NSObject*> unrestored;
    std::atomic<bool> wasLaunched{false};
};

UPersistentObjectsController::UPersistentObjectsController() : mImpl(std::make_unique<Impl>()) {}

// The shared instance is never freed; other instances (tests) stop observing here.
UPersistentObjectsController::~UPersistentObjectsController() {
    NSNotificationCenter::defaultCenter()->removeObserver(this);
}

UPersistentObjectsController* UPersistentObjectsController::sharedPersistentObjectsController() {
    return dynamic_cast<UPersistentObjectsController*>(
        PersistentObjectsController::sharedPersistentObjectsController(classObject()));
}

void UPersistentObjectsController::initOnceInstance() {
    setWasLaunched(false);
    {
        std::lock_guard guard(mImpl->lock);
        mImpl->objects.clear();
        mImpl->objects.reserve(kInitialCapacity);
        mImpl->unrestored.clear();
    }
    NSNotificationCenter* center = NSNotificationCenter::defaultCenter();
    center->addObserver(this, QStringLiteral("applicationWillFinishLaunching:"),
                        QString::fromLatin1(NSApplicationWillFinishLaunchingNotification), nullptr);
    center->addObserver(this, QStringLiteral("applicationWillTerminate:"),
                        QString::fromLatin1(NSApplicationWillTerminateNotification), nullptr);
}

void UPersistentObjectsController::registerPersistentObject(NSObject* object) {
    if (wasLaunched() || !object)
        return;
    Class cls = object->objectClass();
    if (!cls || !cls->respondsToSelector(QStringLiteral("persistentObjectKeyPaths")))
        return;
    std::lock_guard guard(mImpl->lock);
    for (const NSRef<NSObject>& registered : mImpl->objects) {
        if (registered.get() == object)
            return;
    }
    mImpl->objects.append(NSRef<NSObject>(object));
}

void UPersistentObjectsController::applicationWillFinishLaunching(
    NSNotification* /*notification*/) {
    setWasLaunched(true);
    const QList<NSObject*> registered = objects();
    for (NSObject* object : registered) {
        try {
            PersistentObjectsController::persistentObjectLoadData(object);
        } catch (const NSException& exception) {
            {
                std::lock_guard guard(mImpl->lock);
                mImpl->unrestored.append(object);
            }
            NSLog("UPersistentObjectsController::applicationWillFinishLaunching: %@ "
                  "exception:%@\n",
                  PersistentObjectsController::persistenceObjectKey(object),
                  exception.description());
        }
    }
}

void UPersistentObjectsController::applicationWillTerminate(NSNotification* /*notification*/) {
    const QList<NSObject*> registered = objects();
    for (NSObject* object : registered) {
        {
            std::lock_guard guard(mImpl->lock);
            if (mImpl->unrestored.contains(object))
                continue;
        }
        try {
            PersistentObjectsController::persistentObjectSaveData(object);
        } catch (const NSException& exception) {
            NSLog("UPersistentObjectsController::applicationWillTerminate: %@ exception:%@\n",
                  PersistentObjectsController::persistenceObjectKey(object),
                  exception.description());
        }
    }
}

QList<NSObject*> UPersistentObjectsController::objects() const {
    std::lock_guard guard(mImpl->lock);
    QList<NSObject*> snapshot;
    snapshot.reserve(mImpl->objects.size());
    for (const NSRef<NSObject>& object : mImpl->objects)
        snapshot.append(object.get());
    return snapshot;
}

bool UPersistentObjectsController::wasLaunched() const {
    return mImpl->wasLaunched.load();
}

void UPersistentObjectsController::setWasLaunched(bool wasLaunched) {
    mImpl->wasLaunched.store(wasLaunched);
}
