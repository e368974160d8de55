#pragma once

#include "platform/foundation/NSObject.h"

#include <functional>
#include <memory>

class NSOperation;

// Runs added operations in the order they were added on threads of its own, at most
// maxConcurrentOperationCount at a time (1 makes a serial queue; the default is 1 here). The
// queue retains each operation until it has run. Releasing the queue does not stop operations
// already added: they still run, and the queue's threads end after the last one.
class NSOperationQueue : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(NSOperationQueue)
public:
    NSOperationQueue();
    ~NSOperationQueue() override;

    void setMaxConcurrentOperationCount(int count);
    int maxConcurrentOperationCount() const;

    void addOperation(NSOperation* operation);
    void addOperationWithBlock(std::function<void()> block);
    // Operations added and not yet finished.
    int operationCount() const;
    // Blocks until every operation added so far has finished. Not to be called from one of the
    // queue's own operations.
    void waitUntilAllOperationsAreFinished();

private:
    struct State;
    std::shared_ptr<State> mState;
};
