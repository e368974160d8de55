#include "platform/foundation/NSObject.h"

#include <gtest/gtest.h>

namespace {

class Tracked : public NSObject {
public:
    explicit Tracked(int* destroyed) : mDestroyed(destroyed) {}
    ~Tracked() override { ++*mDestroyed; }

private:
    int* mDestroyed;
};

TEST(NSObjectTest, NestedScopesReleaseWhatTheyHold) {
    int destroyed = 0;
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
    int destroyed = 0;
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

} // namespace
