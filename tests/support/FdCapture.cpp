#include "support/FdCapture.h"

#include "support/LogTestSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

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
