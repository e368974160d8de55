#include "common/TestSupport.h"
#include "platform/foundation/NSOperation.h"
#include "platform/foundation/NSOperationQueue.h"
#include "platform/foundation/NSThread.h"
#include "platform/foundation/dispatch.h"

#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

class Worker : public NSObject {
    Q_OBJECT
public:
    Q_INVOKABLE void work(NSObject* argument) {
        received = argument;
        mainThread = NSThread::isMainThread();
        NSThread::setThreadPriority(1.0);
        priority = NSThread::threadPriority();
        qtPriority = QThread::currentThread()->priority();
        done = true;
    }
    std::atomic<NSObject*> received{nullptr};
    std::atomic<bool> mainThread{true};
    std::atomic<double> priority{0};
    std::atomic<int> qtPriority{0};
    std::atomic<bool> done{false};
};

class Tracked : public NSObject {
public:
    explicit Tracked(std::atomic<int>* destroyed) : mDestroyed(destroyed) {}
    ~Tracked() override { ++*mDestroyed; }

private:
    std::atomic<int>* mDestroyed;
};

namespace {

using lumenreel::test::spinUntil;

TEST(NSObjectTest, NestedScopesReleaseWhatTheyHold) {
    std::atomic<int> destroyed{0};
    {
        NSAutoreleasePool outer;
        static_cast<NSObject*>(new Tracked(&destroyed))->autorelease();
        {
            NSAutoreleasePool inner;
            (new Tracked(&destroyed))->autorelease();
            EXPECT_EQ(NSAutoreleasePool::pendingCountOnCurrentThread(), 1u);
        }
        EXPECT_EQ(destroyed, 1);
        EXPECT_EQ(NSAutoreleasePool::pendingCountOnCurrentThread(), 1u);
        outer.drain();
        EXPECT_EQ(destroyed, 2);
    }
    EXPECT_EQ(NSAutoreleasePool::pendingCountOnCurrentThread(), 0u);
}

TEST(NSObjectTest, RefsAndPlainRetainsCountAndTheLastReleaseDestroys) {
    std::atomic<int> destroyed{0};
    {
        NSRef<Tracked> owner = NSAdopt(new Tracked(&destroyed));
        EXPECT_EQ(owner->retainCount(), 1u);
        NSRef<NSObject> copy = owner;
        owner->retain();
        EXPECT_EQ(owner->retainCount(), 3u);
        owner->release();
        owner.reset();
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(ThreadsTest, MainThreadPostingRunsLaterOrWaitsAndKeepsObjectsAlive) {
    EXPECT_TRUE(NSThread::isMainThread());
    std::atomic<int> destroyed{0};
    auto* target = new Worker();
    auto* argument = new Tracked(&destroyed);
    target->performSelectorOnMainThread("work:", argument, false);
    argument->release();
    target->release();
    EXPECT_EQ(destroyed, 0); // retained until the call has run
    ASSERT_TRUE(spinUntil([&] { return destroyed == 1; }));

    // From another thread, waiting: the caller blocks until the main thread has run it.
    NSRef<Worker> worker = NSAdopt(new Worker());
    std::atomic<bool> returned{false};
    std::thread poster([&] {
        worker->performSelectorOnMainThread("work:", nullptr, true);
        returned = true;
    });
    ASSERT_TRUE(spinUntil([&] { return returned.load(); }));
    poster.join();
    EXPECT_TRUE(worker->done);
    EXPECT_TRUE(worker->mainThread);

    // On the main thread, waiting runs it at once.
    NSRef<Worker> direct = NSAdopt(new Worker());
    direct->performSelectorOnMainThread("work:", nullptr, true);
    EXPECT_TRUE(direct->done);
}

TEST(ThreadsTest, DispatchAsyncOnTheMainQueueRunsInOrder) {
    std::vector<int> order;
    std::thread([&] {
        for (int i = 0; i < 5; ++i)
            dispatch_async(dispatch_get_main_queue(), [&order, i] { order.push_back(i); });
    }).join();
    EXPECT_TRUE(order.empty());
    ASSERT_TRUE(spinUntil([&] { return order.size() == 5; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(ThreadsTest, DetachedThreadsRunTheSelectorWithTheirOwnPriority) {
    const double ownPriority = NSThread::threadPriority();
    NSRef<Worker> worker = NSAdopt(new Worker());
    NSRef<NSObject> argument = NSAdopt(new NSObject());
    NSThread::detachNewThreadSelector("work:", worker.get(), argument.get());
    ASSERT_TRUE(spinUntil([&] { return worker->done.load(); }));
    EXPECT_EQ(worker->received, argument.get());
    EXPECT_FALSE(worker->mainThread);
    EXPECT_EQ(worker->priority, 1.0);
    EXPECT_EQ(worker->qtPriority, QThread::TimeCriticalPriority);
    EXPECT_EQ(NSThread::threadPriority(), ownPriority); // the calling thread's is untouched
}

TEST(ThreadsTest, ASerialQueueRunsOneOperationAtATimeInOrder) {
    std::atomic<int> destroyed{0};
    std::mutex lock;
    std::vector<int> order;
    std::atomic<int> running{0};
    std::atomic<int> overlap{0};
    {
        NSRef<NSOperationQueue> queue = NSAdopt(new NSOperationQueue());
        queue->setMaxConcurrentOperationCount(1);
        for (int i = 0; i < 20; ++i) {
            queue->addOperationWithBlock([&, i] {
                if (++running > 1)
                    ++overlap;
                NSRef<Tracked> scoped = NSAdopt(new Tracked(&destroyed));
                scoped->retain()->autorelease(); // released when the operation's scope drains
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                {
                    std::lock_guard guard(lock);
                    order.push_back(i);
                }
                --running;
            });
        }
        queue->waitUntilAllOperationsAreFinished();
        EXPECT_EQ(queue->operationCount(), 0);
    }
    EXPECT_EQ(overlap, 0);
    EXPECT_EQ(destroyed, 20);
    std::vector<int> expected(20);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
}

TEST(ThreadsTest, OperationsOutliveTheirQueueAndCancelledOnesDoNotRun) {
    std::atomic<bool> ran{false};
    std::atomic<bool> completed{false};
    std::atomic<bool> cancelledRan{false};
    NSRef<NSOperation> cancelled =
        NSAdopt<NSOperation>(new NSBlockOperation([&] { cancelledRan = true; }));
    cancelled->cancel();
    NSRef<NSOperation> operation = NSAdopt<NSOperation>(new NSBlockOperation([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ran = true;
    }));
    operation->setCompletionBlock([&] { completed = true; });
    {
        NSRef<NSOperationQueue> queue = NSAdopt(new NSOperationQueue());
        queue->addOperation(cancelled.get());
        queue->addOperation(operation.get());
    } // the queue goes before its operations have run
    ASSERT_TRUE(spinUntil([&] { return completed.load(); }));
    EXPECT_TRUE(ran);
    EXPECT_TRUE(operation->isFinished());
    EXPECT_FALSE(cancelledRan);
    EXPECT_TRUE(cancelled->isFinished());
}

} // namespace

#include "ThreadsTest.moc"
