#pragma once

#include "platform/foundation/NSObject.h"

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

class NSNotification;

// Delivers notifications synchronously, on the posting thread, to the observers registered for
// their name (or for every name) and their object (or for every object). Observers are not
// retained: an observer removes itself before it goes away (one destroyed while registered is
// skipped). Observers may add or remove observers while a notification is delivered; one removed
// during a delivery is not called afterwards.
class NSNotificationCenter : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(NSNotificationCenter)
public:
    using Block = std::function<void(NSNotification*)>;

    NSNotificationCenter();
    ~NSNotificationCenter() override;

    // The process-wide centre; never freed.
    static NSNotificationCenter* defaultCenter();

    // Calls `selector` (one NSNotification* argument) of `observer`. An empty name matches every
    // name; a nil object matches every sender.
    void addObserver(NSObject* observer, const QString& selector, const QString& name,
                     NSObject* object);
    // Calls `block`; returns the token (owned by the centre while registered) to pass to
    // removeObserver.
    NSObject* addObserverForName(const QString& name, NSObject* object, Block block);
    // Removes every registration of the observer, or those matching the name and object.
    void removeObserver(NSObject* observer);
    void removeObserver(NSObject* observer, const QString& name, NSObject* object);

    void postNotification(NSNotification* notification);
    void postNotificationName(const QString& name, NSObject* object,
                              const QVariantMap& userInfo = {});

private:
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};
