#pragma once

#include "common/QtPrinters.h"
#include "platform/appkit/NSOpenPanel.h"
#include "platform/foundation/NSObject.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <string>

class NSURL;
class UCodeEntitlements;

namespace sandbox_test {

// Plays the user's part in every open panel while alive: `answer` sees the configured panel
// (recorded in `seen`) and returns the chosen path, or a null text to cancel.
class ScriptedOpenPanel {
public:
    explicit ScriptedOpenPanel(std::function<QString()> answer);
    ~ScriptedOpenPanel();
    ScriptedOpenPanel(const ScriptedOpenPanel&) = delete;
    ScriptedOpenPanel& operator=(const ScriptedOpenPanel&) = delete;

    int runs = 0;
    // The panel's settings when it last ran: "title=<title>", "directory=<path>" (with a "/" after
    // a folder's path), "types=<extensions joined by commas>", then those of "files", "folders"
    // (what it may choose) and "aliases" (it resolves them) that hold.
    QStringList seen;

private:
    NSOpenPanel::ModalRunner mPrevious;
};

// Each test's own folder (its canonical path in `mRoot`) with the standard user defaults in an
// INI file there, and its own autorelease pool; the record of security-scoped access starts empty.
class SandboxFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Makes the empty file `name` in the folder; its path.
    QString touch(const QString& name) const;
    // The defaults' INI file's text ("" when it was never written).
    QString defaultsText() const;

    NSAutoreleasePool mPool;
    QTemporaryDir mDir;
    QString mRoot;
};

// Observes `keys` of `object` while alive: each change heard as "key=value" (the value as text),
// an announcement before a change (NSKeyValueObservingOptionPrior) as "prior key".
class KeyRecorder : public NSObject {
public:
    KeyRecorder(NSObject* object, const QStringList& keys, unsigned options = 0);
    ~KeyRecorder() override;
    void observeValueForKeyPath(const QString& keyPath, NSObject* object, const QVariantMap& change,
                                void*) override;
    // How many records begin with `start`.
    int count(const QString& start) const;

    QStringList heard;

private:
    NSObject* mObject;
    QStringList mKeys;
};

// Expects the access recorded since it was last cleared to be: access to `from` ended, then
// access to `to` begun, with only `to` left open.
void expectAccessMoved(const QString& from, const QString& to);

// The rights `entitlements` grants, by name in this order: "sandbox" (an active sandbox), "all"
// (every right), "bookmarks", "printing", "client", "server", "camera".
std::string heldRights(const UCodeEntitlements& entitlements);

} // namespace sandbox_test
