#include "platform/foundation/NSSelector.h"

#include "platform/foundation/NSException.h"
#include "platform/foundation/NSObject.h"
#include "platform/foundation/NSThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QMetaProperty>
#include <QStringList>
#include <QThread>

namespace NSSelector {

int argumentCount(const QString& selector) {
    return static_cast<int>(selector.count(QLatin1Char(':')));
}

namespace {

QMetaMethod findByName(const QMetaObject* metaObject, const QByteArray& name, int parameters) {
    for (int i = metaObject->methodCount() - 1; i >= 0; --i) {
        QMetaMethod method = metaObject->method(i);
        if (method.methodType() != QMetaMethod::Method && method.methodType() != QMetaMethod::Slot)
            continue;
        if (method.parameterCount() == parameters && method.name() == name)
            return method;
    }
    return {};
}

QMetaProperty findProperty(const QMetaObject* metaObject, const QString& name) {
    const int index = metaObject->indexOfProperty(name.toLatin1().constData());
    return index >= 0 ? metaObject->property(index) : QMetaProperty();
}

} // namespace

QMetaMethod findMethod(const QMetaObject* metaObject, const QString& selector) {
    if (!metaObject || selector.isEmpty())
        return {};
    const int parameters = argumentCount(selector);
    QStringList keywords = selector.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (keywords.isEmpty())
        return {};
    QMetaMethod method = findByName(metaObject, keywords.first().toLatin1(), parameters);
    if (!method.isValid() && keywords.size() > 1)
        method = findByName(metaObject, keywords.join(QLatin1Char('_')).toLatin1(), parameters);
    return method;
}

bool metaObjectResponds(const QMetaObject* metaObject, const QString& selector) {
    if (!metaObject)
        return false;
    if (findMethod(metaObject, selector).isValid())
        return true;
    const int parameters = argumentCount(selector);
    if (parameters == 0)
        return findProperty(metaObject, selector).isReadable();
    if (parameters == 1 && selector.startsWith(QLatin1String("set")) && selector.size() > 4) {
        QString key = selector.mid(3, selector.size() - 4);
        key[0] = key[0].toLower();
        return findProperty(metaObject, key).isWritable();
    }
    return false;
}

} // namespace NSSelector

bool NSObject::respondsToSelector(const QString& selector) const {
    return NSSelector::metaObjectResponds(metaObject(), selector);
}

namespace {

[[noreturn]] void raiseUnrecognized(const NSObject* object, const QString& selector) {
    NSException::raise(NSInvalidArgumentException,
                       QStringLiteral("-[%1 %2]: unrecognized selector sent to instance %3")
                           .arg(object->className(), selector, object->description()));
}

// Calls `method` on `object` with no or one object argument.
QVariant invoke(NSObject* object, const QMetaMethod& method, NSObject* argument) {
    QVariant result;
    if (method.returnMetaType().isValid() && method.returnMetaType().id() != QMetaType::Void)
        result = QVariant(method.returnMetaType());
    void* args[2] = {result.isValid() ? result.data() : nullptr, nullptr};
    QObject* objectArgument = argument;
    QVariant variantArgument;
    if (method.parameterCount() == 1) {
        const QMetaType type = method.parameterMetaType(0);
        if (type == QMetaType::fromType<QVariant>()) {
            variantArgument = argument ? QVariant::fromValue(argument) : QVariant();
            args[1] = &variantArgument;
        } else if (type.flags().testFlag(QMetaType::PointerToQObject)) {
            const QMetaObject* expected = type.metaObject();
            if (argument && expected && !argument->metaObject()->inherits(expected))
                NSException::raise(
                    NSInvalidArgumentException,
                    QStringLiteral("-[%1 %2]: argument %3 is not a %4")
                        .arg(object->className(), QString::fromLatin1(method.methodSignature()),
                             argument->description(), QString::fromLatin1(expected->className())));
            args[1] = &objectArgument;
        } else {
            NSException::raise(
                NSInvalidArgumentException,
                QStringLiteral("-[%1 %2]: the parameter is not an object")
                    .arg(object->className(), QString::fromLatin1(method.methodSignature())));
        }
    }
    QMetaObject::metacall(object, QMetaObject::InvokeMetaMethod, method.methodIndex(), args);
    return result;
}

} // namespace

QVariant NSObject::performSelector(const QString& selector, NSObject* withObject) {
    const QMetaMethod method = NSSelector::findMethod(metaObject(), selector);
    if (method.isValid())
        return invoke(this, method, withObject);
    if (NSSelector::argumentCount(selector) == 0)
        return valueForKey(selector);
    if (NSSelector::metaObjectResponds(metaObject(), selector)) {
        QString key = selector.mid(3, selector.size() - 4);
        key[0] = key[0].toLower();
        setValue_forKey(withObject ? QVariant::fromValue(withObject) : QVariant(), key);
        return {};
    }
    raiseUnrecognized(this, selector);
}

void NSObject::performSelectorOnMainThread(const QString& selector, NSObject* withObject,
                                           bool waitUntilDone) {
    NSRef<NSObject> target(this);
    NSRef<NSObject> argument(withObject);
    auto call = [target, argument, selector]() mutable {
        NSAutoreleasePool pool;
        target->performSelector(selector, argument.get());
    };
    if (waitUntilDone)
        NSThread::runOnMainThreadAndWait(std::move(call));
    else
        NSThread::runOnMainThread(std::move(call));
}
