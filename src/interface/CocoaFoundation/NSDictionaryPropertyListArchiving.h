#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// The PropertyListArchiving extension of the dictionary: a dictionary (QVariantMap) as keyed
// archive data and back.
namespace PropertyListArchiving {

inline constexpr char NSDictionary_PropertyListArchivingDefaultKey[] =
    "NSDictionary_PropertyListArchivingDefaultKey";

// The dictionary archived under `key`. Raises NSException ("NSInvalidArgumentException") when a
// value is not a property-list value.
QByteArray propertyListData(const QVariantMap& dictionary, const QString& key);
QByteArray propertyListData(const QVariantMap& dictionary);

// The object archived under `key` (nil when the archive has none, whatever its type). Raises
// NSException ("NSInvalidArgumentException") when the data is not a keyed archive.
QVariant dictionaryWithPropertyListData(const QByteArray& data, const QString& key);
QVariant dictionaryWithPropertyListData(const QByteArray& data);

// A copy of that object as a dictionary; nothing when it is nil. Raises NSException
// ("NSInvalidArgumentException") when it is not a dictionary.
std::optional<QVariantMap> createDictionaryFromPropertyListData(const QByteArray& data,
                                                                const QString& key);

} // namespace PropertyListArchiving
