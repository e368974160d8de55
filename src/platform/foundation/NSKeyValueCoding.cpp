// Key-value coding of NSObject over Q_PROPERTY and invokable accessors.

#include "platform/foundation/NSObject.h"

#include "platform/foundation/NSException.h"
#include "platform/foundation/NSKeyValueCoding.h"
#include "platform/foundation/NSSelector.h"

#include <QMetaProperty>

namespace {

QMetaProperty propertyForKey(const QMetaObject* metaObject, const QString& key) {
    const int index = metaObject->indexOfProperty(key.toLatin1().constData());
    return index >= 0 ? metaObject->property(index) : QMetaProperty();
}

QString setterSelector(const QString& key) {
    return QStringLiteral("set") + key.left(1).toUpper() + key.mid(1) + QLatin1Char(':');
}

// Scalars take no nil: numbers, booleans, characters and geometry values.
bool isScalar(QMetaType type) {
    switch (type.id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Float:
    case QMetaType::Double:
    case QMetaType::QSize:
    case QMetaType::QSizeF:
    case QMetaType::QPoint:
    case QMetaType::QPointF:
    case QMetaType::QRect:
    case QMetaType::QRectF:
        return true;
    default:
        return type.flags().testFlag(QMetaType::IsEnumeration);
    }
}

// Converts `value` for a slot of `type`; false when it cannot take it.
bool convertForType(const QVariant& value, QMetaType type, QVariant* converted) {
    if (type == QMetaType::fromType<QVariant>()) {
        *converted = value;
        return true;
    }
    if (!value.isValid()) {
        *converted = QVariant(type);
        return true;
    }
    *converted = value;
    if (converted->metaType() == type)
        return true;
    return converted->convert(type);
}

// A value's text for a message: a long one (it may come from a settings file of any size) by
// its first 200 characters and its length.
QString valueText(const QVariant& value) {
    constexpr qsizetype kShown = 200;
    const QString text = value.toString();
    if (text.size() <= kShown)
        return text;
    return QStringLiteral("%1\u2026 (%2 characters)").arg(text.left(kShown)).arg(text.size());
}

[[noreturn]] void raiseWrongType(const NSObject* object, const QString& key, const QVariant& value,
                                 QMetaType type) {
    NSException::raise(NSInvalidArgumentException,
                       QStringLiteral("[%1 setValue:forKey:]: the value %2 of type %3 does not fit "
                                      "the key %4 of type %5")
                           .arg(object->description(), valueText(value),
                                QString::fromLatin1(value.typeName()), key,
                                QString::fromLatin1(type.name())));
}

} // namespace

namespace NSKeyValueCoding {

NSObject* objectFromValue(const QVariant& value) {
    if (!value.isValid() || !value.metaType().flags().testFlag(QMetaType::PointerToQObject))
        return nullptr;
    return qobject_cast<NSObject*>(*static_cast<QObject* const*>(value.constData()));
}

bool isObjectValue(const QVariant& value) {
    return value.isValid() && value.metaType().flags().testFlag(QMetaType::PointerToQObject);
}

QVariant valueForKeyPath(const QVariant& root, const QString& keyPath) {
    if (!root.isValid())
        return {};
    if (isObjectValue(root)) {
        NSObject* object = objectFromValue(root);
        return object ? object->valueForKeyPath(keyPath) : QVariant();
    }
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    const QString key = dot < 0 ? keyPath : keyPath.left(dot);
    if (root.metaType() == QMetaType::fromType<QVariantMap>()) {
        const QVariant value = root.toMap().value(key);
        return dot < 0 ? value : valueForKeyPath(value, keyPath.mid(dot + 1));
    }
    NSException::raise(NSUnknownKeyException,
                       QStringLiteral("[<%1> valueForUndefinedKey:]: this class is not key value "
                                      "coding-compliant for the key %2.")
                           .arg(QString::fromLatin1(root.typeName()), key));
}

} // namespace NSKeyValueCoding

QVariant NSObject::valueForKey(const QString& key) {
    const QMetaProperty property = propertyForKey(metaObject(), key);
    if (property.isValid() && property.isReadable())
        return property.read(this);
    const QMetaMethod getter = NSSelector::findMethod(metaObject(), key);
    if (getter.isValid() && !key.contains(QLatin1Char(':')))
        return performSelector(key);
    return valueForUndefinedKey(key);
}

QVariant NSObject::valueForKeyPath(const QString& keyPath) {
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return valueForKey(keyPath);
    const QVariant first = valueForKey(keyPath.left(dot));
    return NSKeyValueCoding::valueForKeyPath(first, keyPath.mid(dot + 1));
}

void NSObject::setValue_forKey(const QVariant& value, const QString& key) {
    const QMetaProperty property = propertyForKey(metaObject(), key);
    QMetaMethod setter;
    QMetaType type;
    if (property.isValid() && property.isWritable()) {
        type = property.metaType();
    } else {
        setter = NSSelector::findMethod(metaObject(), setterSelector(key));
        if (!setter.isValid()) {
            setValue_forUndefinedKey(value, key);
            return;
        }
        type = setter.parameterMetaType(0);
    }
    if (!value.isValid() && isScalar(type)) {
        setNilValueForKey(key);
        return;
    }
    QVariant converted;
    if (!convertForType(value, type, &converted))
        raiseWrongType(this, key, value, type);

    const bool announce = observationCount() > 0 && automaticallyNotifiesObserversForKey(key);
    if (announce)
        willChangeValueForKey(key);
    bool written = true;
    if (setter.isValid()) {
        void* args[2] = {nullptr, converted.data()};
        QMetaObject::metacall(this, QMetaObject::InvokeMetaMethod, setter.methodIndex(), args);
    } else {
        written = property.write(this, converted);
    }
    if (announce)
        didChangeValueForKey(key);
    if (!written)
        raiseWrongType(this, key, value, type);
}

void NSObject::setValue_forKeyPath(const QVariant& value, const QString& keyPath) {
    const qsizetype last = keyPath.lastIndexOf(QLatin1Char('.'));
    if (last < 0) {
        setValue_forKey(value, keyPath);
        return;
    }
    const QVariant target = valueForKeyPath(keyPath.left(last));
    if (!target.isValid())
        return;
    NSObject* object = NSKeyValueCoding::objectFromValue(target);
    if (!object) {
        if (NSKeyValueCoding::isObjectValue(target))
            return;
        NSException::raise(NSUnknownKeyException,
                           QStringLiteral("[<%1> setValue:forUndefinedKey:]: this class is not key "
                                          "value coding-compliant for the key %2.")
                               .arg(QString::fromLatin1(target.typeName()), keyPath.mid(last + 1)));
    }
    object->setValue_forKey(value, keyPath.mid(last + 1));
}

QVariant NSObject::valueForUndefinedKey(const QString& key) {
    NSException::raise(NSUnknownKeyException,
                       QStringLiteral("[%1 valueForUndefinedKey:]: this class is not key value "
                                      "coding-compliant for the key %2.")
                           .arg(description(), key));
}

void NSObject::setValue_forUndefinedKey(const QVariant& /*value*/, const QString& key) {
    NSException::raise(NSUnknownKeyException,
                       QStringLiteral("[%1 setValue:forUndefinedKey:]: this class is not key value "
                                      "coding-compliant for the key %2.")
                           .arg(description(), key));
}

void NSObject::setNilValueForKey(const QString& key) {
    NSException::raise(NSInvalidArgumentException,
                       QStringLiteral("[%1 setNilValueForKey]: could not set nil as the value for "
                                      "the key %2.")
                           .arg(description(), key));
}
