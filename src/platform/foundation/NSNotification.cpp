#include "platform/foundation/NSNotification.h"

NS_IMPLEMENT_CLASS(NSNotification, NSObject)

NSNotification::NSNotification(const QString& name, NSObject* object, const QVariantMap& userInfo)
    : mName(name), mObject(object), mUserInfo(userInfo) {}

NSNotification* NSNotification::notificationWithName(const QString& name, NSObject* object,
                                                     const QVariantMap& userInfo) {
    auto* notification = new NSNotification(name, object, userInfo);
    notification->autorelease();
    return notification;
}

QString NSNotification::description() const {
    return QStringLiteral("NSConcreteNotification %1 {name = %2; object = %3}")
        .arg(QStringLiteral("0x%1").arg(reinterpret_cast<quintptr>(this), 0, 16), mName,
             mObject ? mObject->description() : QStringLiteral("(null)"));
}
