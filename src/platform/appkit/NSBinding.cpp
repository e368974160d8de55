#include "platform/appkit/NSBinding.h"

#include "platform/appkit/NSBindingLink.h"
#include "platform/appkit/NSControl.h"

#include "platform/foundation/NSException.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSObject.h"
#include "platform/foundation/NSSelector.h"

#include <QPointer>

bool NSBind(NSObject* object, const QString& binding, NSObject* target, const QString& keyPath) {
    if (!object || !target)
        return false;
    const QString setter =
        QStringLiteral("set%1%2:").arg(binding.left(1).toUpper(), binding.mid(1));
    if (!object->respondsToSelector(setter)) {
        NSLog("NSBind: %@ has no binding %@\n", object, binding);
        return false;
    }
    try {
        target->valueForKeyPath(keyPath);
    } catch (const NSException& exception) {
        NSLog("NSBind: %@ has no key path %@: %@\n", target, keyPath, exception.reason());
        return false;
    }
    auto* link = new NSBindingLink(object, binding, target, keyPath);
    link->pull();
    return true;
}

NSBindingLink::NSBindingLink(NSObject* object, QString binding, NSObject* target, QString keyPath)
    : mObject(object), mBinding(std::move(binding)), mTarget(target), mKeyPath(std::move(keyPath)) {
    setParent(object);
    mTarget->addObserver(this, mKeyPath, NSKeyValueObservingOptionNew, nullptr);
    if (auto* control = qobject_cast<NSControl*>(object))
        connect(control, &NSControl::userChangedValue, this,
                [this](const QString& changed) { writeBack(changed); });
}

NSBindingLink::~NSBindingLink() {
    if (mTarget)
        mTarget->removeObserver(this, mKeyPath);
}

void NSBindingLink::observeValueForKeyPath(const QString&, NSObject*, const QVariantMap&, void*) {
    pull();
}

void NSBindingLink::pull() {
    if (!mTarget || !mObject || mWriting)
        return;
    mObject->setValue_forKey(mTarget->valueForKeyPath(mKeyPath), mBinding);
}

void NSBindingLink::writeBack(const QString& binding) {
    if (binding != mBinding || !mTarget || !mObject)
        return;
    mWriting = true;
    try {
        mTarget->setValue_forKeyPath(mObject->valueForKey(mBinding), mKeyPath);
    } catch (const NSException& exception) {
        NSLog("NSBind: %@ cannot take %@ for %@: %@\n", mTarget.data(), mBinding, mKeyPath,
              exception.reason());
    }
    mWriting = false;
    // The target may have adjusted the value (a range, a rounding): show what it kept.
    pull();
}
