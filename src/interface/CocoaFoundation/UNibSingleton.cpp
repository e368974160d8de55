#include "interface/CocoaFoundation/UNibSingleton.h"

#include "support/CoreStaticOrder.h"

#include <QHash>

#include <limits>
#include <mutex>

NS_IMPLEMENT_CLASS(UNibSingleton, NSObject, [](NSClass& cls) {
    cls.addClassMethod("instanceKey", [](Class self) { return QVariant(NSStringFromClass(self)); });
})

int import_UNibSingleton() {
    return UNibSingleton::classObject() ? 1 : 0;
}

namespace {

// The two process-wide registries. Every class locks its own recursive lock around its use of
// them; since they are shared by all classes, each access also takes this one short lock.
struct Registries {
    std::mutex lock;
    QHash<QString, NSObject*> sSingletonObjects;
    QHash<QString, bool> sSingletonsInitialized;
};

// Made before main and never freed, like the instances it holds.
Registries& registries() {
    static Registries* sRegistries = new Registries;
    return *sRegistries;
}
// Made in the nib singletons' group of the ordered statics, before the groups that may make
// singletons.
struct RegistriesAtLoad {
    RegistriesAtLoad() { registries(); }
};
RegistriesAtLoad sRegistriesAtLoad CORE_STATIC_ORDER(kCoreStaticOrder_NibSingletons);

} // namespace

NSObject* UNibSingletonClass::allocWithZone(NSZone* zone) const {
    std::lock_guard guard(synchronizationLock());
    if (NSObject* shared = sharedInstance())
        return shared;
    NSObject* made = NSClass::allocWithZone(zone);
    if (!made)
        return nullptr;
    setSharedInstance(made);
    NSObject* shared = sharedInstance();
    // A class sharing the key registered its instance first: the new object is not needed.
    if (shared != made)
        made->NSObject::release();
    return shared;
}

Class UNibSingletonClass::copyWithZone(NSZone* /*zone*/) const {
    return nullptr;
}

Class UNibSingletonClass::mutableCopyWithZone(NSZone* /*zone*/) const {
    return nullptr;
}

QString UNibSingletonClass::instanceKey() const {
    return perform("instanceKey").toString();
}

NSObject* UNibSingletonClass::sharedInstance() const {
    std::lock_guard classGuard(synchronizationLock());
    const QString key = instanceKey();
    Registries& reg = registries();
    std::lock_guard guard(reg.lock);
    return reg.sSingletonObjects.value(key);
}

void UNibSingletonClass::setSharedInstance(NSObject* instance) const {
    std::lock_guard classGuard(synchronizationLock());
    const QString key = instanceKey();
    Registries& reg = registries();
    std::lock_guard guard(reg.lock);
    if (reg.sSingletonObjects.contains(key))
        return;
    reg.sSingletonObjects.insert(key, instance);
    reg.sSingletonsInitialized.insert(key, false);
}

bool UNibSingletonClass::sharedInstanceWasInitialized() const {
    std::lock_guard classGuard(synchronizationLock());
    const QString key = instanceKey();
    Registries& reg = registries();
    std::lock_guard guard(reg.lock);
    return reg.sSingletonsInitialized.value(key, false);
}

void UNibSingletonClass::setSharedInstanceWasInitialized(bool initialized) const {
    std::lock_guard classGuard(synchronizationLock());
    const QString key = instanceKey();
    Registries& reg = registries();
    std::lock_guard guard(reg.lock);
    reg.sSingletonsInitialized.insert(key, initialized);
}

const UNibSingletonClass* UNibSingleton::singletonClass(Class cls) {
    return dynamic_cast<const UNibSingletonClass*>(cls);
}

NSObject* UNibSingleton::init() {
    const UNibSingletonClass* cls = singletonClass(objectClass());
    if (!cls)
        return nullptr;
    std::lock_guard guard(cls->synchronizationLock());
    auto* instance = dynamic_cast<UNibSingleton*>(cls->sharedInstance());
    if (!instance) {
        // An object made without its class's allocation is not the shared instance: it goes.
        NSObject::release();
        return nullptr;
    }
    // The receiver is the shared instance in every normal path (alloc returned it); a stray
    // object made with `new` is dropped in favour of it.
    if (instance != this)
        NSObject::release();
    if (!cls->sharedInstanceWasInitialized()) {
        cls->setSharedInstanceWasInitialized(true);
        instance->NSObject::init();
        instance->initOnceInstance();
    }
    instance->initEveryInstance();
    return instance;
}

void UNibSingleton::awakeFromNib() {}

void UNibSingleton::initOnceInstance() {}

void UNibSingleton::initEveryInstance() {}

NSObject* UNibSingleton::retain() {
    return this;
}

void UNibSingleton::release() {}

NSObject* UNibSingleton::autorelease() {
    return this;
}

NSUInteger UNibSingleton::retainCount() const {
    return std::numeric_limits<NSUInteger>::max();
}

NSObject* UNibSingleton::copyWithZone(NSZone* /*zone*/) {
    return this;
}
