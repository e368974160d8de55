#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace lumenreel::test {

// A FIFO made for a test, with a deadline: should anything still wait on it once `deadline` has
// passed (opening it blocks until a writer comes, reading it until data comes), the guard opens
// and closes its writing end again and again until it is destroyed, so that every waiter goes
// on (and reads an end of file) instead of hanging the test. rescued() tells whether it had to.
class FifoGuard {
public:
    explicit FifoGuard(const QString& path,
                       std::chrono::milliseconds deadline = std::chrono::seconds(10));
    ~FifoGuard();
    FifoGuard(const FifoGuard&) = delete;
    FifoGuard& operator=(const FifoGuard&) = delete;

    // False when the FIFO could not be made.
    bool isValid() const { return mValid; }
    bool rescued() const { return mRescued.load(); }

private:
    QString mPath;
    bool mValid = false;
    std::atomic<bool> mRescued{false};
    std::mutex mLock;
    std::condition_variable mStop;
    bool mStopping = false;
    std::thread mWatcher;
};

} // namespace lumenreel::test
