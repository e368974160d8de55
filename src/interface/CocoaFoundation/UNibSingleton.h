#pragma once

#include "platform/foundation/NSObject.h"

// Class object of UNibSingleton and its subclasses: allocation yields the one registered
// instance of the class's instance key, and class objects are not copied.
class UNibSingletonClass : public NSClass {
public:
    using NSClass::NSClass;

    // The registered instance when there is one; otherwise a new instance made through the root
    // class is registered (first registration wins) and the registered instance is returned.
    NSObject* allocWithZone(NSZone* zone) const override;
    Class copyWithZone(NSZone* zone) const override;
    Class mutableCopyWithZone(NSZone* zone) const override;

    // The key under which the class's instance is registered: the named class method
    // "instanceKey" (by default the class name; a subclass may answer a fixed text so that
    // several classes share one instance).
    virtual QString instanceKey() const;
    // The instance registered under the key, or nullptr.
    virtual NSObject* sharedInstance() const;
    // Registers the instance under the key unless one is registered already; a new registration
    // records "not initialised".
    virtual void setSharedInstance(NSObject* instance) const;
    virtual bool sharedInstanceWasInitialized() const;
    virtual void setSharedInstanceWasInitialized(bool initialized) const;
};

// Base of controllers that exist once per instance key, whether made by code or by an interface
// file: alloc returns the shared instance and init initialises it (initOnceInstance once per key,
// initEveryInstance on every init). Reference counting has no effect on it and it is never
// freed. Make instances with NSAllocInit<T>() or Class::alloc()->init(), never with `new`.
class UNibSingleton : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(UNibSingleton)
public:
    using MetaClass = UNibSingletonClass;

    // Returns the shared instance of the receiver's class (nullptr when none was ever
    // registered), running the set-up hooks under the class's recursive lock.
    NSObject* init() override;
    void awakeFromNib() override;
    // Set-up hooks for subclasses; empty here.
    virtual void initOnceInstance();
    virtual void initEveryInstance();

    NSObject* retain() override;
    void release() override;
    NSObject* autorelease() override;
    // 4294967295, the largest unsigned 32-bit value.
    NSUInteger retainCount() const override;
    NSObject* copyWithZone(NSZone* zone) override;

    // The singleton class object of a class, or nullptr when it is not a UNibSingleton class.
    static const UNibSingletonClass* singletonClass(Class cls);
};

int import_UNibSingleton();
