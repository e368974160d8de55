#pragma once

#include <QString>
#include <QVariant>

class NSObject;

// Helpers for values that key-value coding hands around.
namespace NSKeyValueCoding {

// True when the value holds a pointer to a QObject (possibly null).
bool isObjectValue(const QVariant& value);
// The object the value holds, or nullptr (nil, not an object, or not an NSObject).
NSObject* objectFromValue(const QVariant& value);
// Walks `keyPath` from a value: through objects by their valueForKeyPath and through QVariantMap
// entries by key. Nil stays nil; any other value raises NSException "NSUnknownKeyException".
QVariant valueForKeyPath(const QVariant& root, const QString& keyPath);

} // namespace NSKeyValueCoding
