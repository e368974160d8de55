#include "platform/foundation/NSObject.h"

#include <QPointer>

#include <gtest/gtest.h>

#include <utility>

// A link of an observed chain: holds its next link strongly and its `peer` weakly.
class Link : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(Link)
    Q_PROPERTY(Link* next READ next WRITE setNext)
    Q_PROPERTY(Link* peer READ peer WRITE setPeer)
    Q_PROPERTY(QString name READ name WRITE setName)
    Q_PROPERTY(QString title READ title)
    Q_PROPERTY(QString caption READ caption)
    Q_PROPERTY(QString headline READ headline)
public:
    Link* next() const { return mNext.get(); }
    void setNext(Link* next) { mNext = NSRef<Link>(next); }
    Link* peer() const { return mPeer.data(); }
    void setPeer(Link* peer) { mPeer = peer; }
    QString name() const { return mName; }
    void setName(const QString& name) { mName = name; }
    // Depends on name.
    QString title() const { return mName.toUpper(); }
    // Depends on title, so on name through it.
    QString caption() const { return QStringLiteral("[%1]").arg(title()); }
    // Depends on the key path next.name.
    QString headline() const { return mNext ? QStringLiteral("> ") + mNext->name() : QString(); }

private:
    NSRef<Link> mNext;
    QPointer<Link> mPeer;
    QString mName;
};

NS_IMPLEMENT_CLASS(Link, NSObject, [](NSClass& cls) {
    cls.addClassMethod("keyPathsForValuesAffectingTitle",
                       [](Class) { return QVariant::fromValue(QSet<QString>{"name"}); });
    cls.addClassMethod("keyPathsForValuesAffectingCaption",
                       [](Class) { return QVariant(QStringList{"title"}); });
    cls.addClassMethod("keyPathsForValuesAffectingHeadline",
                       [](Class) { return QVariant(QStringList{"next.name"}); });
})

