#pragma once

// The root object.
//
//   auto* a = new Thing();                 // one reference; plain construction, no init
//   Thing* b = NSAllocInit<Thing>();       // alloc + init through the class object; singletons
//                                          // (UNibSingleton) must be made this way
//   NSRef<Thing> owned = NSAdopt(b);       // C++ owner; releases at scope end
//   b->autorelease();                      // or hand the reference to the thread's release scope
//
//   obj->valueForKeyPath("outletFolder.folderPath");      // key-value coding over Q_PROPERTY
//   obj->setValue_forKey(QVariant(25), "frameRate");     // unknown keys raise NSException
//   obj->addObserver(observer, "frameRate", NSKeyValueObservingOptionNew, context);
//   if (obj->respondsToSelector("applicationWillTerminate:"))  // a Q_INVOKABLE method
//       obj->performSelector("applicationWillTerminate:", notification);
//
// Class descriptors, NSClassFromString and the NS_DECLARE_CLASS / NS_IMPLEMENT_CLASS macros are
// described in NSClass.h.

#include "platform/foundation/NSClass.h"
#include "platform/foundation/NSKeyValueObserving.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <atomic>
#include <cstdint>
#include <utility>

// The platform's 32-bit unsigned integer.
using NSUInteger = std::uint32_t;

// Root of the object model. A new object holds one reference; `release` of the last reference
// destroys it, so objects are made with `new` and never deleted directly.
class NSObject : public QObject {
    Q_OBJECT
public:
    // Descriptor type of this class and of subclasses that do not name their own.
    using MetaClass = NSClass;
    static Class classObject();

    NSObject();
    NSObject(const NSObject&) = delete;
    NSObject& operator=(const NSObject&) = delete;

    // Initialisation after alloc. Returns the object to use from then on (usually `this`), or
    // nullptr on failure; an initialiser that fails releases the receiver. The root's does
    // nothing and returns `this`.
    virtual NSObject* init();
    // Sent by the interface-file loader after every object of the file is connected.
    virtual void awakeFromNib();

    // Copying (NSCopying): `copy` is copyWithZone(nullptr). The root raises NSException
    // ("NSInvalidArgumentException"): a class that can be copied overrides copyWithZone.
    NSObject* copy() { return copyWithZone(nullptr); }
    virtual NSObject* copyWithZone(NSZone* zone);
    NSObject* mutableCopy() { return mutableCopyWithZone(nullptr); }
    virtual NSObject* mutableCopyWithZone(NSZone* zone);

    // The object's class: the registered class of its Qt meta-object, or of the nearest
    // registered ancestor (NSObject for classes never registered).
    Class objectClass() const;
    QString className() const;
    bool isKindOfClass(Class cls) const;
    bool isMemberOfClass(Class cls) const;

    virtual NSObject* retain();
    virtual void release();
    // Hands one reference to the innermost release scope of the calling thread.
    virtual NSObject* autorelease();
    virtual NSUInteger retainCount() const;

    // Text that log lines print for the object ("%@"): by default "<ClassName: 0x...>".
    virtual QString description() const;

    // Key-value coding. A key names a Q_PROPERTY, or else an invokable method without
    // arguments (read) or setKey with one argument (write). Object values travel as a QVariant
    // holding the object pointer; nil is an invalid QVariant. A key path "a.b.c" walks through
    // objects (and QVariantMap values); a nil step yields nil for reads and does nothing for
    // writes. Unknown keys end in valueForUndefinedKey / setValue_forUndefinedKey, which raise
    // NSException "NSUnknownKeyException"; nil for a scalar property ends in setNilValueForKey,
    // which raises "NSInvalidArgumentException", and so does a value that the property's type
    // cannot take.
    virtual QVariant valueForKey(const QString& key);
    virtual QVariant valueForKeyPath(const QString& keyPath);
    virtual void setValue_forKey(const QVariant& value, const QString& key);
    virtual void setValue_forKeyPath(const QVariant& value, const QString& keyPath);
    virtual QVariant valueForUndefinedKey(const QString& key);
    virtual void setValue_forUndefinedKey(const QVariant& value, const QString& key);
    virtual void setNilValueForKey(const QString& key);

