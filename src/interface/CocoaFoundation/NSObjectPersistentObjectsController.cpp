#include "interface/CocoaFoundation/NSObjectPersistentObjectsController.h"

#include "interface/CocoaFoundation/NSDictionaryPropertyListArchiving.h"
#include "platform/foundation/NSException.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSObject.h"
#include "platform/foundation/NSUserDefaults.h"

#include <QSet>

namespace PersistentObjectsController {

NSObject* sharedPersistentObjectsController(Class cls) {
    NSObject* object = cls ? cls->alloc() : nullptr;
    return object ? object->init() : nullptr;
}

QStringList persistentObjectKeyPathsOrNil(const NSObject* object) {
    Class cls = object ? object->objectClass() : nullptr;
    if (!cls || !cls->respondsToSelector(QStringLiteral("persistentObjectKeyPaths")))
        return {};
    const QVariant keyPaths = cls->perform(QStringLiteral("persistentObjectKeyPaths"));
    if (keyPaths.metaType() != QMetaType::fromType<QSet<QString>>())
        return {};
    const QSet<QString> set = keyPaths.value<QSet<QString>>();
    return QStringList(set.begin(), set.end());
}

QString persistenceObjectKey(const NSObject* object) {
    return object ? object->className() : QString();
}

QVariantMap persistentDictionaryWithValuesForKeyPaths(NSObject* object,
                                                      const QStringList& keyPaths) {
    QVariantMap dictionary;
    for (const QString& keyPath : keyPaths) {
        try {
            const QVariant value = object->valueForKeyPath(keyPath);
            if (value.isValid())
                dictionary.insert(keyPath, value);
        } catch (const NSException& exception) {
            NSLog("UPersistentObjectController::persistentDictionaryWithValuesForKeyPaths: "
                  "exception:%@\n",
                  exception.description());
        }
    }
    return dictionary;
}

void setPersistentDictionary(NSObject* object, const std::optional<QVariantMap>& dictionary,
                             const QStringList& keyPaths) {
    if (!dictionary)
        return;
    for (auto it = dictionary->cbegin(); it != dictionary->cend(); ++it) {
        if (!keyPaths.contains(it.key()))
            continue;
        try {
            object->setValue_forKeyPath(it.value(), it.key());
        } catch (const NSException& exception) {
            NSLog("UPersistentObjectController::setPersistentDictionary:withValuesForKeyPaths "
                  "exception:%@\n",
                  exception.description());
        }
    }
}

void persistentObjectSaveData(NSObject* object) {
    const QStringList keyPaths = persistentObjectKeyPathsOrNil(object);
    const QVariantMap dictionary = persistentDictionaryWithValuesForKeyPaths(object, keyPaths);
    if (dictionary.isEmpty())
        return;
    const QByteArray data =
        PropertyListArchiving::propertyListData(dictionary, QString::fromLatin1(kArchiveKey));
    NSUserDefaults* defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObject(data, persistenceObjectKey(object));
    defaults->synchronize();
}

void persistentObjectLoadData(NSObject* object) {
    const QStringList keyPaths = persistentObjectKeyPathsOrNil(object);
    const QVariant stored =
        NSUserDefaults::standardUserDefaults()->objectForKey(persistenceObjectKey(object));
    if (!stored.isValid())
        return;
    // A stored value that is not data is not an archive either.
    if (stored.metaType() != QMetaType::fromType<QByteArray>())
        NSException::raise(NSInvalidArgumentException,
                           QStringLiteral("the stored entry %1 is not archive data")
                               .arg(persistenceObjectKey(object)));
    setPersistentDictionary(object,
                            PropertyListArchiving::createDictionaryFromPropertyListData(
                                stored.toByteArray(), QString::fromLatin1(kArchiveKey)),
                            keyPaths);
}

} // namespace PersistentObjectsController
