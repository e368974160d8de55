#pragma once

// The interface object behind a folder row: lets the user pick the connected folder in an open
// panel and keeps the folder's bookmark in the user defaults across launches (read when it wakes
// from the interface file, written after each pick and when the application terminates).

#include "interface/USecuritySandbox/USandboxUserFolder.h"
#include "platform/foundation/NSNotification.h"
#include "platform/foundation/NSObject.h"

#include <QPointer>
#include <QString>

class USandboxFolderController : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(USandboxFolderController)
    Q_PROPERTY(QString outletOptionalUserDefaultsKey READ outletOptionalUserDefaultsKey WRITE
                   setOutletOptionalUserDefaultsKey)
    Q_PROPERTY(USandboxUserFolder* outletRequiredPrefsFolder READ outletRequiredPrefsFolder WRITE
                   setOutletRequiredPrefsFolder)
public:
    USandboxFolderController();
    ~USandboxFolderController() override;

    // Outlets: a user-defaults key for when no folder is connected, and the folder (not
    // retained).
    QString outletOptionalUserDefaultsKey() const { return mOptionalUserDefaultsKey; }
    void setOutletOptionalUserDefaultsKey(const QString& key) { mOptionalUserDefaultsKey = key; }
    USandboxUserFolder* outletRequiredPrefsFolder() const;
    void setOutletRequiredPrefsFolder(USandboxUserFolder* folder);

    // Loads the folder's bookmark, then listens for the application's termination.
    void awakeFromNib() override;
    Q_INVOKABLE void applicationWillTerminate(NSNotification* notification);
    Q_INVOKABLE void serializedPrefsLoad(NSObject* sender);
    Q_INVOKABLE void serializedPrefsSave(NSObject* sender);
    // The connected folder's key; else the optional key; else this class's name.
    QString serializationKey() const;
    // The Choose button: picks a folder in an open panel, keeps it and writes it at once.
    Q_INVOKABLE void browseForFolder(NSObject* sender);
    // Keeps `url` as the user's choice (as a pick in the panel does: a dropped folder, say);
    // false, changing nothing, for what is not a folder or cannot be bookmarked.
    Q_INVOKABLE bool chooseURL(NSURL* url);

private:
    bool keepUserChoice(NSURL* chosen);

    QString mOptionalUserDefaultsKey;
    QPointer<USandboxUserFolder> mRequiredPrefsFolder;
    bool mObservingTermination = false;
};

int import_USandboxFolderController();
