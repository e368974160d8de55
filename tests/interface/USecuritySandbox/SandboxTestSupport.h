#pragma once

#include "platform/appkit/NSOpenPanel.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

class NSURL;

namespace sandbox_test {

// Points the standard user defaults at a fresh INI file while alive.
class ScratchDefaults {
public:
    ScratchDefaults();
    ~ScratchDefaults();
    ScratchDefaults(const ScratchDefaults&) = delete;
    ScratchDefaults& operator=(const ScratchDefaults&) = delete;

    QString iniPath() const { return mDir.filePath("defaults.ini"); }
    // The INI file's text ("" when it was never written).
    QString fileText() const;

private:
    QTemporaryDir mDir;
};

// Plays the user's part in every open panel while alive: `answer` sees the configured panel
// (recorded in `seen`) and returns the chosen path, or a null text to cancel.
class ScriptedOpenPanel {
public:
    struct Seen {
        QString title;
        QString directoryPath;
        bool directoryIsFolder = false;
        QStringList allowedFileTypes;
        bool canChooseFiles = false;
        bool canChooseDirectories = false;
        bool resolvesAliases = false;
    };

    explicit ScriptedOpenPanel(std::function<QString()> answer);
    ~ScriptedOpenPanel();
    ScriptedOpenPanel(const ScriptedOpenPanel&) = delete;
    ScriptedOpenPanel& operator=(const ScriptedOpenPanel&) = delete;

    int runs = 0;
    Seen seen;

private:
    NSOpenPanel::ModalRunner mPrevious;
};

} // namespace sandbox_test
