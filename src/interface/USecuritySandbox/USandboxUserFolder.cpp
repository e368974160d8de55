#include "interface/USecuritySandbox/USandboxUserFolder.h"

#include "interface/USecuritySandbox/NSURLSandboxURL.h"
#include "platform/foundation/NSPathUtilities.h"
#include "platform/foundation/NSURL.h"
#include "platform/foundation/NSUserDefaults.h"

#include <QDir>

namespace {

QVariant affectedBySecurityURL(Class) {
    return QVariant::fromValue(QSet<QString>{QStringLiteral("securityURL")});
}

} // namespace

NS_IMPLEMENT_CLASS(USandboxUserFolder, NSObject, [](NSClass& cls) {
    cls.addClassMethod("defaultFolderPath", [](Class) { return QVariant(NSHomeDirectory()); });
    cls.addClassMethod("defaultSerializationKey", [](Class self) {
        return QVariant(self->name() + QStringLiteral("UserDefaultsKey"));
    });
    cls.addClassMethod("keyPathsForValuesAffectingFolderPath", affectedBySecurityURL);
    cls.addClassMethod("keyPathsForValuesAffectingFolderURL", affectedBySecurityURL);
    cls.addClassMethod("keyPathsForValuesAffectingFolderName", affectedBySecurityURL);
    cls.addClassMethod("keyPathsForValuesAffectingLocalizedDisplayFolderPath",
                       affectedBySecurityURL);
})

int import_USandboxUserFolder() {
    return USandboxUserFolder::classObject() != nullptr && import_NSURLSandboxURL();
}

std::optional<QByteArray> USandboxBookmarkDataFromValue(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    return value.toByteArray();
}

QVariant USandboxValueFromBookmarkData(const std::optional<QByteArray>& data) {
    return data ? QVariant(*data) : QVariant();
}

USandboxUserFolder::USandboxUserFolder() = default;

USandboxUserFolder::~USandboxUserFolder() {
    setSandboxBookmarkData(std::nullopt);
}

QString USandboxUserFolder::defaultFolderPath(Class cls) {
    if (!cls || !cls->respondsToSelector(QStringLiteral("defaultFolderPath")))
        return NSHomeDirectory();
    return cls->perform(QStringLiteral("defaultFolderPath")).toString();
}

QString
USandboxUserFolder::defaultFolderPathForNSSearchPathDirectory(NSSearchPathDirectory directory) {
    NSAutoreleasePool pool;
    const QList<NSURL*> urls =
        NSFileManager::defaultManager()->URLsForDirectory(directory, NSUserDomainMask);
    if (urls.isEmpty() || !urls.first())
        return NSHomeDirectory();
    // A fresh account may not have its XDG user folders yet: make the one asked for, so that
    // the default folder can be bookmarked.
    const QString path = urls.first()->path();
    QDir().mkpath(path);
    return path;
}

QString USandboxUserFolder::defaultSerializationKey(Class cls) {
    if (!cls)
        return QString();
    return cls->perform(QStringLiteral("defaultSerializationKey")).toString();
}

QByteArray USandboxUserFolder::sandboxBookmarkDataWithFolderURL(NSURL* url) {
    return SandboxURL::securityBookmarkDataForSandboxURL(url);
}

NSURL* USandboxUserFolder::folderURLWithSandboxBookmarkData(const std::optional<QByteArray>& data) {
    return SandboxURL::sandboxURLWithSecurityBookmarkData(data);
}

namespace {

USandboxUserFolder* allocFolder(Class cls) {
    if (!cls || !cls->isSubclassOfClass(USandboxUserFolder::classObject()))
        return nullptr;
    NSObject* object = cls->alloc();
    auto* folder = dynamic_cast<USandboxUserFolder*>(object);
    if (!folder && object)
        object->release();
    return folder;
}

USandboxUserFolder* autoreleased(USandboxUserFolder* folder) {
    if (folder)
        folder->autorelease();
    return folder;
}

} // namespace

USandboxUserFolder* USandboxUserFolder::sandboxPrefsFolderWithFolderURL(Class cls, NSURL* url) {
    USandboxUserFolder* folder = allocFolder(cls);
    return autoreleased(folder ? folder->initWithFolderURL(url) : nullptr);
}

USandboxUserFolder* USandboxUserFolder::sandboxPrefsFolderWithSandboxBookmarkData(
    Class cls, const std::optional<QByteArray>& data) {
    USandboxUserFolder* folder = allocFolder(cls);
    return autoreleased(folder ? folder->initWithSandboxBookmarkData(data) : nullptr);
}

USandboxUserFolder* USandboxUserFolder::sandboxPrefsFolderWithUserDefaultsKey(Class cls,
                                                                              const QString& key) {
    USandboxUserFolder* folder = allocFolder(cls);
    return autoreleased(folder ? folder->initWithUserDefaultsKey(key) : nullptr);
}

NSObject* USandboxUserFolder::init() {
    NSAutoreleasePool pool;
    return initWithFolderURL(NSURL::fileURLWithPath(defaultFolderPath(objectClass()), true));
}

USandboxUserFolder* USandboxUserFolder::initWithFolderURL(NSURL* url) {
    return initWithSandboxBookmarkData(sandboxBookmarkDataWithFolderURL(url));
}

