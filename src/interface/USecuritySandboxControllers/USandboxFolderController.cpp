#include "interface/USecuritySandboxControllers/USandboxFolderController.h"

#include "interface/USecuritySandbox/USandboxUserFolder.h"
#include "platform/appkit/NSOpenPanel.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSNotification.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSURL.h"

#include <QFileInfo>

NS_IMPLEMENT_CLASS(USandboxFolderController, NSObject)

int import_USandboxFolderController() {
    return USandboxFolderController::classObject() != nullptr && import_USandboxUserFolder() &&
           import_NSOpenPanel();
}

USandboxFolderController::USandboxFolderController() = default;

USandboxFolderController::~USandboxFolderController() {
    if (mObservingTermination)
        NSNotificationCenter::defaultCenter()->removeObserver(this);
}

USandboxUserFolder* USandboxFolderController::outletRequiredPrefsFolder() const {
    return mRequiredPrefsFolder.data();
}

void USandboxFolderController::setOutletRequiredPrefsFolder(USandboxUserFolder* folder) {
    mRequiredPrefsFolder = folder;
}

void USandboxFolderController::awakeFromNib() {
    NSObject::awakeFromNib();
    serializedPrefsLoad(this);
    NSNotificationCenter::defaultCenter()->addObserver(
        this, QStringLiteral("applicationWillTerminate:"),
        QString::fromLatin1(NSApplicationWillTerminateNotification), nullptr);
    mObservingTermination = true;
}

void USandboxFolderController::applicationWillTerminate(NSNotification* /*notification*/) {
    serializedPrefsSave(this);
    NSNotificationCenter::defaultCenter()->removeObserver(this);
    mObservingTermination = false;
}

void USandboxFolderController::serializedPrefsLoad(NSObject* /*sender*/) {
    if (USandboxUserFolder* folder = outletRequiredPrefsFolder())
        folder->serializeLoadDataWithKey(serializationKey());
}

void USandboxFolderController::serializedPrefsSave(NSObject* /*sender*/) {
    if (USandboxUserFolder* folder = outletRequiredPrefsFolder())
        folder->serializeSaveDataWithKey(serializationKey());
}

QString USandboxFolderController::serializationKey() const {
    if (USandboxUserFolder* folder = outletRequiredPrefsFolder())
        return folder->serializationKey();
    if (!mOptionalUserDefaultsKey.isNull())
        return mOptionalUserDefaultsKey;
    return className();
}

void USandboxFolderController::browseForFolder(NSObject* /*sender*/) {
    NSAutoreleasePool pool;
    NSOpenPanel* panel = NSOpenPanel::openPanel();
    panel->setCanChooseDirectories(true);
    panel->setCanChooseFiles(false);
    USandboxUserFolder* folder = outletRequiredPrefsFolder();
    NSURL* start = folder ? folder->folderURL() : nullptr;
    const NSInteger result =
        panel->runModalForDirectory(start ? start->path() : QString(), QString(), nullptr);
    // The folder may have gone while the panel was open.
    folder = outletRequiredPrefsFolder();
    if (result != NSFileHandlingPanelOKButton || !folder || panel->URLs().isEmpty())
        return;
    keepUserChoice(panel->URLs().first());
}

bool USandboxFolderController::chooseURL(NSURL* chosen) {
    return chosen && QFileInfo(chosen->path()).isDir() && keepUserChoice(chosen);
}

bool USandboxFolderController::keepUserChoice(NSURL* chosen) {
    NSAutoreleasePool pool;
    USandboxUserFolder* folder = outletRequiredPrefsFolder();
    if (!folder)
        return false;
    const QByteArray data = USandboxUserFolder::sandboxBookmarkDataWithFolderURL(chosen);
    // Without a bookmark the pick could not be found again on the next launch: the folder keeps
    // its previous one rather than storing nothing over it.
    if (data.isEmpty()) {
        NSLog("USandboxFolderController::browseForFolder: no bookmark for %@\n", chosen->path());
        return false;
    }
    folder->setSandboxURL_forSandboxBookmarkData(chosen, data);
    folder->serializeSaveDataWithKey(serializationKey());
    return true;
}
