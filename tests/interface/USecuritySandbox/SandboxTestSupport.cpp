#include "SandboxTestSupport.h"

#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSURL.h"
#include "platform/foundation/NSUserDefaults.h"

#include <QFile>
#include <QRegularExpression>

#include <fcntl.h>
#include <unistd.h>

namespace sandbox_test {

LogCapture::LogCapture() {
    mFd = ::open(QFile::encodeName(mDir.filePath("log.txt")).constData(),
                 O_CREAT | O_TRUNC | O_WRONLY | O_APPEND, 0600);
    mPrevious = NSLogSetOutputDescriptor(mFd);
}

LogCapture::~LogCapture() {
    NSLogSetOutputDescriptor(mPrevious);
    ::close(mFd);
}

QStringList LogCapture::lines() const {
    QFile file(mDir.filePath("log.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // "YYYY-MM-DD hh:mm:ss.mmm process[pid:thread] text"
    static const QRegularExpression prefix(QStringLiteral("^\\S+ \\S+ \\S+\\[[^\\]]*\\] "));
    QStringList result;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts))
        result << QString(line).remove(prefix);
    return result;
}

int LogCapture::count(const QString& text) const {
    return int(lines().count(text));
}

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