USandboxUserFolder* USandboxUserFolder::initWithUserDefaultsKey(const QString& key) {
    return initWithSandboxBookmarkData(
        USandboxBookmarkDataFromValue(NSUserDefaults::standardUserDefaults()->objectForKey(key)));
}

USandboxUserFolder*
USandboxUserFolder::initWithSandboxBookmarkData(const std::optional<QByteArray>& data) {
    if (!NSObject::init())
        return nullptr;
    if (data)
        setSandboxBookmarkData(data);
    return this;
}

void USandboxUserFolder::setSecurityURL(NSURL* url) {
    willChangeValueForKey(QStringLiteral("securityURL"));
    if (url)
        url->retain();
    if (mSecurityURL)
        mSecurityURL->release();
    mSecurityURL = url;
    didChangeValueForKey(QStringLiteral("securityURL"));
}

QString USandboxUserFolder::folderPath() const {
    NSURL* fileURL = mSecurityURL ? mSecurityURL->filePathURL() : nullptr;
    return fileURL ? fileURL->path() : QString();
}

QString USandboxUserFolder::localizedDisplayFolderPath() const {
    const QString path = folderPath();
    if (path.isNull())
        return QStringLiteral("");
    return SandboxURL::localizedDisplayPathWithSandboxFilePath(path);
}

QString USandboxUserFolder::folderName() const {
    return mSecurityURL ? mSecurityURL->lastPathComponent() : QString();
}

void USandboxUserFolder::setSandboxURL(NSURL* url) {
    const QString keys[] = {QStringLiteral("folderName"), QStringLiteral("folderPath"),
                            QStringLiteral("folderURL")};
    for (const QString& key : keys)
        willChangeValueForKey(key);
    // Keeps the new URL alive should it be the held one.
    NSRef<NSURL> incoming(url);
    if (mSecurityURL)
        SandboxURL::sandboxURLEndSecurityAccess(mSecurityURL);
    setSecurityURL(url);
    if (mSecurityURL)
        SandboxURL::sandboxURLBeginSecurityAccess(mSecurityURL);
    for (const QString& key : keys)
        didChangeValueForKey(key);
}

void USandboxUserFolder::setSandboxBookmarkData(const std::optional<QByteArray>& data) {
    NSAutoreleasePool pool;
    // Data equal to the held data is not stored or announced again, but the URL is resolved
    // again from it: the held URL may have been replaced on its own (setSandboxURL).
    const bool changed = data != mPrivateSandboxData;
    if (changed) {
        willChangeValueForKey(QStringLiteral("sandboxBookmarkData"));
        mPrivateSandboxData = data;
    }
    NSURL* resolved = folderURLWithSandboxBookmarkData(data);
    if (changed)
        didChangeValueForKey(QStringLiteral("sandboxBookmarkData"));
    setSandboxURL(resolved);
}

void USandboxUserFolder::setSandboxURL_forSandboxBookmarkData(
    NSURL* url, const std::optional<QByteArray>& data) {
    setSandboxURL(url);
    willChangeValueForKey(QStringLiteral("sandboxBookmarkData"));
    mPrivateSandboxData = data;
    didChangeValueForKey(QStringLiteral("sandboxBookmarkData"));
}

QString USandboxUserFolder::serializationKey() const {
    return defaultSerializationKey(objectClass());
}

void USandboxUserFolder::serializeSaveDataWithKey(const QString& key) {
    NSUserDefaults* defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObject(USandboxValueFromBookmarkData(sandboxBookmarkData()), key);
    defaults->synchronize();
}

void USandboxUserFolder::serializeLoadDataWithKey(const QString& key) {
    const QVariant stored = NSUserDefaults::standardUserDefaults()->objectForKey(key);
    if (stored.isValid())
        setSandboxBookmarkData(USandboxBookmarkDataFromValue(stored));
}

NSURL* USandboxUserFolder::createFileURLWithFileName(const QString& fileName) const {
    // One name inside the folder: a name that climbs out of it or names a subfolder path would
    // write where the user granted nothing.
    if (fileName.isEmpty() || fileName.contains(QLatin1Char('/')) ||
        fileName == QLatin1String(".") || fileName == QLatin1String(".."))
        return nullptr;
    NSAutoreleasePool pool;
    NSURL* folder = folderURLWithSandboxBookmarkData(mPrivateSandboxData);
    if (!folder || !folder->isFileURL())
        return nullptr;
    NSURL* file = folder->URLByAppendingPathComponent(fileName);
    if (!file)
        return nullptr;
    return new NSURL(file->url());
}

void USandboxUserFolder::releaseFileURLWithFileName(NSURL* url) {
    if (url)
        url->release();
}

bool USandboxUserFolder::automaticallyNotifiesObserversForKey(const QString& key) const {
    // These setters announce their changes themselves.
    if (key == QLatin1String("sandboxBookmarkData") || key == QLatin1String("securityURL") ||
        key == QLatin1String("sandboxURL"))
        return false;
    return NSObject::automaticallyNotifiesObserversForKey(key);
}

QVariant USandboxUserFolder::privateSandboxDataValue() const {
    return USandboxValueFromBookmarkData(mPrivateSandboxData);
}

void USandboxUserFolder::setSandboxBookmarkDataValue(const QVariant& value) {
    setSandboxBookmarkData(USandboxBookmarkDataFromValue(value));
}