namespace {

// Notifications as text, compared as standard strings so that a failure prints them readably.
using Notes = std::vector<std::string>;

class Recorder : public NSObject {
public:
    // Keeps each notification as "keyPath old>new", with "-" for a value the change leaves out
    // and "nil" for an empty one, and " prior=true" where the change has the prior key.
    void observeValueForKeyPath(const QString& keyPath, NSObject* /*object*/,
                                const QVariantMap& change, void* context) override {
        const auto value = [&](const char* key) {
            if (!change.contains(key))
                return QStringLiteral("-");
            const QVariant text = change.value(key);
            return text.isValid() ? text.toString() : QStringLiteral("nil");
        };
        QString note =
            keyPath + ' ' + value(NSKeyValueChangeOldKey) + '>' + value(NSKeyValueChangeNewKey);
        if (change.contains(NSKeyValueChangeNotificationIsPriorKey))
            note += " prior=" + value(NSKeyValueChangeNotificationIsPriorKey);
        notes.push_back(note.toStdString());
        contexts.push_back(context);
        kinds.push_back(change.value(NSKeyValueChangeKindKey).toInt());
    }
    // The notifications so far; forgets them.
    Notes take() { return std::exchange(notes, {}); }
    Notes notes;
    std::vector<void*> contexts;
    std::vector<int> kinds;
};

class KeyValueObservingTest : public ::testing::Test {
protected:
    NSRef<Recorder> recorder = NSAdopt(new Recorder());
};

NSRef<Link> makeLink(const QString& name, Link* next = nullptr) {
    NSRef<Link> link = NSAdopt(new Link());
    link->setName(name);
    link->setNext(next);
    return link;
}

TEST_F(KeyValueObservingTest, ChangesReachObserversOfTheKeyAndOfDependentKeys) {
    NSRef<Link> link = makeLink("one");
    int context = 0;
    link->addObserver(recorder.get(), "name",
                      NSKeyValueObservingOptionNew | NSKeyValueObservingOptionOld, &context);
    link->addObserver(recorder.get(), "caption", NSKeyValueObservingOptionNew, nullptr);

    link->setValue_forKey("two", "name");
    EXPECT_EQ(recorder->take(), (Notes{"name one>two", "caption ->[TWO]"}));
    EXPECT_EQ(recorder->contexts, (std::vector<void*>{&context, nullptr}));
    EXPECT_EQ(recorder->kinds,
              (std::vector<int>{NSKeyValueChangeSetting, NSKeyValueChangeSetting}));

    link->willChangeValueForKey("name");
    link->setName("three");
    link->didChangeValueForKey("name");
    EXPECT_EQ(recorder->take(), (Notes{"name two>three", "caption ->[THREE]"}));

    // An unrelated key reaches nobody; removed observations stay quiet.
    link->willChangeValueForKey("other");
    link->didChangeValueForKey("other");
    EXPECT_TRUE(recorder->notes.empty());
    link->removeObserver(recorder.get(), "name", &context);
    link->removeObserver(recorder.get(), "caption");
    EXPECT_EQ(link->observationCount(), 0);
    link->setValue_forKey("four", "name");
    EXPECT_TRUE(recorder->notes.empty());
}

TEST_F(KeyValueObservingTest, KeyPathObservationsFollowTheirFirstKeyAndOptionsShapeTheChange) {
    NSRef<Link> link = makeLink("one");
    link->addObserver(recorder.get(), "title.length",
                      NSKeyValueObservingOptionInitial | NSKeyValueObservingOptionPrior, nullptr);
    EXPECT_EQ(recorder->take(), Notes{"title.length ->-"}); // the initial notification
    link->willChangeValueForKey("title");
    EXPECT_EQ(recorder->take(), Notes{"title.length ->- prior=true"});
    link->didChangeValueForKey("title");
    EXPECT_EQ(recorder->take(), Notes{"title.length ->-"});
}

TEST_F(KeyValueObservingTest, AnObserverDestroyedWhileRegisteredIsSkipped) {
    NSRef<Link> link = makeLink("one");
    auto* shortLived = new Recorder();
    link->addObserver(shortLived, "name", NSKeyValueObservingOptionNew, nullptr);
    shortLived->release();
    EXPECT_EQ(link->observationCount(), 0);
    link->setValue_forKey("two", "name");
    EXPECT_EQ(link->name(), "two");
}

TEST_F(KeyValueObservingTest, AKeyPathIsFollowedThroughEveryObjectAndMovesWithReplacedObjects) {
    NSRef<Link> leaf = makeLink("leaf");
    NSRef<Link> middle = makeLink("middle", leaf.get());
    NSRef<Link> root = makeLink("root", middle.get());
    const unsigned both = NSKeyValueObservingOptionNew | NSKeyValueObservingOptionOld;
    root->addObserver(recorder.get(), "next.next.name", both, nullptr);
    root->addObserver(recorder.get(), "next.next.title", NSKeyValueObservingOptionNew, nullptr);

    // The leaf's key, and the key that depends on it, at the far end of the path.
    leaf->setValue_forKey("blue", "name");
    EXPECT_EQ(recorder->take(), (Notes{"next.next.name leaf>blue", "next.next.title ->BLUE"}));

    // Replacing the middle object: the values are those of the whole path, and the path now
    // runs through the new objects only.
    NSRef<Link> otherLeaf = makeLink("green");
    NSRef<Link> otherMiddle = makeLink("other", otherLeaf.get());
    root->setValue_forKey(QVariant::fromValue(otherMiddle.get()), "next");
    EXPECT_EQ(recorder->take(), (Notes{"next.next.name blue>green", "next.next.title ->GREEN"}));
    leaf->setValue_forKey("stale", "name");
    middle->setValue_forKey(QVariant::fromValue(makeLink("stale").get()), "next");
    EXPECT_TRUE(recorder->notes.empty());
    EXPECT_EQ(leaf->observationCount(), 0);
    EXPECT_EQ(middle->observationCount(), 0);
    otherLeaf->setValue_forKey("red", "name");
    EXPECT_EQ(recorder->take(), (Notes{"next.next.name green>red", "next.next.title ->RED"}));

    // Replacing the object in the middle of the path from below the root.
    otherMiddle->setValue_forKey(QVariant::fromValue<Link*>(nullptr), "next");
    EXPECT_EQ(recorder->take(), (Notes{"next.next.name red>nil", "next.next.title ->nil"}));
    EXPECT_EQ(otherLeaf->observationCount(), 0);

    // Removing the observations removes every registration along the path.
    root->removeObserver(recorder.get(), "next.next.name");
    root->removeObserver(recorder.get(), "next.next.title");
    EXPECT_EQ(root->observationCount(), 0);
    EXPECT_EQ(otherMiddle->observationCount(), 0);
    otherMiddle->setValue_forKey(QVariant::fromValue(otherLeaf.get()), "next");
    otherLeaf->setValue_forKey("quiet", "name");
    EXPECT_TRUE(recorder->notes.empty());
}

TEST_F(KeyValueObservingTest, DependentKeyPathsAreFollowedAndPriorsCarryTheWholePathsOldValue) {
    NSRef<Link> leaf = makeLink("leaf");
    NSRef<Link> middle = makeLink("middle", leaf.get());
    NSRef<Link> root = makeLink("root", middle.get());
    // headline depends on next.name: one level down from the object that declares it.
    root->addObserver(recorder.get(), "next.headline",
                      NSKeyValueObservingOptionNew | NSKeyValueObservingOptionOld |
                          NSKeyValueObservingOptionPrior,
                      nullptr);
    leaf->setValue_forKey("one", "name");
    EXPECT_EQ(recorder->take(),
              (Notes{"next.headline > leaf>- prior=true", "next.headline > leaf>> one"}));

    // The dependency moves with middle's next as well.
    NSRef<Link> otherLeaf = makeLink("two");
    middle->setValue_forKey(QVariant::fromValue(otherLeaf.get()), "next");
    EXPECT_EQ(recorder->take(),
              (Notes{"next.headline > one>- prior=true", "next.headline > one>> two"}));
    leaf->setValue_forKey("gone", "name");
    EXPECT_TRUE(recorder->notes.empty());
    otherLeaf->setValue_forKey("three", "name");
    EXPECT_EQ(recorder->take(),
              (Notes{"next.headline > two>- prior=true", "next.headline > two>> three"}));
    root->removeObserver(recorder.get(), "next.headline");
    EXPECT_EQ(middle->observationCount(), 0);
    EXPECT_EQ(otherLeaf->observationCount(), 0);
}

TEST_F(KeyValueObservingTest, ObjectsAlongAnObservedPathMayBeDestroyed) {
    NSRef<Link> leaf = makeLink("leaf");
    {
        // The observed object goes first: the objects further along stay usable and quiet.
        NSRef<Link> root = makeLink("root", makeLink("middle", leaf.get()).get());
        root->addObserver(recorder.get(), "next.next.name", NSKeyValueObservingOptionNew, nullptr);
        EXPECT_EQ(leaf->observationCount(), 1);
    }
    EXPECT_EQ(leaf->observationCount(), 0);
    leaf->setValue_forKey("after", "name");
    EXPECT_TRUE(recorder->notes.empty());

    // A weakly held object in the middle of the path is destroyed while observed.
    NSRef<Link> root = makeLink("root");
    auto* peer = new Link();
    peer->setNext(leaf.get());
    root->setPeer(peer);
    root->addObserver(recorder.get(), "peer.next.name", NSKeyValueObservingOptionNew, nullptr);
    leaf->setValue_forKey("seen", "name");
    EXPECT_EQ(recorder->take(), Notes{"peer.next.name ->seen"});
    peer->release();
    leaf->setValue_forKey("unseen", "name");
    EXPECT_TRUE(recorder->notes.empty());
    NSRef<Link> newPeer = makeLink("new", leaf.get());
    root->setValue_forKey(QVariant::fromValue(newPeer.get()), "peer");
    EXPECT_EQ(recorder->take(), Notes{"peer.next.name ->unseen"});
    root->removeObserver(recorder.get(), "peer.next.name");
    EXPECT_EQ(leaf->observationCount(), 0);
    EXPECT_EQ(newPeer->observationCount(), 0);
}

} // namespace

#include "KeyValueObservingTest.moc"
