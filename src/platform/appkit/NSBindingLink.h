#pragma once

#include "platform/foundation/NSObject.h"

#include <QPointer>
#include <QString>

// Carries changes between the two ends of one binding (see NSBind). A Qt child of the bound
// object, so it goes with it. Its `object` is the bound object, for observers that record what
// an element showed when it was bound.
class NSBindingLink : public NSObject {
    Q_OBJECT
    Q_PROPERTY(NSObject* object READ object)
public:
    NSBindingLink(NSObject* object, QString binding, NSObject* target, QString keyPath);
    ~NSBindingLink() override;

    NSObject* object() const { return mObject; }
    void observeValueForKeyPath(const QString& keyPath, NSObject* object, const QVariantMap& change,
                                void* context) override;
    // Shows the key path's current value.
    void pull();

private:
    void writeBack(const QString& binding);

    QPointer<NSObject> mObject;
    QString mBinding;
    QPointer<NSObject> mTarget;
    QString mKeyPath;
    bool mWriting = false;
};
