#include "interface/CocoaFoundation/UNibSingleton.h"
#include "platform/foundation/NSException.h"

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <thread>
#include <vector>

// Counts its hooks; each test uses its own subclass so that the process-wide registries start
// empty for it.
class CountingSingleton : public UNibSingleton {
    Q_OBJECT
    NS_DECLARE_CLASS(CountingSingleton)
public:
    void initOnceInstance() override { ++onceCount; }
    void initEveryInstance() override { ++everyCount; }
    std::atomic<int> onceCount{0};
    std::atomic<int> everyCount{0};
};

class ThreadedSingleton : public CountingSingleton {
    Q_OBJECT
    NS_DECLARE_CLASS(ThreadedSingleton)
};

class ChildSingleton : public CountingSingleton {
    Q_OBJECT
    NS_DECLARE_CLASS(ChildSingleton)
};

// Two classes that share one instance key.
class SharedKeyA : public UNibSingleton {
    Q_OBJECT
    NS_DECLARE_CLASS(SharedKeyA)
};

class SharedKeyB : public SharedKeyA {
    Q_OBJECT
    NS_DECLARE_CLASS(SharedKeyB)
};

class NeverAllocated : public UNibSingleton {
    Q_OBJECT
    NS_DECLARE_CLASS(NeverAllocated)
public:
    static std::atomic<int> destroyed;
    ~NeverAllocated() override { ++destroyed; }
};
std::atomic<int> NeverAllocated::destroyed{0};

class ThrowingSingleton : public UNibSingleton {
    Q_OBJECT
    NS_DECLARE_CLASS(ThrowingSingleton)
public:
    void initEveryInstance() override {
        if (shouldThrow)
            NSException::raise("TestException", "raised in initEveryInstance");
    }
    bool shouldThrow = true;
};

NS_IMPLEMENT_CLASS(CountingSingleton, UNibSingleton)
NS_IMPLEMENT_CLASS(ThreadedSingleton, CountingSingleton)
NS_IMPLEMENT_CLASS(ChildSingleton, CountingSingleton)
NS_IMPLEMENT_CLASS(SharedKeyA, UNibSingleton, [](NSClass& cls) {
    cls.addClassMethod("instanceKey", [](Class) { return QVariant(QStringLiteral("SharedKey")); });
})
NS_IMPLEMENT_CLASS(SharedKeyB, SharedKeyA)
NS_IMPLEMENT_CLASS(NeverAllocated, UNibSingleton)
NS_IMPLEMENT_CLASS(ThrowingSingleton, UNibSingleton)

namespace {

TEST(UNibSingletonTest, AllocationAndInitYieldOneInstanceAndRunTheHooks) {
    auto* first = NSAllocInit<CountingSingleton>();
    auto* second = NSAllocInit<CountingSingleton>();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->onceCount, 1);
    EXPECT_EQ(first->everyCount, 2);
    // Through the class found by name, as an interface-file loader does.
    NSObject* fromNib = NSClassFromString("CountingSingleton")->alloc();
    EXPECT_EQ(fromNib, first);
    EXPECT_EQ(fromNib->init(), first);
    EXPECT_EQ(first->onceCount, 1);
    EXPECT_EQ(first->everyCount, 3);
    auto* cls = UNibSingleton::singletonClass(CountingSingleton::classObject());
    EXPECT_TRUE(cls->sharedInstanceWasInitialized());

    // A subclass with the default key has its own instance.
    auto* child = NSAllocInit<ChildSingleton>();
    ASSERT_NE(child, nullptr);
    EXPECT_NE(static_cast<CountingSingleton*>(child), first);
    EXPECT_EQ(child->onceCount, 1);
    EXPECT_EQ(child->className(), "ChildSingleton");
}

TEST(UNibSingletonTest, ReferenceCountingAndCopyingLeaveTheInstanceAlone) {
    auto* instance = NSAllocInit<CountingSingleton>();
    for (int i = 0; i < 5; ++i)
        instance->release();
    EXPECT_EQ(instance->retain(), instance);
    EXPECT_EQ(instance->autorelease(), instance);
    EXPECT_EQ(instance->copy(), instance);
    { NSRef<CountingSingleton> owner = NSAdopt(instance); }
    EXPECT_EQ(NSAllocInit<CountingSingleton>(), instance);
    EXPECT_EQ(CountingSingleton::classObject()->copyWithZone(nullptr), nullptr);
    EXPECT_EQ(CountingSingleton::classObject()->mutableCopyWithZone(nullptr), nullptr);
}

TEST(UNibSingletonTest, ClassesSharingAKeyShareTheInstanceOfTheFirstAllocated) {
    NSObject* b = SharedKeyB::classObject()->alloc()->init();
    NSObject* a = SharedKeyA::classObject()->alloc()->init();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->className(), "SharedKeyB");
}

TEST(UNibSingletonTest, InitOfAnUnregisteredClassYieldsNil) {
    auto* stray = new NeverAllocated();
    EXPECT_EQ(stray->init(), nullptr);
    EXPECT_EQ(NeverAllocated::destroyed, 1); // the stray object does not leak
    auto* cls = UNibSingleton::singletonClass(NeverAllocated::classObject());
    EXPECT_EQ(cls->sharedInstance(), nullptr);
    EXPECT_FALSE(cls->sharedInstanceWasInitialized());
}

TEST(UNibSingletonTest, AnExceptionInsideInitLeavesTheLockReleased) {
    NSObject* allocated = ThrowingSingleton::classObject()->alloc();
    EXPECT_THROW(allocated->init(), NSException);
    // Another thread can take the class lock afterwards.
    std::atomic<bool> locked{false};
    std::thread other([&] {
        std::unique_lock guard(ThrowingSingleton::classObject()->synchronizationLock(),
                               std::try_to_lock);
        locked = guard.owns_lock();
    });
    other.join();
    EXPECT_TRUE(locked);
    auto* instance = static_cast<ThrowingSingleton*>(allocated);
    instance->shouldThrow = false;
    EXPECT_EQ(allocated->init(), allocated);
}

TEST(UNibSingletonTest, ManyThreadsAllocatingAtOnceGetOneInstance) {
    constexpr int kThreads = 16;
    std::barrier start(kThreads);
    std::vector<NSObject*> results(kThreads, nullptr);
    {
        std::vector<std::jthread> threads; // joined at the end of the block
        for (int i = 0; i < kThreads; ++i)
            threads.emplace_back([&, i] {
                start.arrive_and_wait();
                results[i] = NSClassFromString("ThreadedSingleton")->alloc()->init();
            });
    }
    ASSERT_NE(results[0], nullptr);
    for (NSObject* result : results)
        EXPECT_EQ(result, results[0]);
    auto* instance = static_cast<ThreadedSingleton*>(results[0]);
    EXPECT_EQ(instance->onceCount, 1);
    EXPECT_EQ(instance->everyCount, kThreads);
}

} // namespace

#include "UNibSingletonTest.moc"
