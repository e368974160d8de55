#include "interface/CocoaFoundation/NSDictionaryPropertyListArchiving.h"

#include "platform/foundation/NSException.h"
#include "platform/foundation/NSKeyedArchiver.h"

namespace PropertyListArchiving {

QByteArray propertyListData(const QVariantMap& dictionary, const QString& key) {
    NSKeyedArchiver archiver;
    archiver.encodeObject(dictionary, key);
    return archiver.finishEncoding();
}

QByteArray propertyListData(const QVariantMap& dictionary) {
    return propertyListData(dictionary,
                            QString::fromLatin1(NSDictionary_PropertyListArchivingDefaultKey));
}

QVariant dictionaryWithPropertyListData(const QByteArray& data, const QString& key) {
    const NSKeyedUnarchiver unarchiver(data);
    return unarchiver.decodeObjectForKey(key);
}

QVariant dictionaryWithPropertyListData(const QByteArray& data) {
    return dictionaryWithPropertyListData(
        data, QString::fromLatin1(NSDictionary_PropertyListArchivingDefaultKey));
}

std::optional<QVariantMap> createDictionaryFromPropertyListData(const QByteArray& data,
                                                                const QString& key) {
    const QVariant object = dictionaryWithPropertyListData(data, key);
    if (!object.isValid())
        return std::nullopt;
    if (object.metaType() != QMetaType::fromType<QVariantMap>())
        NSException::raise(NSInvalidArgumentException,
                           QStringLiteral("-[NSDictionary initWithDictionary:]: the archived "
                                          "object of type %1 is not a dictionary")
                               .arg(QString::fromLatin1(object.typeName())));
    return object.toMap();
}

} // namespace PropertyListArchiving
