#include "platform/foundation/NSObject.h"

#include <QPointer>

#include <gtest/gtest.h>

class Gauge : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(Gauge)
    Q_PROPERTY(int level READ level WRITE setLevel)
    Q_PROPERTY(QString label READ label)
    Q_PROPERTY(QString caption READ caption)
public:
    int level() const { return mLevel; }
    void setLevel(int level) { mLevel = level; }
    // Depends on level.
    QString label() const { return QStringLiteral("level %1").arg(mLevel); }
    // Depends on label, so on level through it.
    QString caption() const { return QStringLiteral("[%1]").arg(label()); }

private:
    int mLevel = 0;
};

NS_IMPLEMENT_CLASS(Gauge, NSObject, [](NSClass& cls) {
    cls.addClassMethod("keyPathsForValuesAffectingLabel",
                       [](Class) { return QVariant::fromValue(QSet<QString>{"level"}); });
    cls.addClassMethod("keyPathsForValuesAffectingCaption",
                       [](Class) { return QVariant(QStringList{"label"}); });
})

// A link of an observed chain: holds its next link strongly and its `peer` weakly.
class Link : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(Link)
    Q_PROPERTY(Link* next READ next WRITE setNext)
    Q_PROPERTY(Link* peer READ peer WRITE setPeer)
    Q_PROPERTY(QString name READ name WRITE setName)
    Q_PROPERTY(QString title READ title)
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
    // Depends on the key path next.name.
    QString headline() const { return mNext ? QStringLiteral("> ") + mNext->name() : QString(); }

private:
    NSRef<Link> mNext;
    QPointer<Link> mPeer;
    QString mName;
};

NS_IMPLEMENT_CLASS(Link, NSObject, [](NSClass& cls) {
    cls.addClassMethod("keyPathsForValuesAffectingTitle",
                       [](Class) { return QVariant(QStringList{"name"}); });
    cls.addClassMethod("keyPathsForValuesAffectingHeadline",
                       [](Class) { return QVariant(QStringList{"next.name"}); });
})

namespace {

// Notifications as text, compared as standard strings so that a failure prints them readably.
using Notes = std::vector<std::string>;

class Recorder : public NSObject {
public:
    struct Seen {
        QString keyPath;
        QVariantMap change;
        void* context;
    };
    void observeValueForKeyPath(const QString& keyPath, NSObject* /*object*/,
                                const QVariantMap& change, void* context) override {
        seen.push_back(Seen{keyPath, change, context});
    }
    // The notifications so far as "keyPath old>new", with "-" for a value the change leaves out
    // and "nil" for an empty one, and " prior=true" where the change has the prior key; forgets
    // them.
    Notes take() {
        const auto value = [](const QVariantMap& change, const char* key) {
            if (!change.contains(key))
                return QStringLiteral("-");
            const QVariant text = change.value(key);
            return text.isValid() ? text.toString() : QStringLiteral("nil");
        };
        Notes out;
        for (const Seen& note : seen)
            out.push_back(
                (note.keyPath + ' ' + value(note.change, NSKeyValueChangeOldKey) + '>' +
                 value(note.change, NSKeyValueChangeNewKey) +
                 (note.change.contains(NSKeyValueChangeNotificationIsPriorKey)
                      ? " prior=" + value(note.change, NSKeyValueChangeNotificationIsPriorKey)
                      : ""))
                    .toStdString());
        seen.clear();
        return out;
    }
    std::vector<Seen> seen;
};

class KeyValueObservingTest : public ::testing::Test {
protected:
    NSRef<Recorder> recorder = NSAdopt(new Recorder());
};

TEST_F(KeyValueObservingTest, ChangesReachObserversOfTheKeyAndOfDependentKeys) {
    NSRef<Gauge> gauge = NSAdopt(NSAllocInit<Gauge>());
    int context = 0;
    gauge->addObserver(recorder.get(), "level",
                       NSKeyValueObservingOptionNew | NSKeyValueObservingOptionOld, &context);
    gauge->addObserver(recorder.get(), "caption", NSKeyValueObservingOptionNew, nullptr);

    gauge->setValue_forKey(3, "level");
    ASSERT_EQ(recorder->seen.size(), 2u);
    EXPECT_EQ(recorder->seen[0].context, &context);
    EXPECT_EQ(recorder->seen[0].change.value(NSKeyValueChangeKindKey).toInt(),
              NSKeyValueChangeSetting);
    EXPECT_EQ(recorder->take(), (Notes{"level 0>3", "caption ->[level 3]"}));

    // Manual announcements around a plain setter.
    gauge->willChangeValueForKey("level");
    gauge->setLevel(5);
    gauge->didChangeValueForKey("level");
    EXPECT_EQ(recorder->take(), (Notes{"level 3>5", "caption ->[level 5]"}));

    // An unrelated key reaches nobody; removed observations stay quiet.
    gauge->willChangeValueForKey("other");
    gauge->didChangeValueForKey("other");
    EXPECT_TRUE(recorder->seen.empty());
    gauge->removeObserver(recorder.get(), "level", &context);
    gauge->removeObserver(recorder.get(), "caption");
    EXPECT_EQ(gauge->observationCount(), 0);
    gauge->setValue_forKey(7, "level");
    EXPECT_TRUE(recorder->seen.empty());
}

TEST_F(KeyValueObservingTest, KeyPathObservationsFollowTheirFirstKeyAndOptionsShapeTheChange) {
    NSRef<Gauge> gauge = NSAdopt(new Gauge());
    gauge->addObserver(recorder.get(), "label.length",
                       NSKeyValueObservingOptionInitial | NSKeyValueObservingOptionPrior, nullptr);
    EXPECT_EQ(recorder->take(), Notes{"label.length ->-"}); // the initial notification
    gauge->willChangeValueForKey("label");
    EXPECT_EQ(recorder->take(), Notes{"label.length ->- prior=true"});
    gauge->didChangeValueForKey("label");
    EXPECT_EQ(recorder->take(), Notes{"label.length ->-"});
}

TEST_F(KeyValueObservingTest, AnObserverDestroyedWhileRegisteredIsSkipped) {
    NSRef<Gauge> gauge = NSAdopt(new Gauge());
    auto* shortLived = new Recorder();
    gauge->addObserver(shortLived, "level", NSKeyValueObservingOptionNew, nullptr);
    shortLived->release();
    EXPECT_EQ(gauge->observationCount(), 0);
    gauge->setValue_forKey(1, "level");
    EXPECT_EQ(gauge->level(), 1);
}

NSRef<Link> makeLink(const QString& name, Link* next = nullptr) {
    NSRef<Link> link = NSAdopt(new Link());
    link->setName(name);
    link->setNext(next);
    return link;
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
    EXPECT_TRUE(recorder->seen.empty());
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
    EXPECT_TRUE(recorder->seen.empty());
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
    EXPECT_TRUE(recorder->seen.empty());
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
    EXPECT_TRUE(recorder->seen.empty());

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
    EXPECT_TRUE(recorder->seen.empty());
    NSRef<Link> newPeer = makeLink("new", leaf.get());
    root->setValue_forKey(QVariant::fromValue(newPeer.get()), "peer");
    EXPECT_EQ(recorder->take(), Notes{"peer.next.name ->unseen"});
    root->removeObserver(recorder.get(), "peer.next.name");
    EXPECT_EQ(leaf->observationCount(), 0);
    EXPECT_EQ(newPeer->observationCount(), 0);
}

} // namespace

#include "KeyValueObservingTest.moc"
