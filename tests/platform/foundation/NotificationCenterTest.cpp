#include "platform/foundation/NSNotification.h"
#include "platform/foundation/NSNotificationCenter.h"

#include <gtest/gtest.h>

#include <thread>

class Listener : public NSObject {
    Q_OBJECT
public:
    Q_INVOKABLE void noticed(NSNotification* notification) {
        names.append(notification->name());
        senders.append(notification->object());
        threads.append(std::this_thread::get_id());
        if (removeSelfFrom)
            removeSelfFrom->removeObserver(this);
    }
    QStringList names;
    QList<NSObject*> senders;
    QList<std::thread::id> threads;
    NSNotificationCenter* removeSelfFrom = nullptr;
};

namespace {

TEST(NotificationCenterTest, DeliversByNameAndSenderOnThePostingThread) {
    NSRef<NSNotificationCenter> center = NSAdopt(new NSNotificationCenter());
    NSRef<Listener> byName = NSAdopt(new Listener());
    NSRef<Listener> bySender = NSAdopt(new Listener());
    NSRef<Listener> everything = NSAdopt(new Listener());
    NSRef<NSObject> sender = NSAdopt(new NSObject());
    NSRef<NSObject> otherSender = NSAdopt(new NSObject());
    center->addObserver(byName.get(), "noticed:", NSApplicationWillTerminateNotification, nullptr);
    center->addObserver(bySender.get(), "noticed:", QString(), sender.get());
    center->addObserver(everything.get(), "noticed:", QString(), nullptr);

    center->postNotificationName(NSApplicationWillTerminateNotification, otherSender.get());
    center->postNotificationName("Other", sender.get(), {{"key", 1}});
    std::thread([&] { center->postNotificationName("FromThread", nullptr); }).join();

    EXPECT_EQ(byName->names, QStringList{NSApplicationWillTerminateNotification});
    EXPECT_EQ(byName->senders.value(0), otherSender.get());
    EXPECT_EQ(bySender->names, QStringList{"Other"});
    EXPECT_EQ(everything->names.size(), 3);
    EXPECT_NE(everything->threads.value(2), std::this_thread::get_id());

    // Removing by name touches only registrations for that name.
    center->removeObserver(everything.get(), "Other", nullptr);
    center->removeObserver(bySender.get(), "Other", nullptr);
    center->postNotificationName("Other", sender.get());
    EXPECT_EQ(everything->names.size(), 4);
    EXPECT_EQ(bySender->names.size(), 2);
    center->removeObserver(everything.get());
    center->removeObserver(bySender.get(), QString(), sender.get());
    center->postNotificationName("Again", sender.get());
    EXPECT_EQ(everything->names.size(), 4);
    EXPECT_EQ(bySender->names.size(), 2);
}

TEST(NotificationCenterTest, RemovalDuringDeliveryAndBlocksAndDestroyedObservers) {
    NSRef<NSNotificationCenter> center = NSAdopt(new NSNotificationCenter());
    NSRef<Listener> once = NSAdopt(new Listener());
    once->removeSelfFrom = center.get();
    center->addObserver(once.get(), "noticed:", "Ping", nullptr);
    int blockCalls = 0;
    NSObject* token =
        center->addObserverForName("Ping", nullptr, [&](NSNotification*) { ++blockCalls; });
    auto* shortLived = new Listener();
    center->addObserver(shortLived, "noticed:", "Ping", nullptr);
    shortLived->release();

    center->postNotificationName("Ping", nullptr);
    center->postNotificationName("Ping", nullptr);
    EXPECT_EQ(once->names.size(), 1);
    EXPECT_EQ(blockCalls, 2);
    center->removeObserver(token);
    center->postNotificationName("Ping", nullptr);
    EXPECT_EQ(blockCalls, 2);
}

} // namespace

#include "NotificationCenterTest.moc"
