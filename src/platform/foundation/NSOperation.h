#pragma once

#include "platform/foundation/NSObject.h"

#include <atomic>
#include <functional>
#include <memory>

// A unit of work for an operation queue. Subclasses override `main`; `start` runs it once
// (inside a release scope) and marks the operation finished.
class NSOperation : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(NSOperation)
public:
    NSOperation();
    ~NSOperation() override;

    // Runs `main` unless cancelled, then the completion block; a second start does nothing.
    virtual void start();
    virtual void main();
    void cancel() { mCancelled = true; }

    bool isCancelled() const { return mCancelled; }
    bool isExecuting() const { return mExecuting; }
    bool isFinished() const { return mFinished; }

    // Runs on the operation's thread after `main` finishes.
    void setCompletionBlock(std::function<void()> block);

private:
    std::atomic<bool> mCancelled{false};
    std::atomic<bool> mExecuting{false};
    std::atomic<bool> mFinished{false};
    std::function<void()> mCompletionBlock;
};

// An operation that runs one block.
class NSBlockOperation : public NSOperation {
    Q_OBJECT
public:
    explicit NSBlockOperation(std::function<void()> block);
    void main() override;

private:
    std::function<void()> mBlock;
};
