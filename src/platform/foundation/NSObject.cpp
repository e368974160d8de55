#include "platform/foundation/NSObject.h"

#include "platform/foundation/NSException.h"
#include "platform/foundation/NSObservationInfo.h"

#include <cstdio>
#include <vector>

namespace {

// Set once a thread's scopes are gone (its thread-local objects are destroyed, at thread end or,
// for the main thread, before the static objects at exit); trivially destructible, so it can
// still be read then.
thread_local bool tScopesGone = false;

struct ScopeStack {
    std::vector<std::vector<NSObject*>> scopes;
    ~ScopeStack() { tScopesGone = true; }
};

ScopeStack& threadScopes() {
    thread_local ScopeStack stack;
    return stack;
}

} // namespace

Class NSObject::classObject() {
    static const Class sClass = NSClass::registerClass(new NSClass(
        "NSObject", nullptr, &NSObject::staticMetaObject, NSClassDetail::factoryFor<NSObject>()));
    return sClass;
}

namespace {
[[maybe_unused]] const Class sRegisteredClass_NSObject = NSObject::classObject();
}

NSObject::NSObject() = default;

NSObject::~NSObject() {
    // Taken out first, so that detaching forwarders never reaches this half-destroyed object.
    delete mObservationInfo.exchange(nullptr);
}

NSObject* NSObject::init() {
    return this;
}

void NSObject::awakeFromNib() {}

NSObject* NSObject::copyWithZone(NSZone* /*zone*/) {
    NSException::raise(
        NSInvalidArgumentException,
        QStringLiteral("-[%1 copyWithZone:]: unrecognized selector sent to instance %2")
            .arg(className(), description()));
}

NSObject* NSObject::mutableCopyWithZone(NSZone* /*zone*/) {
    NSException::raise(
        NSInvalidArgumentException,
        QStringLiteral("-[%1 mutableCopyWithZone:]: unrecognized selector sent to instance %2")
            .arg(className(), description()));
}

Class NSObject::objectClass() const {
    return NSClassForMetaObject(metaObject());
}

QString NSObject::className() const {
    return QString::fromLatin1(metaObject()->className());
}

bool NSObject::isKindOfClass(Class cls) const {
    return cls && metaObject()->inherits(cls->metaObject());
}

bool NSObject::isMemberOfClass(Class cls) const {
    return cls && metaObject() == cls->metaObject();
}

NSObject* NSObject::retain() {
    mRetainCount.fetch_add(1, std::memory_order_relaxed);
    return this;
}

void NSObject::release() {
    if (mRetainCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete this;
}

NSObject* NSObject::autorelease() {
    if (!NSAutoreleasePool::addObject(this))
        std::fprintf(stderr, "*** %s autoreleased with no release scope in place - just leaking\n",
                     metaObject()->className());
    return this;
}

NSUInteger NSObject::retainCount() const {
    return mRetainCount.load(std::memory_order_relaxed);
}

QString NSObject::description() const {
    return QStringLiteral("<%1: 0x%2>")
        .arg(QString::fromLatin1(metaObject()->className()))
        .arg(reinterpret_cast<quintptr>(this), 0, 16);
}

struct NSAutoreleasePool::Impl {
    std::size_t depth;
};

NSAutoreleasePool::NSAutoreleasePool() : mImpl(new Impl{threadScopes().scopes.size()}) {
    threadScopes().scopes.emplace_back();
}

NSAutoreleasePool::~NSAutoreleasePool() {
    // A scope closed after its thread's scopes are gone (a static object's, at exit) has nothing
    // left to release.
    if (tScopesGone) {
        delete mImpl;
        return;
    }
    auto& scopes = threadScopes().scopes;
    // Scopes opened inside this one and not closed yet are drained with it.
    while (scopes.size() > mImpl->depth) {
        std::vector<NSObject*> objects = std::move(scopes.back());
        scopes.pop_back();
        for (NSObject* object : objects)
            object->release();
    }
    delete mImpl;
}

void NSAutoreleasePool::drain() {
    if (tScopesGone)
        return;
    auto& scopes = threadScopes().scopes;
    if (scopes.size() <= mImpl->depth)
        return;
    // Releasing may autorelease more objects into this scope: repeat until it stays empty.
    while (!scopes[mImpl->depth].empty()) {
        std::vector<NSObject*> objects = std::move(scopes[mImpl->depth]);
        scopes[mImpl->depth].clear();
        for (NSObject* object : objects)
            object->release();
    }
}

std::size_t NSAutoreleasePool::pendingCountOnCurrentThread() {
    const auto& scopes = threadScopes().scopes;
    return scopes.empty() ? 0 : scopes.back().size();
}

bool NSAutoreleasePool::addObject(NSObject* object) {
    auto& scopes = threadScopes().scopes;
    if (scopes.empty())
        return false;
    scopes.back().push_back(object);
    return true;
}
