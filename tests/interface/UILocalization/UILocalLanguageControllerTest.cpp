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
        mWill =
            centre->addObserverForName("UILocalLanguageControllerWillChangeLanguage", controller,
                                       [this](NSNotification*) { events.append("will"); });
        mDid = centre->addObserverForName("UILocalLanguageControllerDidChangeLanguage", controller,
                                          [this](NSNotification*) { events.append("did"); });
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
    EXPECT_TRUE(mLanguage->recordKeyPath("ok.title", "OK"));
    EXPECT_FALSE(mLanguage->recordKeyPath("ok.title", "Fine"));
    EXPECT_FALSE(mLanguage->recordKeyPath("nothing.title", QVariant()));
    EXPECT_EQ(mLanguage->valueForKeyPath("ok.title").toString(), "OK");

    mLanguage->setSettingsDictionary({{"ok.title", "Gut"}});
    EXPECT_EQ(mLanguage->valueForKeyPath("ok.title").toString(), "Gut");
    mLanguage->actionResetLanguageToDefaultUSEnglishLocalization(nullptr);
    EXPECT_EQ(mLanguage->valueForKeyPath("ok.title").toString(), "OK");
    EXPECT_FALSE(mLanguage->valueForKeyPath("nothing.title").isValid());

    // Code defaults: the later of two objects with one identifier counts.
    EXPECT_EQ(QString(kCancel), "Cancel");
    NSAutoreleasePool pool;
    EXPECT_STREQ(static_cast<const char*>(kCancelAgain), "Cancel");
}

TEST_F(UILocalLanguageControllerTest, ASwitchAnnouncesEachRootKeyOnceBetweenTheNotifications) {
    mLanguage->setSettingsDictionary({{"a.x", "1"}, {"b.y", "2"}});
    NSRef<Announcements> heard = NSAdopt(new Announcements(mLanguage));
    mLanguage->setSettingsDictionary({{"b.y", "3"}, {"c.z", "4"}});
    EXPECT_EQ(heard->events, (QStringList{"will", "a", "b", "c", "did"}));

    heard->events.clear();
    mLanguage->setSettingsDictionary({});
    EXPECT_EQ(heard->events, (QStringList{"will", "b", "c", "did"}));
}

TEST_F(UILocalLanguageControllerTest, KeyPathsReachOnlyTheControllersOwnAccessors) {
    const QVariantMap table{{"t.title", "T"}};
    mLanguage->setSettingsDictionary(table);
    EXPECT_EQ(mLanguage->valueForKeyPath("persistentSettings").toMap(), table);
    EXPECT_FALSE(mLanguage->requestedKeyPaths().contains("persistentSettings"));
    EXPECT_FALSE(mLanguage->valueForKey("anything").isValid());
    EXPECT_TRUE(mLanguage->requestedKeyPaths().contains("anything"));

    // Methods that are not the controller's text accessors are never called through a key path.
    mLanguage->valueForKeyPath("actionResetLanguageToDefaultUSEnglishLocalization");
    mLanguage->valueForKeyPath("deleteLater");
    EXPECT_EQ(mLanguage->current(), table);
    EXPECT_EQ(mLanguage->valueForUndefinedKey("k").toString(), "valueForUndefinedKey:k");
}

TEST_F(UILocalLanguageControllerTest, ARestoredTableDropsEntriesThatAreNotText) {
    LogCapture log;
    mLanguage->setPersistentSettings({{"good.title", "Good"}, {"bad.title", QVariantList{1, 2}}});
    EXPECT_EQ(mLanguage->current().keys(), QStringList{"good.title"});
    EXPECT_TRUE(log.text().contains("bad.title"));
}

TEST_F(UILocalLanguageControllerTest, ABoundElementGivesItsTextAsDefaultAndFollowsTheTable) {
    NSRef<NSButton> button = NSAdopt(NSAllocInit<NSButton>());
    button->setTitle("Render");
    ASSERT_TRUE(NSBind(button.get(), "title", mLanguage, "window.render.title"));
    EXPECT_EQ(mLanguage->nibDefaults().value("window.render.title").toString(), "Render");
    EXPECT_EQ(button->title(), "Render");

    mLanguage->setSettingsDictionary({{"window.render.title", "Rendern"}});
    EXPECT_EQ(button->title(), "Rendern");

    // A translator starts from the US English table as a property list with sorted keys.
    const QString script = mLanguage->defaultsForUSEnglishLocalization();
    EXPECT_TRUE(script.contains("<key>window.render.title</key>"));
    EXPECT_LT(script.indexOf("<key>dialog.cancel</key>"),
              script.indexOf("<key>window.render.title</key>"));
}

TEST(UILocalLanguageNSMenuItemTest, ATitleAlsoTitlesItsMenuAndSubmenu) {
    NSRef<NSMenu> menu = NSAdopt(NSAllocInit<NSMenu>());
    NSRef<NSMenu> submenu = NSAdopt(NSAllocInit<NSMenu>());
    NSRef<UILocalLanguageNSMenuItem> item = NSAdopt(NSAllocInit<UILocalLanguageNSMenuItem>());
    menu->addItem(item.get());
    item->setSubmenu(submenu.get());
    item->setTitle("Datei");
    EXPECT_EQ(menu->title(), "Datei");
    EXPECT_EQ(submenu->title(), "Datei");
}

TEST(UFLocalLanguageControllerTest, SharesTheOneController) {
    NSObject* shared = UFLocalLanguageController::classObject()->alloc()->init();
    EXPECT_EQ(shared, static_cast<NSObject*>(UILocalLanguageController::language()));
}

} // namespace
