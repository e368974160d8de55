#include "platform/foundation/NSOperationQueue.h"

#include "platform/foundation/NSOperation.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

NS_IMPLEMENT_CLASS(NSOperationQueue, NSObject)

// Shared by the queue object and its worker threads, so that workers may outlive the queue.
struct NSOperationQueue::State {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<NSRef<NSOperation>> waiting;
    int maxConcurrent = 1;
    int workers = 0;
    int running = 0;

    static void work(std::shared_ptr<State> state) {
        std::unique_lock guard(state->lock);
        for (;;) {
            if (state->waiting.empty() || state->running >= state->maxConcurrent) {
                --state->workers;
                state->changed.notify_all();
                return;
            }
            NSRef<NSOperation> operation = std::move(state->waiting.front());
            state->waiting.pop_front();
            ++state->running;
            guard.unlock();
            operation->start();
            operation.reset();
            guard.lock();
            --state->running;
            state->changed.notify_all();
        }
    }

    // Starts workers up to the limit while operations wait. Called with the lock held.
    void spawn(const std::shared_ptr<State>& self) {
        while (workers<maxConcurrent&& static_cast<int>(waiting.size())> workers - running) {
            ++workers;
            std::thread(&State::work, self).detach();
        }
    }
};

NSOperationQueue::NSOperationQueue() : mState(std::make_shared<State>()) {}

NSOperationQueue::~NSOperationQueue() = default;

void NSOperationQueue::setMaxConcurrentOperationCount(int count) {
    std::lock_guard guard(mState->lock);
    mState->maxConcurrent = count < 1 ? 1 : count;
    mState->spawn(mState);
}

int NSOperationQueue::maxConcurrentOperationCount() const {
    std::lock_guard guard(mState->lock);
    return mState->maxConcurrent;
}

void NSOperationQueue::addOperation(NSOperation* operation) {
    if (!operation)
        return;
    std::lock_guard guard(mState->lock);
    mState->waiting.push_back(NSRef<NSOperation>(operation));
    mState->spawn(mState);
}

void NSOperationQueue::addOperationWithBlock(std::function<void()> block) {
    NSRef<NSOperation> operation = NSAdopt<NSOperation>(new NSBlockOperation(std::move(block)));
    addOperation(operation.get());
}

int NSOperationQueue::operationCount() const {
    std::lock_guard guard(mState->lock);
    return static_cast<int>(mState->waiting.size()) + mState->running;
}

void NSOperationQueue::waitUntilAllOperationsAreFinished() {
    std::unique_lock guard(mState->lock);
    mState->changed.wait(guard, [this] { return mState->waiting.empty() && mState->running == 0; });
}
