#include "SandboxTestSupport.h"

#include "platform/foundation/NSSecurityScopedAccess.h"
#include "platform/foundation/NSURL.h"
#include "platform/foundation/NSUserDefaults.h"
#include "support/UCodeEntitlements.h"

#include <QDir>
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

void SandboxFolderTest::SetUp() {
    ASSERT_TRUE(mDir.isValid());
    mRoot = QDir(mDir.path()).canonicalPath();
    NSSecurityScopedAccess::clearEvents();
}

QString SandboxFolderTest::touch(const QString& name) const {
    QFile file(mRoot + "/" + name);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    return file.fileName();
}

void expectAccessMoved(const QString& from, const QString& to) {
    using Kind = NSSecurityScopedAccessEvent::Kind;
    const auto events = NSSecurityScopedAccess::events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, Kind::Stop);
    EXPECT_EQ(events[0].path, from);
    EXPECT_EQ(events[1].kind, Kind::Start);
    EXPECT_EQ(events[1].path, to);
    EXPECT_EQ(NSSecurityScopedAccess::openAccessCount(from), 0);
    EXPECT_EQ(NSSecurityScopedAccess::openAccessCount(to), 1);
}

std::string heldRights(const UCodeEntitlements& e) {
    const std::pair<const char*, bool> rights[] = {
        {"sandbox", e.HasActiveSecuritySandbox()},
        {"all", e.HasAccessToAllEntitlements()},
        {"bookmarks", e.HasActiveSecurityBookmarksAppScope()},
        {"printing", e.HasAccessToPrinting()},
        {"client", e.HasAccessToNetworkClient()},
        {"server", e.HasAccessToNetworkServer()},
        {"camera", e.HasAccessToCameraDevice()}};
    std::string held;
    for (const auto& [name, has] : rights)
        if (has)
            held.append(" ").append(name);
    return held.empty() ? held : held.substr(1);
}

} // namespace sandbox_test
