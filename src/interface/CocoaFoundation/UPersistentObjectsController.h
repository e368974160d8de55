#pragma once

#include "interface/CocoaFoundation/UNibSingleton.h"
#include "platform/foundation/NSNotification.h"

#include <QList>

#include <memory>

// Keeps the registered objects' persistent key paths across relaunches: restores them from the
// user defaults when the application will finish launching and saves them when it will
// terminate. One shared instance (a nib singleton), also placed in the main interface file.
class UPersistentObjectsController : public UNibSingleton {
    Q_OBJECT
    NS_DECLARE_CLASS(UPersistentObjectsController)
    Q_PROPERTY(bool wasLaunched READ wasLaunched WRITE setWasLaunched)
public:
    UPersistentObjectsController();
    ~UPersistentObjectsController() override;

    // The shared instance.
    static UPersistentObjectsController* sharedPersistentObjectsController();

    // Once: no objects, not launched, observing the will-finish-launching and will-terminate
    // notifications of any sender.
    void initOnceInstance() override;

    // Adds an object whose class has persistentObjectKeyPaths, until launching; the controller
    // keeps it alive. Registering twice keeps one entry; anything else is ignored.
    Q_INVOKABLE void registerPersistentObject(NSObject* object);
    // Launch pass: restores every registered object, in registration order. A platform
    // exception is logged for its object alone and the pass goes on; that object is then left
    // out of the terminate pass, so its stored entry stays as it is. Any other exception passes
    // on.
    Q_INVOKABLE void applicationWillFinishLaunching(NSNotification* notification);
    // Terminate pass: saves every registered object that was not left out, with the same
    // failure rule (a platform exception is logged and the next object is saved).
    Q_INVOKABLE void applicationWillTerminate(NSNotification* notification);

    // A snapshot of the registered objects.
    QList<NSObject*> objects() const;
    bool wasLaunched() const;
    void setWasLaunched(bool wasLaunched);

private:
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};

int import_UPersistentObjectsController();
