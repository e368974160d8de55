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

TEST(NSObjectTest, LastReleaseDestroys) {
    int destroyed = 0;
    auto* object = new Tracked(&destroyed);
    EXPECT_EQ(object->retainCount(), 1u);
    object->retain();
    EXPECT_EQ(object->retainCount(), 2u);
    object->release();
    EXPECT_EQ(destroyed, 0);
    object->release();
    EXPECT_EQ(destroyed, 1);
}

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

TEST(NSObjectTest, RefRetainsAndReleases) {
    int destroyed = 0;
    {
        NSRef<Tracked> owner = NSAdopt(new Tracked(&destroyed));
        NSRef<NSObject> copy = owner;
        EXPECT_EQ(owner->retainCount(), 2u);
        owner.reset();
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

} // namespace
