#include "platform/foundation/NSKeyedArchiver.h"

#include "platform/foundation/NSException.h"

#include <QCborArray>
#include <QCborStreamReader>
#include <QCborValue>
#include <QDateTime>
#include <QStringList>

#include <limits>

namespace {

constexpr char kArchiverKey[] = "$archiver";
constexpr char kArchiverName[] = "NSKeyedArchiver";
constexpr char kVersionKey[] = "$version";
constexpr qint64 kVersion = 100000;
constexpr char kTopKey[] = "$top";

[[noreturn]] void raiseNotPropertyList(const QVariant& value) {
    NSException::raise(
        NSInvalidArgumentException,
        QStringLiteral("-[NSKeyedArchiver encodeObject:forKey:]: a value of type %1 cannot be "
                       "archived")
            .arg(value.isValid() ? QString::fromLatin1(value.typeName()) : QStringLiteral("nil")));
}

QCborValue encode(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::QString:
        return QCborValue(value.toString());
    case QMetaType::QByteArray:
        return QCborValue(value.toByteArray());
    case QMetaType::Bool:
        return QCborValue(value.toBool());
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::Char:
        return QCborValue(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar: {
        const qulonglong number = value.toULongLong();
        if (number > static_cast<qulonglong>(std::numeric_limits<qint64>::max()))
            raiseNotPropertyList(value);
        return QCborValue(static_cast<qint64>(number));
    }
    case QMetaType::Float:
        return QCborValue(static_cast<double>(value.toFloat()));
    case QMetaType::Double:
        return QCborValue(value.toDouble());
    case QMetaType::QDateTime:
        return QCborValue(value.toDateTime());
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        QCborArray array;
        for (const QVariant& item : value.toList())
            array.append(encode(item));
        return array;
    }
    case QMetaType::QVariantMap: {
        QCborMap map;
        const QVariantMap source = value.toMap();
        for (auto it = source.cbegin(); it != source.cend(); ++it)
            map.insert(it.key(), encode(it.value()));
        return map;
    }
    default:
        // Other containers of values (sets, lists of data, ...) are archived as arrays.
        if (QMetaType::canConvert(value.metaType(), QMetaType::fromType<QVariantList>())) {
            QCborArray array;
            for (const QVariant& item : value.value<QVariantList>())
                array.append(encode(item));
            return array;
        }
        raiseNotPropertyList(value);
    }
}

QVariant decode(const QCborValue& value) {
    switch (value.type()) {
    case QCborValue::Integer:
        return QVariant(value.toInteger());
    case QCborValue::Double:
        return QVariant(value.toDouble());
    case QCborValue::True:
    case QCborValue::False:
        return QVariant(value.toBool());
    case QCborValue::String:
        return QVariant(value.toString());
    case QCborValue::ByteArray:
        return QVariant(value.toByteArray());
    case QCborValue::DateTime:
        return QVariant(value.toDateTime());
    case QCborValue::Array: {
        QVariantList list;
        for (const QCborValue& item : value.toArray())
            list.append(decode(item));
        return list;
    }
    case QCborValue::Map: {
        QVariantMap map;
        const QCborMap source = value.toMap();
        for (auto it = source.cbegin(); it != source.cend(); ++it)
            map.insert(it.key().toString(), decode(it.value()));
        return map;
    }
    default:
        NSException::raise(NSInvalidUnarchiveOperationException,
                           QStringLiteral("-[NSKeyedUnarchiver decodeObjectForKey:]: the archive "
                                          "holds a value of unknown type %1")
                               .arg(static_cast<int>(value.type())));
    }
}

} // namespace

void NSKeyedArchiver::encodeObject(const QVariant& value, const QString& forKey) {
    mTop.insert(forKey, encode(value));
}

QByteArray NSKeyedArchiver::finishEncoding() const {
    QCborMap archive;
    archive.insert(QLatin1String(kArchiverKey), QLatin1String(kArchiverName));
    archive.insert(QLatin1String(kVersionKey), kVersion);
    archive.insert(QLatin1String(kTopKey), mTop);
    return archive.toCborValue().toCbor();
}

QByteArray NSKeyedArchiver::archivedDataWithRootObject(const QVariant& value, const QString& key) {
    NSKeyedArchiver archiver;
    archiver.encodeObject(value, key);
    return archiver.finishEncoding();
}

NSKeyedUnarchiver::NSKeyedUnarchiver(const QByteArray& data) {
    QCborStreamReader reader(data);
    const QCborValue archive = QCborValue::fromCbor(reader);
    const bool complete =
        reader.lastError() == QCborError::NoError && reader.currentOffset() == data.size();
    if (!complete || !archive.isMap() ||
        archive.toMap().value(QLatin1String(kArchiverKey)).toString() !=
            QLatin1String(kArchiverName) ||
        !archive.toMap().value(QLatin1String(kTopKey)).isMap())
        NSException::raise(NSInvalidArgumentException,
                           QStringLiteral("-[NSKeyedUnarchiver initForReadingWithData:]: "
                                          "incomprehensible archive (%1 bytes)")
                               .arg(data.size()));
    mTop = archive.toMap().value(QLatin1String(kTopKey)).toMap();
}

bool NSKeyedUnarchiver::containsValueForKey(const QString& key) const {
    return mTop.contains(key);
}

QVariant NSKeyedUnarchiver::decodeObjectForKey(const QString& key) const {
    if (!mTop.contains(key))
        return {};
    return decode(mTop.value(key));
}
