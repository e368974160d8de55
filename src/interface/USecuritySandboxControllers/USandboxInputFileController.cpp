#include "interface/USecuritySandboxControllers/USandboxInputFileController.h"

#include "interface/USecuritySandbox/NSURLSandboxURL.h"
#include "platform/appkit/NSOpenPanel.h"
#include "platform/foundation/NSLog.h"

#include <QFileInfo>

namespace {

QVariant affectedBySandboxURL(Class) {
    return QVariant::fromValue(QSet<QString>{QStringLiteral("sandboxURL")});
}

} // namespace

NS_IMPLEMENT_CLASS(USandboxInputFileController, NSObject, [](NSClass& cls) {
    cls.addClassMethod("keyPathsForValuesAffectingInputPath", affectedBySandboxURL);
    cls.addClassMethod("keyPathsForValuesAffectingLocalizedDisplayInputPath", affectedBySandboxURL);
})

int import_USandboxInputFileController() {
    return USandboxInputFileController::classObject() != nullptr && import_USandboxUserFolder() &&
           import_NSOpenPanel();
}

USandboxInputFileController::USandboxInputFileController() = default;

USandboxInputFileController::~USandboxInputFileController() {
    setSecurityURL(nullptr);
    setSecurityData(std::nullopt);
    setValidFileExtensions({});
}

NSRef<NSURL> USandboxInputFileController::heldSecurityURL() const {
    std::lock_guard guard(mLock);
    return NSRef<NSURL>(mSecurityURL);
}

NSURL* USandboxInputFileController::securityURL() const {
    // Retained under the lock and handed to the caller's release scope, so that a setter on
    // another thread cannot free it while the caller still uses it.
    NSRef<NSURL> url = heldSecurityURL();
    if (!url)
        return nullptr;
    url->retain();
    return static_cast<NSURL*>(url->autorelease());
}

void USandboxInputFileController::setSecurityURL(NSURL* url) {
    willChangeValueForKey(QStringLiteral("securityURL"));
    if (url)
        url->retain();
    NSURL* old = nullptr;
    {
        std::lock_guard guard(mLock);
        old = std::exchange(mSecurityURL, url);
    }
    if (old)
        old->release();
    didChangeValueForKey(QStringLiteral("securityURL"));
}

std::optional<QByteArray> USandboxInputFileController::securityData() const {
    std::lock_guard guard(mLock);
    return mSecurityData;
}

void USandboxInputFileController::setSecurityData(const std::optional<QByteArray>& data) {
    willChangeValueForKey(QStringLiteral("securityData"));
    {
        std::lock_guard guard(mLock);
        mSecurityData = data;
    }
    didChangeValueForKey(QStringLiteral("securityData"));
}

QStringList USandboxInputFileController::validFileExtensions() const {
    std::lock_guard guard(mLock);
    return mValidFileExtensions;
}

void USandboxInputFileController::setValidFileExtensions(const QStringList& extensions) {
    std::lock_guard guard(mLock);
    mValidFileExtensions = extensions;
}

void USandboxInputFileController::awakeFromNib() {
    NSObject::awakeFromNib();
    setValidFileExtensions({QStringLiteral("****")});
    if (!mValidFileExtensionsText.isNull())
        setValidFileExtensions(mValidFileExtensionsText.split(QLatin1Char(',')));
}

void USandboxInputFileController::setSandboxURL(NSURL* url) {
    willChangeValueForKey(QStringLiteral("sandboxURL"));
    // Keeps the new URL alive should it be the held one.
    NSRef<NSURL> incoming(url);
    if (NSRef<NSURL> held = heldSecurityURL())
        SandboxURL::sandboxURLEndSecurityAccess(held.get());
    setSecurityURL(url);
    if (NSRef<NSURL> stored = heldSecurityURL())
        SandboxURL::sandboxURLBeginSecurityAccess(stored.get());
    didChangeValueForKey(QStringLiteral("sandboxURL"));
}