    // Key-value observing. Observers are not retained; an observer destroyed while registered
    // is skipped. An observation of a key path "a.b.c" is told when `a` changes on this object,
    // `b` on the object `a` names or `c` on the object `b` names, or any key one of those
    // depends on (keyPathsForValuesAffecting<Key>, transitively, dependent key paths followed
    // the same way); old and new values are those of the whole key path. When an object along
    // the path is replaced, the observation moves to the new one. Intermediate objects are not
    // retained either. setValue_forKey announces the change itself when
    // automaticallyNotifiesObserversForKey is true; other setters call willChangeValueForKey /
    // didChangeValueForKey.
    virtual void addObserver(NSObject* observer, const QString& keyPath, unsigned options,
                             void* context);
    virtual void removeObserver(NSObject* observer, const QString& keyPath);
    virtual void removeObserver(NSObject* observer, const QString& keyPath, void* context);
    virtual void willChangeValueForKey(const QString& key);
    virtual void didChangeValueForKey(const QString& key);
    // Receives changes of what this object observes; the change dictionary uses the
    // NSKeyValueChange...Key names of NSKeyValueObserving.h.
    virtual void observeValueForKeyPath(const QString& keyPath, NSObject* object,
                                        const QVariantMap& change, void* context);
    virtual bool automaticallyNotifiesObserversForKey(const QString& key) const;
    // Number of observations registered on this object.
    int observationCount() const;

    // Selectors name invokable methods (Q_INVOKABLE or slots) by their first keyword, with one
    // parameter per ':' ("applicationWillTerminate:" is applicationWillTerminate(NSNotification*);
    // "a:b:" may also be a_b(x, y)). A selector without ':' also names a readable property, and
    // "setKey:" a writable one.
    bool respondsToSelector(const QString& selector) const;
    // Calls a method of no or one object argument and returns its result (nil for void). Raises
    // NSException "NSInvalidArgumentException" for a selector the object does not answer or an
    // argument of the wrong class.
    QVariant performSelector(const QString& selector, NSObject* withObject = nullptr);
    // Runs performSelector on the main thread. The receiver and the argument are retained until
    // the call has run. Without waiting the call is queued on the main event loop; waiting, it
    // runs at once when the caller is the main thread, otherwise the caller blocks until done.
    void performSelectorOnMainThread(const QString& selector, NSObject* withObject,
                                     bool waitUntilDone);

protected:
    ~NSObject() override;

private:
    friend class NSKeyPathForwarder;
    // The observer registry, made on the first addObserver; nullptr before.
    struct NSObservationInfo* observationInfo(bool create) const;

    std::atomic<NSUInteger> mRetainCount{1};
    mutable std::atomic<struct NSObservationInfo*> mObservationInfo{nullptr};
};

// [[T alloc] init] through T's class object: the initialised object with one reference owned by
// the caller, or nullptr when allocation or initialisation failed (or `init` returned an object
// that is not a T).
template <class T>
T* NSAllocInit() {
    NSObject* object = T::classObject()->alloc();
    if (!object)
        return nullptr;
    object = object->init();
    T* result = dynamic_cast<T*>(object);
    if (object && !result)
        object->release();
    return result;
}

// A per-thread release scope. Scopes nest; draining one releases every reference handed to it
// while it was the innermost scope of its thread. Made and destroyed on the same thread.
class NSAutoreleasePool {
public:
    NSAutoreleasePool();
    ~NSAutoreleasePool();
    NSAutoreleasePool(const NSAutoreleasePool&) = delete;
    NSAutoreleasePool& operator=(const NSAutoreleasePool&) = delete;

    // Releases what the scope holds now; the scope stays open.
    void drain();
    // Number of references the calling thread's innermost scope holds (0 without a scope).
    static std::size_t pendingCountOnCurrentThread();

private:
    friend class NSObject;
    static bool addObject(NSObject* object);

    struct Impl;
    Impl* mImpl;
};

// A strong reference for C++ owners: retains on copy, releases on destruction.
template <class T>
class NSRef {
public:
    NSRef() = default;
    NSRef(std::nullptr_t) {}
    // Retains `object`.
    explicit NSRef(T* object) : mObject(object) {
        if (mObject)
            mObject->retain();
    }
    // Takes over a reference the caller already owns (a new object, a copy).
    static NSRef adopt(T* object) {
        NSRef ref;
        ref.mObject = object;
        return ref;
    }
    NSRef(const NSRef& other) : NSRef(other.mObject) {}
    NSRef(NSRef&& other) noexcept : mObject(std::exchange(other.mObject, nullptr)) {}
    template <class U>
    NSRef(const NSRef<U>& other) : NSRef(static_cast<T*>(other.get())) {}
    NSRef& operator=(NSRef other) noexcept {
        std::swap(mObject, other.mObject);
        return *this;
    }
    ~NSRef() {
        if (mObject)
            mObject->release();
    }

    T* get() const { return mObject; }
    T* operator->() const { return mObject; }
    T& operator*() const { return *mObject; }
    explicit operator bool() const { return mObject != nullptr; }
    // Gives up the reference without releasing it.
    T* take() { return std::exchange(mObject, nullptr); }
    void reset() { *this = NSRef(); }

private:
    T* mObject = nullptr;
};

template <class T>
NSRef<T> NSAdopt(T* object) {
    return NSRef<T>::adopt(object);
}
