#include "platform/foundation/NSError.h"

#include <QStringList>

NSError::NSError(const QString& domain, NSInteger code, const QVariantMap& userInfo)
    : mDomain(domain), mCode(code), mUserInfo(userInfo) {}

NSError* NSError::errorWithDomain(const QString& domain, NSInteger code,
                                  const QVariantMap& userInfo) {
    auto* error = new NSError(domain, code, userInfo);
    error->autorelease();
    return error;
}

QString NSError::localizedDescription() const {
    const QString text = mUserInfo.value(QString::fromLatin1(NSLocalizedDescriptionKey)).toString();
    if (!text.isEmpty())
        return text;
    return QStringLiteral("The operation couldn\u2019t be completed. (%1 error %2.)")
        .arg(mDomain)
        .arg(mCode);
}

QString NSError::description() const {
    QString text = QStringLiteral("Error Domain=%1 Code=%2 \"%3\"")
                       .arg(mDomain)
                       .arg(mCode)
                       .arg(localizedDescription());
    QStringList entries;
    for (auto it = mUserInfo.constBegin(); it != mUserInfo.constEnd(); ++it) {
        if (it.key() == QLatin1String(NSLocalizedDescriptionKey))
            continue;
        entries << QStringLiteral("%1=%2").arg(it.key(), it.value().toString());
    }
    if (!entries.isEmpty())
        text += QStringLiteral(" UserInfo={%1}").arg(entries.join(QStringLiteral(", ")));
    return text;
}