void USandboxInputFileController::setSandboxBookmarkData(const std::optional<QByteArray>& data) {
    NSAutoreleasePool pool;
    willChangeValueForKey(QStringLiteral("sandboxBookmarkData"));
    setSecurityData(data);
    didChangeValueForKey(QStringLiteral("sandboxBookmarkData"));
    setSandboxURL(data ? SandboxURL::sandboxURLWithSecurityBookmarkData(data) : nullptr);
}

void USandboxInputFileController::setSandboxURL_forSandboxBookmarkData(
    NSURL* url, const std::optional<QByteArray>& data) {
    setSandboxURL(url);
    willChangeValueForKey(QStringLiteral("sandboxBookmarkData"));
    setSecurityData(data);
    didChangeValueForKey(QStringLiteral("sandboxBookmarkData"));
}

QString USandboxInputFileController::inputPath() const {
    const NSRef<NSURL> url = heldSecurityURL();
    if (!url)
        return QStringLiteral("");
    const QString path = SandboxURL::sandboxURLFilePath(url.get());
    return path.isNull() ? QStringLiteral("") : path;
}

QString USandboxInputFileController::localizedDisplayInputPath() const {
    const NSRef<NSURL> url = heldSecurityURL();
    if (!url)
        return QStringLiteral("");
    const QString display = SandboxURL::localizedDisplaySandboxURLFilePath(url.get());
    return display.isNull() ? QStringLiteral("") : display;
}

NSURL* USandboxInputFileController::defaultInputFolderURL() const {
    if (NSURL* url = securityURL())
        return url;
    USandboxUserFolder* folder = outletSandboxUserFolder();
    return folder ? folder->folderURL() : nullptr;
}

QString USandboxInputFileController::openPanelTitle() const {
    NSObject* control = outletOpenPanelTitle();
    if (!control || !control->respondsToSelector(QStringLiteral("stringValue")))
        return QString();
    return control->performSelector(QStringLiteral("stringValue")).toString();
}

void USandboxInputFileController::actionBrowseInputPath(NSObject* /*sender*/) {
    NSAutoreleasePool pool;
    NSOpenPanel* panel = NSOpenPanel::openPanel();
    const QString title = openPanelTitle();
    if (!title.isNull())
        panel->setTitle(title);
    panel->setCanChooseFiles(true);
    panel->setResolvesAliases(true);
    panel->setDirectoryURL(defaultInputFolderURL());
    panel->setAllowedFileTypes(validFileExtensions());
    if (panel->runModal() != NSFileHandlingPanelOKButton || panel->URLs().isEmpty())
        return;
    keepUserChoice(panel->URLs().first());
}

bool USandboxInputFileController::chooseURL(NSURL* chosen) {
    if (!chosen || !QFileInfo(chosen->path()).isFile())
        return false;
    keepUserChoice(chosen);
    return true;
}

void USandboxInputFileController::keepUserChoice(NSURL* chosen) {
    setSandboxURL_forSandboxBookmarkData(chosen, SandboxURL::bookmarkDataForSandboxURL(chosen));
    NSLog("actionBrowseInputPath:self.sandboxURL=%@\n", sandboxURL());
}

bool USandboxInputFileController::automaticallyNotifiesObserversForKey(const QString& key) const {
    // These setters announce their changes themselves.
    if (key == QLatin1String("sandboxBookmarkData") || key == QLatin1String("sandboxURL") ||
        key == QLatin1String("securityURL") || key == QLatin1String("securityData"))
        return false;
    return NSObject::automaticallyNotifiesObserversForKey(key);
}

QVariant USandboxInputFileController::securityDataValue() const {
    return USandboxValueFromBookmarkData(securityData());
}

void USandboxInputFileController::setSecurityDataValue(const QVariant& value) {
    setSecurityData(USandboxBookmarkDataFromValue(value));
}

void USandboxInputFileController::setSandboxBookmarkDataValue(const QVariant& value) {
    setSandboxBookmarkData(USandboxBookmarkDataFromValue(value));
}
