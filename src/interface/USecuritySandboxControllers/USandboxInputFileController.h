#pragma once

// The interface object behind one input-file row: a Browse button, an optional open-panel title,
// the accepted extensions and the chosen file, held as a URL with security-scoped access begun
// plus the bookmark data that resolves it again on the next launch. It persists nothing itself:
// its owner lists "<outlet>.sandboxBookmarkData" with the persistent objects controller.
//
// inputPath and localizedDisplayInputPath depend on sandboxURL.

#include "interface/USecuritySandbox/USandboxUserFolder.h"
#include "platform/foundation/NSObject.h"
#include "platform/foundation/NSURL.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <mutex>
#include <optional>

class USandboxInputFileController : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(USandboxInputFileController)
    Q_PROPERTY(
        NSObject* outletOpenPanelTitle READ outletOpenPanelTitle WRITE setOutletOpenPanelTitle)
    Q_PROPERTY(QString outletValidFileExtensions READ outletValidFileExtensions WRITE
                   setOutletValidFileExtensions)
    Q_PROPERTY(USandboxUserFolder* outletSandboxUserFolder READ outletSandboxUserFolder WRITE
                   setOutletSandboxUserFolder)
    Q_PROPERTY(NSURL* securityURL READ securityURL WRITE setSecurityURL)
    Q_PROPERTY(QVariant securityData READ securityDataValue WRITE setSecurityDataValue)
    Q_PROPERTY(
        QStringList validFileExtensions READ validFileExtensions WRITE setValidFileExtensions)
    Q_PROPERTY(NSURL* sandboxURL READ sandboxURL WRITE setSandboxURL)
    Q_PROPERTY(QVariant sandboxBookmarkData READ sandboxBookmarkDataValue WRITE
                   setSandboxBookmarkDataValue)
    Q_PROPERTY(QString inputPath READ inputPath)
    Q_PROPERTY(QString localizedDisplayInputPath READ localizedDisplayInputPath)
    Q_PROPERTY(NSURL* defaultInputFolderURL READ defaultInputFolderURL)
    Q_PROPERTY(QString openPanelTitle READ openPanelTitle)
public:
    USandboxInputFileController();
    // Releases URL, data and extensions; access to the held URL is not ended (it ends with the
    // process).
    ~USandboxInputFileController() override;

    // Outlets (not retained).
    NSObject* outletOpenPanelTitle() const { return mOpenPanelTitle.data(); }
    void setOutletOpenPanelTitle(NSObject* control) { mOpenPanelTitle = control; }
    QString outletValidFileExtensions() const { return mValidFileExtensionsText; }
    void setOutletValidFileExtensions(const QString& text) { mValidFileExtensionsText = text; }
    USandboxUserFolder* outletSandboxUserFolder() const { return mSandboxUserFolder.data(); }
    void setOutletSandboxUserFolder(USandboxUserFolder* folder) { mSandboxUserFolder = folder; }

    // Atomic, retained properties. The getter hands out the URL retained and autoreleased into
    // the caller's release scope.
    NSURL* securityURL() const;
    // Stores the URL (announcing "securityURL"); begins or ends no access.
    void setSecurityURL(NSURL* url);
    std::optional<QByteArray> securityData() const;
    void setSecurityData(const std::optional<QByteArray>& data);
    QStringList validFileExtensions() const;
    void setValidFileExtensions(const QStringList& extensions);

    // "****" (any type), or the outlet's text split at every ",", spaces and empty entries kept.
    void awakeFromNib() override;

    NSURL* sandboxURL() const { return securityURL(); }
    // Ends access to the held URL, stores the new one and begins access to it.
    void setSandboxURL(NSURL* url);
    std::optional<QByteArray> sandboxBookmarkData() const { return securityData(); }
    // Stores the data and holds the URL it resolves to (nil when it does not resolve). Nil data
    // lets go of the URL and of the held data.
    void setSandboxBookmarkData(const std::optional<QByteArray>& data);
    // The URL and its data together; the data is not resolved.
    void setSandboxURL_forSandboxBookmarkData(NSURL* url, const std::optional<QByteArray>& data);

    // "" without a URL; else its file path with symbolic links resolved.
    QString inputPath() const;
    // "" without a URL; else the display form of that path (what the row shows).
    QString localizedDisplayInputPath() const;
    // The chosen file's URL, else the connected user folder's URL.
    NSURL* defaultInputFolderURL() const;
    // The title control's string value, or null without that outlet.
    QString openPanelTitle() const;

    // The Browse button: picks a file in an open panel and holds it.
    Q_INVOKABLE void actionBrowseInputPath(NSObject* sender);
    // Keeps `url` as the user's choice, as a pick in the panel does (a dropped file, say);
    // false, changing nothing, for what is not a file.
    Q_INVOKABLE bool chooseURL(NSURL* url);

    bool automaticallyNotifiesObserversForKey(const QString& key) const override;

    QVariant securityDataValue() const;
    void setSecurityDataValue(const QVariant& value);
    QVariant sandboxBookmarkDataValue() const { return securityDataValue(); }
    void setSandboxBookmarkDataValue(const QVariant& value);

private:
    void keepUserChoice(NSURL* chosen);
    // The held URL with a reference of the caller's own; no release scope needed.
    NSRef<NSURL> heldSecurityURL() const;

    QPointer<NSObject> mOpenPanelTitle;
    QString mValidFileExtensionsText;
    QPointer<USandboxUserFolder> mSandboxUserFolder;

    mutable std::mutex mLock; // the atomic properties
    NSURL* mSecurityURL = nullptr;
    std::optional<QByteArray> mSecurityData;
    QStringList mValidFileExtensions;
};

int import_USandboxInputFileController();
