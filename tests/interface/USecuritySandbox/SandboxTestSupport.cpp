#include "SandboxTestSupport.h"

#include "platform/foundation/NSKeyValueObserving.h"
#include "platform/foundation/NSSecurityScopedAccess.h"
#include "platform/foundation/NSURL.h"
#include "platform/foundation/NSUserDefaults.h"
#include "support/UCodeEntitlements.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace sandbox_test {

ScriptedOpenPanel::ScriptedOpenPanel(std::function<QString()> answer) {
    mPrevious = NSOpenPanel::setModalRunner([this, answer](NSOpenPanel* panel) -> NSInteger {
        ++runs;
        const NSURL* directory = panel->directoryURL();
        seen = QStringList{"title=" + panel->title(),
                           "directory=" + (directory ? directory->path() : QString()) +
                               (directory && directory->hasDirectoryPath() ? "/" : ""),
                           "types=" + panel->allowedFileTypes().join(',')};
        for (const auto& [word, holds] : {std::pair("files", panel->canChooseFiles()),
                                          std::pair("folders", panel->canChooseDirectories()),
                                          std::pair("aliases", panel->resolvesAliases())})
            if (holds)
                seen << word;
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
    NSUserDefaults::setStandardUserDefaultsFile(mDir.filePath("defaults.ini"));
    NSSecurityScopedAccess::clearEvents();
}

void SandboxFolderTest::TearDown() {
    NSUserDefaults::setStandardUserDefaultsFile(QString());
}

QString SandboxFolderTest::defaultsText() const {
    QFile file(mDir.filePath("defaults.ini"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString("");
}

QString SandboxFolderTest::touch(const QString& name) const {
    QFile file(mRoot + "/" + name);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    return file.fileName();
}

KeyRecorder::KeyRecorder(NSObject* object, const QStringList& keys, unsigned options)
    : mObject(object), mKeys(keys) {
    for (const QString& key : keys)
        object->addObserver(this, key, options, nullptr);
}

KeyRecorder::~KeyRecorder() {
    for (const QString& key : mKeys)
        mObject->removeObserver(this, key);
}

void KeyRecorder::observeValueForKeyPath(const QString& keyPath, NSObject* object,
                                         const QVariantMap& change, void*) {
    if (change.value(NSKeyValueChangeNotificationIsPriorKey).toBool())
        heard << "prior " + keyPath;
    else
        heard << keyPath + "=" + object->valueForKeyPath(keyPath).toString();
}

int KeyRecorder::count(const QString& start) const {
    return int(std::count_if(heard.begin(), heard.end(),
                             [&](const QString& h) { return h.startsWith(start); }));
}

void expectAccessMoved(const QString& from, const QString& to) {
    QStringList events;
    for (const auto& event : NSSecurityScopedAccess::events())
        events << (event.kind == NSSecurityScopedAccessEvent::Kind::Stop ? "stop " : "start ") +
                      event.path;
    EXPECT_EQ(events, (QStringList{"stop " + from, "start " + to}));
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
