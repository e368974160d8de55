#include "platform/foundation/NSObject.h"

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

namespace {

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
    std::vector<Seen> seen;
};

TEST(KeyValueObservingTest, ChangesReachObserversOfTheKeyAndOfDependentKeys) {
    NSRef<Gauge> gauge = NSAdopt(NSAllocInit<Gauge>());
    NSRef<Recorder> recorder = NSAdopt(new Recorder());
    int context = 0;
    gauge->addObserver(recorder.get(), "level",
                       NSKeyValueObservingOptionNew | NSKeyValueObservingOptionOld, &context);
    gauge->addObserver(recorder.get(), "caption", NSKeyValueObservingOptionNew, nullptr);

    gauge->setValue_forKey(3, "level");
    ASSERT_EQ(recorder->seen.size(), 2u);
    EXPECT_EQ(recorder->seen[0].keyPath, "level");
    EXPECT_EQ(recorder->seen[0].context, &context);
    EXPECT_EQ(recorder->seen[0].change.value(NSKeyValueChangeOldKey).toInt(), 0);
    EXPECT_EQ(recorder->seen[0].change.value(NSKeyValueChangeNewKey).toInt(), 3);
    EXPECT_EQ(recorder->seen[0].change.value(NSKeyValueChangeKindKey).toInt(),
              NSKeyValueChangeSetting);
    EXPECT_EQ(recorder->seen[1].keyPath, "caption");
    EXPECT_EQ(recorder->seen[1].change.value(NSKeyValueChangeNewKey).toString(), "[level 3]");
    EXPECT_FALSE(recorder->seen[1].change.contains(NSKeyValueChangeOldKey));

    // Manual announcements around a plain setter.
    recorder->seen.clear();
    gauge->willChangeValueForKey("level");
    gauge->setLevel(5);
    gauge->didChangeValueForKey("level");
    ASSERT_EQ(recorder->seen.size(), 2u);
    EXPECT_EQ(recorder->seen[0].change.value(NSKeyValueChangeOldKey).toInt(), 3);
    EXPECT_EQ(recorder->seen[0].change.value(NSKeyValueChangeNewKey).toInt(), 5);

    // An unrelated key reaches nobody; removed observations stay quiet.
    recorder->seen.clear();
    gauge->willChangeValueForKey("other");
    gauge->didChangeValueForKey("other");
    EXPECT_TRUE(recorder->seen.empty());
    gauge->removeObserver(recorder.get(), "level", &context);
    gauge->removeObserver(recorder.get(), "caption");
    EXPECT_EQ(gauge->observationCount(), 0);
    gauge->setValue_forKey(7, "level");
    EXPECT_TRUE(recorder->seen.empty());
}

TEST(KeyValueObservingTest, KeyPathObservationsFollowTheirFirstKeyAndOptionsShapeTheChange) {
    NSRef<Gauge> gauge = NSAdopt(new Gauge());
    NSRef<Recorder> recorder = NSAdopt(new Recorder());
    gauge->addObserver(recorder.get(), "label.length",
                       NSKeyValueObservingOptionInitial | NSKeyValueObservingOptionPrior, nullptr);
    ASSERT_EQ(recorder->seen.size(), 1u); // the initial notification
    recorder->seen.clear();
    gauge->willChangeValueForKey("label");
    ASSERT_EQ(recorder->seen.size(), 1u);
    EXPECT_TRUE(recorder->seen[0].change.value(NSKeyValueChangeNotificationIsPriorKey).toBool());
    gauge->didChangeValueForKey("label");
    ASSERT_EQ(recorder->seen.size(), 2u);
    EXPECT_FALSE(recorder->seen[1].change.contains(NSKeyValueChangeNotificationIsPriorKey));
}

TEST(KeyValueObservingTest, AnObserverDestroyedWhileRegisteredIsSkipped) {
    NSRef<Gauge> gauge = NSAdopt(new Gauge());
    auto* recorder = new Recorder();
    gauge->addObserver(recorder, "level", NSKeyValueObservingOptionNew, nullptr);
    recorder->release();
    EXPECT_EQ(gauge->observationCount(), 0);
    gauge->setValue_forKey(1, "level");
    EXPECT_EQ(gauge->level(), 1);
}

} // namespace

#include "KeyValueObservingTest.moc"
