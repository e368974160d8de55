#include "platform/foundation/NSOperation.h"

NS_IMPLEMENT_CLASS(NSOperation, NSObject)

NSOperation::NSOperation() = default;

NSOperation::~NSOperation() = default;

void NSOperation::start() {
    bool expected = false;
    if (!mExecuting.compare_exchange_strong(expected, true) || mFinished)
        return;
    {
        NSAutoreleasePool pool;
        if (!mCancelled)
            main();
    }
    mExecuting = false;
    mFinished = true;
    if (mCompletionBlock)
        mCompletionBlock();
}

void NSOperation::main() {}

void NSOperation::setCompletionBlock(std::function<void()> block) {
    mCompletionBlock = std::move(block);
}

NSBlockOperation::NSBlockOperation(std::function<void()> block) : mBlock(std::move(block)) {}

void NSBlockOperation::main() {
    if (mBlock)
        mBlock();
}
