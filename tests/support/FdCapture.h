#pragma once

#include <string>

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
