#pragma once

#include "platform/foundation/NSObject.h"

#include <QString>
#include <QVariantMap>

#include <cstdint>

using NSInteger = std::int32_t;

inline constexpr const char NSCocoaErrorDomain[] = "NSCocoaErrorDomain";
inline constexpr const char NSPOSIXErrorDomain[] = "NSPOSIXErrorDomain";
inline constexpr const char NSOSStatusErrorDomain[] = "NSOSStatusErrorDomain";
inline constexpr const char NSLocalizedDescriptionKey[] = "NSLocalizedDescription";
inline constexpr const char NSFilePathErrorKey[] = "NSFilePath";

// A platform error: a domain, a code within it and further information, the description
// among it.
class NSError : public NSObject {
    Q_OBJECT
public:
    NSError(const QString& domain, NSInteger code, const QVariantMap& userInfo = {});
    // A new error handed to the calling thread's release scope.
    static NSError* errorWithDomain(const QString& domain, NSInteger code,
                                    const QVariantMap& userInfo = {});

    QString domain() const { return mDomain; }
    NSInteger code() const { return mCode; }
    QVariantMap userInfo() const { return mUserInfo; }
    // The text under NSLocalizedDescriptionKey, else one made from the domain and code.
    QString localizedDescription() const;
    // Error Domain=<domain> Code=<code> "<localized description>" [UserInfo={key=value, ...}]
    QString description() const override;

private:
    QString mDomain;
    NSInteger mCode;
    QVariantMap mUserInfo;
};
