#include "interface/UILocalization/UILocalLanguageController.h"
#include "interface/UILocalization/UILocalLanguageNSMenuItem.h"
#include "interface/UILocalization/UILocalLanguageString.h"

#include "common/LogCapture.h"
#include "platform/appkit/NSBinding.h"
#include "platform/appkit/NSButton.h"
#include "platform/foundation/NSNotificationCenter.h"

#include <gtest/gtest.h>

// Defaults given in code, gathered before main; the later one of an identifier wins.
static const UILocalLanguageString kCancel("dialog.cancel", "Cancel it");
static const UILocalLanguageString kCancelAgain("dialog.cancel", "Cancel");

namespace {

using lumenreel::test::LogCapture;

// Records, in order, the announcements of root keys and the two notifications.
class Announcements : public NSObject {
public:
    explicit Announcements(UILocalLanguageController* controller) : mController(controller) {
        for (const char* key : {"a", "b", "c", "d"})
            controller->addObserver(this, QString::fromLatin1(key), NSKeyValueObservingOptionNew,
                                    nullptr);
        NSNotificationCenter* centre = NSNotificationCenter::defaultCenter();
        mWill = centre->addObserverForName(
            QStringLiteral("UILocalLanguageControllerWillChangeLanguage"), controller,
            [this](NSNotification*) { events.append(QStringLiteral("will")); });
        mDid = centre->addObserverForName(
            QStringLiteral("UILocalLanguageControllerDidChangeLanguage"), controller,
            [this](NSNotification*) { events.append(QStringLiteral("did")); });
    }
    ~Announcements() override {
        for (const char* key : {"a", "b", "c", "d"})
            mController->removeObserver(this, QString::fromLatin1(key));
        NSNotificationCenter::defaultCenter()->removeObserver(mWill);
        NSNotificationCenter::defaultCenter()->removeObserver(mDid);
    }
    void observeValueForKeyPath(const QString& keyPath, NSObject*, const QVariantMap&,
                                void*) override {
        events.append(keyPath);
    }
    QStringList events;

private:
    UILocalLanguageController* mController;
    NSObject* mWill;
    NSObject* mDid;
};

class UILocalLanguageControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        mLanguage = UILocalLanguageController::language();
        mLanguage->setSettingsDictionary({});
    }
    UILocalLanguageController* mLanguage = nullptr;
};

TEST_F(UILocalLanguageControllerTest, ATableOverridesTheRecordedDefaultUntilReset) {
    EXPECT_TRUE(mLanguage->recordKeyPath(QStringLiteral("ok.title"), QStringLiteral("OK")));
    EXPECT_FALSE(mLanguage->recordKeyPath(QStringLiteral("ok.title"), QStringLiteral("Fine")));
    EXPECT_FALSE(mLanguage->recordKeyPath(QStringLiteral("nothing.title"), QVariant()));
    EXPECT_EQ(mLanguage->valueForKeyPath(QStringLiteral("ok.title")).toString(), "OK");

    mLanguage->setSettingsDictionary({{QStringLiteral("ok.title"), QStringLiteral("Gut")}});
    EXPECT_EQ(mLanguage->valueForKeyPath(QStringLiteral("ok.title")).toString(), "Gut");
    mLanguage->actionResetLanguageToDefaultUSEnglishLocalization(nullptr);
    EXPECT_EQ(mLanguage->valueForKeyPath(QStringLiteral("ok.title")).toString(), "OK");
    EXPECT_FALSE(mLanguage->valueForKeyPath(QStringLiteral("nothing.title")).isValid());

    // Code defaults: the later of two objects with one identifier counts.
    EXPECT_EQ(QString(kCancel), QStringLiteral("Cancel"));
    NSAutoreleasePool pool;
    EXPECT_STREQ(static_cast<const char*>(kCancelAgain), "Cancel");
}

TEST_F(UILocalLanguageControllerTest, ASwitchAnnouncesEachRootKeyOnceBetweenTheNotifications) {
    mLanguage->setSettingsDictionary({{QStringLiteral("a.x"), QStringLiteral("1")},
                                      {QStringLiteral("b.y"), QStringLiteral("2")}});
    NSRef<Announcements> heard = NSAdopt(new Announcements(mLanguage));
    mLanguage->setSettingsDictionary({{QStringLiteral("b.y"), QStringLiteral("3")},
                                      {QStringLiteral("c.z"), QStringLiteral("4")}});
    EXPECT_EQ(heard->events, (QStringList{"will", "a", "b", "c", "did"}));

    heard->events.clear();
    mLanguage->setSettingsDictionary({});
    EXPECT_EQ(heard->events, (QStringList{"will", "b", "c", "did"}));
}

