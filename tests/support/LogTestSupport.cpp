#include "support/LogTestSupport.h"

#include "support/CoreMachDebugLogTesting.h"

#include <QDir>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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

FdCapture::FdCapture(int fd) : mFd(fd) {
    std::fflush(nullptr);
    char path[] = "/tmp/lumenreel-capture-XXXXXX";
    const int file = ::mkstemp(path);
    if (file < 0)
        return;
    mPath = path;
    mSaved = ::dup(fd);
    ::dup2(file, fd);
    ::close(file);
}

FdCapture::~FdCapture() {
    finish();
}

std::string FdCapture::finish() {
    if (mSaved < 0)
        return {};
    std::fflush(nullptr);
    ::dup2(mSaved, mFd);
    ::close(mSaved);
    mSaved = -1;
    const std::string content = readFileText(mPath);
    ::unlink(mPath.c_str());
    return content;
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
