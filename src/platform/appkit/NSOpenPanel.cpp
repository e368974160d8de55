#include "platform/appkit/NSOpenPanel.h"

#include "platform/foundation/NSURL.h"
#include "platform/foundation/NSUserDefaults.h"

#include <QFileDialog>
#include <QFileInfo>

#include <mutex>

NS_IMPLEMENT_CLASS(NSOpenPanel, NSObject)

int import_NSOpenPanel() {
    return NSOpenPanel::classObject() != nullptr;
}

namespace {

std::mutex sRunnerLock;

const QString kLastFolderKey = QStringLiteral("NSNavLastRootDirectory");
NSOpenPanel::ModalRunner& installedRunner() {
    static NSOpenPanel::ModalRunner sRunner;
    return sRunner;
}

} // namespace

NSOpenPanel::NSOpenPanel() = default;

NSOpenPanel::~NSOpenPanel() {
    setDirectoryURL(nullptr);
    setURLs({});
}

NSOpenPanel* NSOpenPanel::openPanel() {
    auto* panel = new NSOpenPanel;
    panel->autorelease();
    return panel;
}

void NSOpenPanel::setDirectoryURL(NSURL* url) {
    if (url)
        url->retain();
    if (mDirectoryURL)
        mDirectoryURL->release();
    mDirectoryURL = url;
}

void NSOpenPanel::setURLs(const QList<NSURL*>& urls) {
    for (NSURL* url : urls) {
        if (url)
            url->retain();
    }
    for (NSURL* url : mURLs) {
        if (url)
            url->release();
    }
    mURLs = urls;
    mURLs.removeAll(nullptr);
}

NSOpenPanel::ModalRunner NSOpenPanel::setModalRunner(ModalRunner runner) {
    std::lock_guard guard(sRunnerLock);
    return std::exchange(installedRunner(), std::move(runner));
}

NSInteger NSOpenPanel::runModal() {
    setURLs({});
    NSUserDefaults* defaults = NSUserDefaults::standardUserDefaults();
    if (!mDirectoryURL) {
        const QString last = defaults->stringForKey(kLastFolderKey);
        if (!last.isEmpty() && QFileInfo(last).isDir())
            setDirectoryURL(NSURL::fileURLWithPath(last, true));
    }
    ModalRunner runner;
    {
        std::lock_guard guard(sRunnerLock);
        runner = installedRunner();
    }
    const NSInteger result = runner ? runner(this) : runQtFileDialog(this);
    if (result != NSFileHandlingPanelOKButton || mURLs.isEmpty()) {
        setURLs({});
        return NSFileHandlingPanelCancelButton;
    }
    // A chosen folder is where the next panel starts; a chosen file, the folder holding it.
    const QFileInfo chosen(mURLs.first()->path());
    defaults->setObject(chosen.isDir() ? chosen.absoluteFilePath() : chosen.absolutePath(),
                        kLastFolderKey);
    return NSFileHandlingPanelOKButton;
}

NSInteger NSOpenPanel::runModalForDirectory(const QString& path, const QString& file,
                                            const QStringList* types) {
    if (!path.isNull())
        setDirectoryURL(NSURL::fileURLWithPath(path, true));
    setNameFieldStringValue(file);
    setAllowedFileTypes(types ? *types : QStringList());
    return runModal();
}

NSInteger NSOpenPanel::runQtFileDialog(NSOpenPanel* panel) {
    QFileDialog dialog;
    if (!panel->title().isEmpty())
        dialog.setWindowTitle(panel->title());
    if (NSURL* start = panel->directoryURL()) {
        // A file URL starts the dialog in its folder with the file selected.
        if (start->hasDirectoryPath())
            dialog.setDirectory(start->path());
        else
            dialog.selectFile(start->path());
    }
    if (!panel->nameFieldStringValue().isEmpty())
        dialog.selectFile(panel->nameFieldStringValue());
    if (panel->canChooseDirectories() && !panel->canChooseFiles()) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
    } else {
        dialog.setFileMode(panel->allowsMultipleSelection() ? QFileDialog::ExistingFiles
                                                            : QFileDialog::ExistingFile);
    }
    dialog.setOption(QFileDialog::DontResolveSymlinks, !panel->resolvesAliases());
    const QStringList types = panel->allowedFileTypes();
    if (!types.isEmpty() && !types.contains(QStringLiteral("****"))) {
        QStringList patterns;
        for (const QString& type : types)
            patterns << QStringLiteral("*.") + type;
        dialog.setNameFilter(patterns.join(QLatin1Char(' ')));
    }
    if (dialog.exec() != QDialog::Accepted)
        return NSFileHandlingPanelCancelButton;
    QList<NSURL*> urls;
    for (const QString& path : dialog.selectedFiles()) {
        if (NSURL* url = NSURL::fileURLWithPath(path)) {
            // The user granted this file or folder: the URL carries a security scope.
            url->setHasSecurityScope(true);
            urls << url;
        }
    }
    panel->setURLs(urls);
    return urls.isEmpty() ? NSFileHandlingPanelCancelButton : NSFileHandlingPanelOKButton;
}
