#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

class NSObject;
class NSClass;
using Class = const NSClass*;

// The PersistentObjectsController extension of the root object: saving and loading an object's
// persistent key paths (its class method "persistentObjectKeyPaths", a QSet<QString>) in the
// standard user defaults.
namespace PersistentObjectsController {

// The archive key of the stored dictionaries.
inline constexpr char kArchiveKey[] = "UPersistentObjectsController";

// A new instance of the class by plain allocation and initialisation (for a nib singleton, its
// shared instance); nullptr when that fails. The caller owns the reference.
NSObject* sharedPersistentObjectsController(Class cls);

// The members of the class's persistentObjectKeyPaths when it answers with a set; empty when
// the class lacks it or answers nil or anything else.
QStringList persistentObjectKeyPathsOrNil(const NSObject* object);
// The user-defaults key of the object: its class name.
QString persistenceObjectKey(const NSObject* object);
// Key path -> current value, for every key path whose value is not nil. A read that raises a
// platform exception is logged and skipped.
QVariantMap persistentDictionaryWithValuesForKeyPaths(NSObject* object,
                                                      const QStringList& keyPaths);
// Sets each stored value whose key is among `keyPaths`; other keys are skipped. A write that
// raises a platform exception is logged and skipped. Nothing happens without a dictionary.
void setPersistentDictionary(NSObject* object, const std::optional<QVariantMap>& dictionary,
                             const QStringList& keyPaths);
// Stores the object's values in the standard user defaults and synchronises them; with no
// values nothing is written.
void persistentObjectSaveData(NSObject* object);
// Restores the object's values from the standard user defaults; a missing entry changes
// nothing. An entry that cannot be decoded raises NSException.
void persistentObjectLoadData(NSObject* object);

} // namespace PersistentObjectsController
