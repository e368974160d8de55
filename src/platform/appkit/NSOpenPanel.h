#pragma once

// The platform's open panel: the user picks files or folders. Running it modally goes through
// a runner: by default a Qt file dialog; tests install a runner that plays the user's part.
//
//   NSOpenPanel* panel = NSOpenPanel::openPanel();          // autoreleased
//   panel->setCanChooseFiles(true);
//   panel->setAllowedFileTypes({"qtz"});
//   panel->setDirectoryURL(startFolder);
//   if (panel->runModal() == NSFileHandlingPanelOKButton)
//       NSURL* chosen = panel->URLs().first();
//
//   NSOpenPanel::setModalRunner([](NSOpenPanel* panel) {     // tests
//       panel->setURLs({NSURL::fileURLWithPath("/tmp/a.qtz")});
//       return NSFileHandlingPanelOKButton;
//   });

#include "platform/foundation/NSObject.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class NSURL;

using NSInteger = std::int32_t;

enum : NSInteger {
    NSFileHandlingPanelCancelButton = 0,
    NSFileHandlingPanelOKButton = 1,
};

class NSOpenPanel : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(NSOpenPanel)
public:
    // Shows the panel and fills its selection; returns NSFileHandlingPanelOKButton or
    // NSFileHandlingPanelCancelButton.
    using ModalRunner = std::function<NSInteger(NSOpenPanel* panel)>;

    NSOpenPanel();
    ~NSOpenPanel() override;

    static NSOpenPanel* openPanel();

    QString title() const { return mTitle; }
    void setTitle(const QString& title) { mTitle = title; }
    bool canChooseFiles() const { return mCanChooseFiles; }
    void setCanChooseFiles(bool can) { mCanChooseFiles = can; }
    bool canChooseDirectories() const { return mCanChooseDirectories; }
    void setCanChooseDirectories(bool can) { mCanChooseDirectories = can; }
    bool resolvesAliases() const { return mResolvesAliases; }
    void setResolvesAliases(bool resolves) { mResolvesAliases = resolves; }
    bool allowsMultipleSelection() const { return mAllowsMultipleSelection; }
    void setAllowsMultipleSelection(bool allows) { mAllowsMultipleSelection = allows; }
    // The folder the panel starts in (retained), or nil.
    NSURL* directoryURL() const { return mDirectoryURL; }
    void setDirectoryURL(NSURL* url);
    // The file name the panel proposes, or null.
    QString nameFieldStringValue() const { return mNameFieldStringValue; }
    void setNameFieldStringValue(const QString& name) { mNameFieldStringValue = name; }
    // Extensions without the dot; empty for any type. "****" (the platform's any-type code)
    // also allows every file.
    QStringList allowedFileTypes() const { return mAllowedFileTypes; }
    void setAllowedFileTypes(const QStringList& types) { mAllowedFileTypes = types; }

    // Runs the panel with the current settings. A panel given no start folder starts in the
    // folder of the last confirmed choice of any panel (kept in the user defaults under
    // "NSNavLastRootDirectory", so it survives relaunches) when that folder still exists.
    NSInteger runModal();
    // Sets the start folder (a path; null keeps it), the proposed file name and the allowed
    // types (null pointer for any), then runs the panel.
    NSInteger runModalForDirectory(const QString& path, const QString& file,
                                   const QStringList* types);

    // The chosen URLs after a confirmed run (retained by the panel).
    QList<NSURL*> URLs() const { return mURLs; }
    // For runners: the selection.
    void setURLs(const QList<NSURL*>& urls);

    // Installs a runner for every panel (an empty one restores the Qt dialog); returns the
    // previous one.
    static ModalRunner setModalRunner(ModalRunner runner);

private:
    static NSInteger runQtFileDialog(NSOpenPanel* panel);

    QString mTitle;
    bool mCanChooseFiles = true;
    bool mCanChooseDirectories = false;
    bool mResolvesAliases = true;
    bool mAllowsMultipleSelection = false;
    NSURL* mDirectoryURL = nullptr;
    QString mNameFieldStringValue;
    QStringList mAllowedFileTypes;
    QList<NSURL*> mURLs;
};

int import_NSOpenPanel();
