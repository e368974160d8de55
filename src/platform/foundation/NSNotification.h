#pragma once

#include "platform/foundation/NSObject.h"

#include <QString>
#include <QVariantMap>

// A posted notification: a name, the object that posted it (retained, may be nil) and extra
// information.
class NSNotification : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(NSNotification)
public:
    NSNotification() = default;
    NSNotification(const QString& name, NSObject* object, const QVariantMap& userInfo = {});
    // A new notification handed to the calling thread's release scope.
    static NSNotification* notificationWithName(const QString& name, NSObject* object,
                                                const QVariantMap& userInfo = {});

    QString name() const { return mName; }
    NSObject* object() const { return mObject.get(); }
    QVariantMap userInfo() const { return mUserInfo; }
    QString description() const override;

private:
    QString mName;
    NSRef<NSObject> mObject;
    QVariantMap mUserInfo;
};

// Notification names of the application object, posted by the application loop.
inline constexpr char NSApplicationWillFinishLaunchingNotification[] =
    "NSApplicationWillFinishLaunchingNotification";
inline constexpr char NSApplicationDidFinishLaunchingNotification[] =
    "NSApplicationDidFinishLaunchingNotification";
inline constexpr char NSApplicationWillTerminateNotification[] =
    "NSApplicationWillTerminateNotification";