TEST_F(UILocalLanguageControllerTest, KeyPathsReachOnlyTheControllersOwnAccessors) {
    const QVariantMap table{{QStringLiteral("t.title"), QStringLiteral("T")}};
    mLanguage->setSettingsDictionary(table);
    EXPECT_EQ(mLanguage->valueForKeyPath(QStringLiteral("persistentSettings")).toMap(), table);
    EXPECT_FALSE(mLanguage->requestedKeyPaths().contains(QStringLiteral("persistentSettings")));
    EXPECT_FALSE(mLanguage->valueForKey(QStringLiteral("anything")).isValid());
    EXPECT_TRUE(mLanguage->requestedKeyPaths().contains(QStringLiteral("anything")));

    // Methods that are not the controller's text accessors are never called through a key path.
    mLanguage->valueForKeyPath(QStringLiteral("actionResetLanguageToDefaultUSEnglishLocalization"));
    mLanguage->valueForKeyPath(QStringLiteral("deleteLater"));
    EXPECT_EQ(mLanguage->current(), table);
    EXPECT_EQ(mLanguage->valueForUndefinedKey(QStringLiteral("k")).toString(),
              QStringLiteral("valueForUndefinedKey:k"));
}

TEST_F(UILocalLanguageControllerTest, ARestoredTableDropsEntriesThatAreNotText) {
    LogCapture log;
    mLanguage->setPersistentSettings({{QStringLiteral("good.title"), QStringLiteral("Good")},
                                      {QStringLiteral("bad.title"), QVariantList{1, 2}}});
    EXPECT_EQ(mLanguage->current().keys(), QStringList{QStringLiteral("good.title")});
    EXPECT_TRUE(log.text().contains(QStringLiteral("bad.title")));
}

TEST_F(UILocalLanguageControllerTest, ABoundElementGivesItsTextAsDefaultAndFollowsTheTable) {
    NSRef<NSButton> button = NSAdopt(NSAllocInit<NSButton>());
    button->setTitle(QStringLiteral("Render"));
    ASSERT_TRUE(NSBind(button.get(), QStringLiteral("title"), mLanguage,
                       QStringLiteral("window.render.title")));
    EXPECT_EQ(mLanguage->nibDefaults().value(QStringLiteral("window.render.title")).toString(),
              QStringLiteral("Render"));
    EXPECT_EQ(button->title(), QStringLiteral("Render"));

    mLanguage->setSettingsDictionary(
        {{QStringLiteral("window.render.title"), QStringLiteral("Rendern")}});
    EXPECT_EQ(button->title(), QStringLiteral("Rendern"));
    mLanguage->actionResetLanguageToDefaultUSEnglishLocalization(nullptr);
    EXPECT_EQ(button->title(), QStringLiteral("Render"));

    // A translator starts from the US English table as a property list with sorted keys.
    const QString script = mLanguage->defaultsForUSEnglishLocalization();
    EXPECT_TRUE(script.contains(QStringLiteral("<key>window.render.title</key>")));
    EXPECT_LT(script.indexOf(QStringLiteral("<key>dialog.cancel</key>")),
              script.indexOf(QStringLiteral("<key>window.render.title</key>")));
}

TEST(UILocalLanguageNSMenuItemTest, ATitleAlsoTitlesItsMenuAndSubmenu) {
    NSRef<NSMenu> menu = NSAdopt(NSAllocInit<NSMenu>());
    NSRef<NSMenu> submenu = NSAdopt(NSAllocInit<NSMenu>());
    NSRef<UILocalLanguageNSMenuItem> item = NSAdopt(NSAllocInit<UILocalLanguageNSMenuItem>());
    menu->addItem(item.get());
    item->setSubmenu(submenu.get());
    item->setTitle(QStringLiteral("Datei"));
    EXPECT_EQ(menu->title(), QStringLiteral("Datei"));
    EXPECT_EQ(submenu->title(), QStringLiteral("Datei"));
}

TEST(UFLocalLanguageControllerTest, SharesTheOneController) {
    NSObject* shared = UFLocalLanguageController::classObject()->alloc()->init();
    EXPECT_EQ(shared, static_cast<NSObject*>(UILocalLanguageController::language()));
}

} // namespace
