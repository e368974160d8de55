#pragma once

#include <QObject>
#include <QString>

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
    NSObject();
    NSObject(const NSObject&) = delete;
    NSObject& operator=(const NSObject&) = delete;

    virtual NSObject* retain();
    virtual void release();
    // Hands one reference to the innermost release scope of the calling thread.
    virtual NSObject* autorelease();
    virtual NSUInteger retainCount() const;

    // Text that log lines print for the object ("%@"): by default "<ClassName: 0x...>".
    virtual QString description() const;

protected:
    ~NSObject() override;

private:
    std::atomic<NSUInteger> mRetainCount{1};
};

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
