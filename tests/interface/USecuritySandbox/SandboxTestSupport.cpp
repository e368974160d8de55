#include "SandboxTestSupport.h"

#include "platform/foundation/NSURL.h"
#include "platform/foundation/NSUserDefaults.h"

#include <QFile>

namespace sandbox_test {

ScratchDefaults::ScratchDefaults() {
    NSUserDefaults::setStandardUserDefaultsFile(iniPath());
}

ScratchDefaults::~ScratchDefaults() {
    NSUserDefaults::setStandardUserDefaultsFile(QString());
}

QString ScratchDefaults::fileText() const {
    QFile file(iniPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString("");
}

ScriptedOpenPanel::ScriptedOpenPanel(std::function<QString()> answer) {
    mPrevious = NSOpenPanel::setModalRunner([this, answer](NSOpenPanel* panel) -> NSInteger {
        ++runs;
        seen.title = panel->title();
        seen.directoryPath = panel->directoryURL() ? panel->directoryURL()->path() : QString();
        seen.directoryIsFolder = panel->directoryURL() && panel->directoryURL()->hasDirectoryPath();
        seen.allowedFileTypes = panel->allowedFileTypes();
        seen.canChooseFiles = panel->canChooseFiles();
        seen.canChooseDirectories = panel->canChooseDirectories();
        seen.resolvesAliases = panel->resolvesAliases();
        const QString path = answer();
        if (path.isNull())
            return NSFileHandlingPanelCancelButton;
        NSURL* url = NSURL::fileURLWithPath(path);
        // The user granted it: like the platform's panel, the URL carries a security scope.
        url->setHasSecurityScope(true);
        panel->setURLs({url});
        return NSFileHandlingPanelOKButton;
    });
}

ScriptedOpenPanel::~ScriptedOpenPanel() {
    NSOpenPanel::setModalRunner(mPrevious);
}

} // namespace sandbox_test
