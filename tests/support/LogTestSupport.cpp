#include "support/LogTestSupport.h"

#include "support/CoreMachDebugLogTesting.h"

#include <QDir>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

ScopedLogsFolder::ScopedLogsFolder(kCoreLogOutput kind, bool present)
    : mSavedState(qgetenv("XDG_STATE_HOME")),
      mHadState(qEnvironmentVariableIsSet("XDG_STATE_HOME")),
      mSavedKind(CoreMachDebugLogGetUseLogger()) {
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(folder()));
    if (present)
        createFolder();
    CoreMachDebugLogResetForTesting();
    CoreMachDebugLogSetUseLogger(kind);
}

ScopedLogsFolder::~ScopedLogsFolder() {
    if (mHadState)
        qputenv("XDG_STATE_HOME", mSavedState);
    else
        qunsetenv("XDG_STATE_HOME");
    CoreMachDebugLogSetUseLogger(kCoreLogOutput(mSavedKind));
    CoreMachDebugLogResetForTesting();
}

std::string ScopedLogsFolder::folder() const {
    return (mRoot.path() + QStringLiteral("/state")).toStdString();
}

std::string ScopedLogsFolder::logFile(const char* leaf) const {
    return folder() + "/" + leaf;
}

bool ScopedLogsFolder::createFolder() const {
    return QDir().mkpath(QString::fromStdString(folder()));
}

std::string readFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}
