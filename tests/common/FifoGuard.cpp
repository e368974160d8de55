#include "common/FifoGuard.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumenreel::test {

FifoGuard::FifoGuard(const QString& path, std::chrono::milliseconds deadline) : mPath(path) {
    const QByteArray name = QFile::encodeName(path);
    mValid = ::mkfifo(name.constData(), 0600) == 0;
    if (!mValid)
        return;
    mWatcher = std::thread([this, name, deadline] {
        std::unique_lock lock(mLock);
        if (mStop.wait_for(lock, deadline, [this] { return mStopping; }))
            return;
        while (!mStopping) {
            // A writer opens without blocking only while a reader has the FIFO open, that is
            // while something waits on it: only then was it rescued.
            const int writer = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (writer >= 0) {
                mRescued = true;
                ::close(writer);
            }
            // Opening for reading and writing never blocks and counts as the writer a blocked
            // reader waits for (or the reader a blocked writer waits for); closing it again ends
            // a blocked read.
            const int descriptor = ::open(name.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            if (descriptor >= 0)
                ::close(descriptor);
            mStop.wait_for(lock, std::chrono::milliseconds(50), [this] { return mStopping; });
        }
    });
}

FifoGuard::~FifoGuard() {
    if (mWatcher.joinable()) {
        {
            std::lock_guard lock(mLock);
            mStopping = true;
        }
        mStop.notify_all();
        mWatcher.join();
    }
    if (mValid)
        QFile::remove(mPath);
}

} // namespace lumenreel::test
