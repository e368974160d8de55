#pragma once

#include <QByteArray>
#include <QCborMap>
#include <QString>
#include <QVariant>

// Keyed archives of property-list values: strings, data, numbers, booleans, dates, arrays and
// dictionaries (QVariantMap), nested freely. The bytes are a CBOR map
//   {"$archiver": "NSKeyedArchiver", "$version": 100000, "$top": {key: value, ...}}
// in which strings and data keep every byte, integers their exact value (decoded as qint64) and
// floating-point numbers their exact double value.
class NSKeyedArchiver {
public:
    // Raises NSException "NSInvalidArgumentException" for a value that is not a property-list
    // value (nil, an object, an unsupported type).
    void encodeObject(const QVariant& value, const QString& forKey);
    // The archive of everything encoded so far.
    QByteArray finishEncoding() const;

    static QByteArray archivedDataWithRootObject(const QVariant& value, const QString& key);

private:
    QCborMap mTop;
};

class NSKeyedUnarchiver {
public:
    // Raises NSException "NSInvalidArgumentException" when the data is not a keyed archive.
    explicit NSKeyedUnarchiver(const QByteArray& data);

    bool containsValueForKey(const QString& key) const;
    // The value under the key; nil when there is none.
    QVariant decodeObjectForKey(const QString& key) const;

private:
    QCborMap mTop;
};
