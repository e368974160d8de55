#pragma once

#include "support/CoreMachDebugLog.h"

#include <QTemporaryDir>

#include <string>

// A user Logs folder of its own for each test: XDG_STATE_HOME points at a temporary folder and
// the debug log forgets what it found before and writes to `kind`. Restores the log's output
// kind afterwards.
class ScopedLogsFolder {
public:
    // With `present` false the folder that XDG_STATE_HOME names does not exist.
    explicit ScopedLogsFolder(kCoreLogOutput kind = kCoreLogOutputFile, bool present = true);
    ~ScopedLogsFolder();

    std::string folder() const;
    std::string logFile(const char* leaf = "CoreMachDebugLog.log") const;
    bool createFolder() const;

private:
    QTemporaryDir mRoot;
    QByteArray mSavedState;
    bool mHadState;
    int mSavedKind;
};

// Sends everything written to one file descriptor (1 or 2) into a temporary file until
// `finish`, which restores the descriptor and returns what was written.
class FdCapture {
public:
    explicit FdCapture(int fd);
    ~FdCapture();
    FdCapture(const FdCapture&) = delete;
    FdCapture& operator=(const FdCapture&) = delete;

    std::string finish();

private:
    int mFd;
    int mSaved = -1;
    std::string mPath;
};

std::string readFileText(const std::string& path);
bool fileExists(const std::string& path);
