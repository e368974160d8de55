#pragma once

// A folder that the user chose (or a default one), held as security-scoped bookmark data plus
// the URL resolved from it, with security-scoped access begun while the URL is held.
//
//   USandboxUserFolder* movies = NSAllocInit<USandboxMoviesFolder>();  // the user's Movies
//   movies->folderPath();                       // "/home/ann/Videos"
//   NSURL* out = movies->createFileURLWithFileName("Clock.mov");   // caller owns it
//   movies->releaseFileURLWithFileName(out);
//
// Class operations live on the class descriptor: "defaultFolderPath" (the subclasses override
// it), "defaultSerializationKey" and the keyPathsForValuesAffecting... of the derived values.
// The derived values folderPath, folderURL, folderName and localizedDisplayFolderPath depend on
// securityURL. Bookmark data is nil (std::nullopt) or a QByteArray; as a key-value coding value
// nil is an invalid QVariant.

#include "platform/foundation/NSFileManager.h"
#include "platform/foundation/NSObject.h"
#include "platform/foundation/NSURL.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

class USandboxUserFolder : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(USandboxUserFolder)
    Q_PROPERTY(QVariant privateSandboxData READ privateSandboxDataValue)
    Q_PROPERTY(NSURL* securityURL READ securityURL WRITE setSecurityURL)
    Q_PROPERTY(NSURL* folderURL READ folderURL)
    Q_PROPERTY(NSURL* sandboxURL READ sandboxURL WRITE setSandboxURL)
    Q_PROPERTY(QString folderPath READ folderPath)
    Q_PROPERTY(QString folderName READ folderName)
    Q_PROPERTY(QString localizedDisplayFolderPath READ localizedDisplayFolderPath)
    Q_PROPERTY(QVariant sandboxBookmarkData READ sandboxBookmarkDataValue WRITE
                   setSandboxBookmarkDataValue)
    Q_PROPERTY(QString serializationKey READ serializationKey)
public:
    USandboxUserFolder();
    ~USandboxUserFolder() override;

    // Class operations, asked of a class descriptor (a USandboxUserFolder class).
    static QString defaultFolderPath(Class cls);
    // The first folder the platform names for the search-path directory in the user domain
    // (made when missing); the home folder when it names none.
    static QString defaultFolderPathForNSSearchPathDirectory(NSSearchPathDirectory directory);
    // "<class name>UserDefaultsKey".
    static QString defaultSerializationKey(Class cls);
    static QByteArray sandboxBookmarkDataWithFolderURL(NSURL* url);
    static NSURL* folderURLWithSandboxBookmarkData(const std::optional<QByteArray>& data);
    // New autoreleased folders of the class, made by the matching initialiser; nil when that
    // fails or the class is not a folder class.
    static USandboxUserFolder* sandboxPrefsFolderWithFolderURL(Class cls, NSURL* url);
    static USandboxUserFolder*
    sandboxPrefsFolderWithSandboxBookmarkData(Class cls, const std::optional<QByteArray>& data);
    static USandboxUserFolder* sandboxPrefsFolderWithUserDefaultsKey(Class cls, const QString& key);

    // Initialisers, each ending in initWithSandboxBookmarkData. `init` starts at the class's
    // default folder.
    NSObject* init() override;
    USandboxUserFolder* initWithFolderURL(NSURL* url);
    USandboxUserFolder* initWithUserDefaultsKey(const QString& key);
    USandboxUserFolder* initWithSandboxBookmarkData(const std::optional<QByteArray>& data);

    NSURL* securityURL() const { return mSecurityURL; }
    // Stores the URL (retained), announcing "securityURL"; no access is begun or ended here.
    void setSecurityURL(NSURL* url);
    const std::optional<QByteArray>& privateSandboxData() const { return mPrivateSandboxData; }

    NSURL* folderURL() const { return mSecurityURL; }
    NSURL* sandboxURL() const { return mSecurityURL; }
    // Null without a URL (or a URL that is not a file URL); symbolic links are not resolved.
    QString folderPath() const;
    // "" without a folder path.
    QString localizedDisplayFolderPath() const;
    QString folderName() const;

    // Ends access to the held URL, stores the new one and begins access to it, announcing
    // folderName, folderPath and folderURL around it.
    void setSandboxURL(NSURL* url);
    const std::optional<QByteArray>& sandboxBookmarkData() const { return mPrivateSandboxData; }
    // Stores new data and replaces the URL with the one it resolves to (nil when it does not
    // resolve). Data equal to the held data is neither stored nor announced again; the URL is
    // still resolved from it anew.
    void setSandboxBookmarkData(const std::optional<QByteArray>& data);
    // The URL and its data together; the data is not resolved.
    void setSandboxURL_forSandboxBookmarkData(NSURL* url, const std::optional<QByteArray>& data);

    QString serializationKey() const;
    // Stores the bookmark data in the standard user defaults under the key (removing the key
    // when there is none) and synchronises.
    void serializeSaveDataWithKey(const QString& key);
    // Replaces the bookmark data with the standard user defaults' value for the key, if any.
    void serializeLoadDataWithKey(const QString& key);

    // A new file URL (owned by the caller) for the name inside the folder, resolved afresh from
    // the bookmark data; nil when the folder does not resolve, or for a name that is empty,
    // "." or "..", or holds a "/".
    NSURL* createFileURLWithFileName(const QString& fileName) const;
    static void releaseFileURLWithFileName(NSURL* url);

    bool automaticallyNotifiesObserversForKey(const QString& key) const override;

    // Key-value coding forms of the bookmark data.
    QVariant privateSandboxDataValue() const;
    QVariant sandboxBookmarkDataValue() const { return privateSandboxDataValue(); }
    void setSandboxBookmarkDataValue(const QVariant& value);

private:
    NSURL* mSecurityURL = nullptr;
    std::optional<QByteArray> mPrivateSandboxData;
};

// The bookmark data a key-value coding value or user-defaults value stands for.
std::optional<QByteArray> USandboxBookmarkDataFromValue(const QVariant& value);
QVariant USandboxValueFromBookmarkData(const std::optional<QByteArray>& data);

int import_USandboxUserFolder();
