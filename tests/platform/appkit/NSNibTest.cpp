#include "platform/appkit/NSNib.h"
#include "platform/appkit/NSButton.h"
#include "platform/appkit/NSMenu.h"
#include "platform/appkit/NSWindow.h"

#include "common/LogCapture.h"
#include "common/TestSupport.h"

#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Objects of test interface files. Each records, when awakened, which of its outlets were set.
class NibThing : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(NibThing)
    Q_PROPERTY(NSObject* outletOther MEMBER outletOther)
    Q_PROPERTY(NSButton* outletButton MEMBER outletButton)
    Q_PROPERTY(int number MEMBER number)
    Q_PROPERTY(int level READ level WRITE setLevel)
public:
    NSObject* outletOther = nullptr;
    NSButton* outletButton = nullptr;
    int number = 0;
    int level() const { return mLevel; }
    void setLevel(int level) {
        willChangeValueForKey(QStringLiteral("level"));
        mLevel = level;
        didChangeValueForKey(QStringLiteral("level"));
    }
    Q_INVOKABLE void actionGo(NSObject* sender) { lastSender = sender; }

    void awakeFromNib() override {
        sAwakened.append(QStringLiteral("%1:%2:%3")
                             .arg(number)
                             .arg(outletOther != nullptr)
                             .arg(outletButton != nullptr));
    }
    NSObject* lastSender = nullptr;
    static QStringList sAwakened;

private:
    int mLevel = 0;
};
QStringList NibThing::sAwakened;
NS_IMPLEMENT_CLASS(NibThing, NSObject)

// One instance for the whole run, however often it is made, as nib singletons are.
class SharedThingClass : public NSClass {
public:
    using NSClass::NSClass;
    NSObject* allocWithZone(NSZone* zone) const override {
        static NSObject* shared = NSClass::allocWithZone(zone);
        shared->retain();
        return shared;
    }
};
class SharedThing : public NibThing {
    Q_OBJECT
    NS_DECLARE_CLASS(SharedThing)
public:
    using MetaClass = SharedThingClass;
};
NS_IMPLEMENT_CLASS(SharedThing, NibThing)

// A view that loads the interface file it is in when it wakes.
class SelfLoadingView : public NSView {
    Q_OBJECT
    NS_DECLARE_CLASS(SelfLoadingView)
public:
    void awakeFromNib() override {
        NSRef<NSNib> nib = NSAdopt(NSNib::initWithNibNamed(QStringLiteral("Self")));
        sInnerLoad = nib && nib->instantiateNibWithOwner(this, nullptr) ? 1 : 0;
    }
    static int sInnerLoad;
};
int SelfLoadingView::sInnerLoad = -1;
NS_IMPLEMENT_CLASS(SelfLoadingView, NSView)

namespace {

using lumenreel::test::LogCapture;

class NSNibTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mFolder.isValid());
        NSNib::setInterfaceFolders({mFolder.path()});
        NibThing::sAwakened.clear();
    }
    void TearDown() override { NSNib::setInterfaceFolders({}); }

    void write(const QString& name, const QByteArray& xml) {
        lumenreel::test::writeTestFile(mFolder.filePath(name + QStringLiteral(".xml")), xml);
    }

    // Loads `name` with `owner`; the top-level objects are kept in mKept.
    bool load(const QString& name, NSObject* owner) {
        NSAutoreleasePool pool;
        NSRef<NSNib> nib = NSAdopt(NSNib::initWithNibNamed(name));
        QList<NSObject*> objects;
        if (!nib || !nib->instantiateNibWithOwner(owner, &objects))
            return false;
        for (NSObject* object : objects)
            mKept.append(NSRef<NSObject>(object));
        return true;
    }

    QTemporaryDir mFolder;
    QList<NSRef<NSObject>> mKept;
};

constexpr const char* kWindowFile = R"(<?xml version="1.0"?>
<interface>
  <object id="first" class="NibThing" number="1">
    <outlet name="outletOther" destination="second"/>
    <outlet name="outletButton" destination="go"/>
  </object>
  <object id="second" class="NibThing" number="2" level="3">
    <outlet name="outletOther" destination="owner"/>
  </object>
  <window id="window" title="Test" frame="10 20 300 200">
    <view id="box" frame="0 0 300 200" autoresizingMask="18">
      <view id="go" class="NSButton" frame="10 10 80 24" title="Go" buttonType="switch">
        <action selector="actionGo:" target="first"/>
        <binding property="value" target="second" keyPath="level"/>
      </view>
    </view>
  </window>
  <outlet source="owner" name="outletOther" destination="window"/>
</interface>
)";

TEST_F(NSNibTest, EveryConnectionIsMadeBeforeAnyObjectWakes) {
    write(QStringLiteral("Window"), kWindowFile);
    NSRef<NibThing> owner = NSAdopt(NSAllocInit<NibThing>());
    owner->number = 9;
    ASSERT_TRUE(load(QStringLiteral("Window"), owner.get()));

    // Made objects wake in file order, the owner last, each with its outlets set.
    EXPECT_EQ(NibThing::sAwakened, (QStringList{"1:1:1", "2:1:0", "9:1:0"}));
    ASSERT_EQ(mKept.size(), 3);
    auto* first = qobject_cast<NibThing*>(mKept[0].get());
    auto* second = qobject_cast<NibThing*>(mKept[1].get());
    auto* window = qobject_cast<NSWindow*>(mKept[2].get());
    ASSERT_TRUE(first && second && window);
    EXPECT_EQ(second->outletOther, owner.get());
    EXPECT_EQ(owner->outletOther, window);
    EXPECT_EQ(window->title(), QStringLiteral("Test"));
    EXPECT_EQ(window->frame(), NSMakeRect(10, 20, 300, 200));
    ASSERT_EQ(window->contentView()->subviews().size(), 1);
    NSView* box = window->contentView()->subviews().first();
    EXPECT_EQ(box->autoresizingMask(), unsigned(NSViewWidthSizable | NSViewHeightSizable));

    // The action reaches its target; the binding carries the value both ways.
    NSButton* button = first->outletButton;
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->state(), 1); // level 3 shown as "on"
    second->setLevel(0);
    EXPECT_EQ(button->state(), 0);
    button->performClick(nullptr);
    EXPECT_EQ(first->lastSender, button);
    EXPECT_EQ(second->level(), 1);
}

TEST_F(NSNibTest, AClassWithOneSharedInstanceIsOneObjectAcrossFiles) {
    write(QStringLiteral("A"), R"(<interface><object class="SharedThing"/></interface>)");
    write(QStringLiteral("B"), R"(<interface><object class="SharedThing"/></interface>)");
    ASSERT_TRUE(load(QStringLiteral("A"), nullptr));
    ASSERT_TRUE(load(QStringLiteral("B"), nullptr));
    ASSERT_EQ(mKept.size(), 2);
    EXPECT_EQ(mKept[0].get(), mKept[1].get());
}

TEST_F(NSNibTest, MenusBecomeTheWindowsMenuBarAndSendTheirActions) {
    write(QStringLiteral("Menus"), R"(<interface>
  <object id="handler" class="NibThing"/>
  <menu id="main" title="Main">
    <menuItem title="File">
      <menu title="File">
        <menuItem id="render" title="Render" keyEquivalent="r">
          <action selector="actionGo:" target="handler"/>
        </menuItem>
      </menu>
    </menuItem>
  </menu>
  <window id="window" frame="0 0 200 100">
    <outlet name="menu" destination="main"/>
  </window>
</interface>)");
    ASSERT_TRUE(load(QStringLiteral("Menus"), nullptr));
    ASSERT_EQ(mKept.size(), 3);
    auto* handler = qobject_cast<NibThing*>(mKept[0].get());
    auto* menu = qobject_cast<NSMenu*>(mKept[1].get());
    auto* window = qobject_cast<NSWindow*>(mKept[2].get());
    ASSERT_TRUE(handler && menu && window);
    EXPECT_EQ(window->menu(), menu);
    NSMenuItem* render = menu->itemWithTitle(QStringLiteral("Render"));
    ASSERT_NE(render, nullptr);

    window->makeKeyAndOrderFront(nullptr);
    auto* bar = window->widget()->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->actions().size(), 1);
    EXPECT_EQ(bar->actions().first()->text(), QStringLiteral("File"));
    QMenu* file = bar->actions().first()->menu();
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(file->actions().size(), 1);
    QAction* action = file->actions().first();
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    action->trigger();
    EXPECT_EQ(handler->lastSender, render);
    // The content starts below the menu bar; the frame is the content's.
    EXPECT_EQ(window->contentView()->widget()->geometry(), QRect(0, bar->height(), 200, 100));
}

struct BadFile {
    const char* name;
    const char* xml;
    const char* line;
};

TEST_F(NSNibTest, BadFilesGiveNothingAndOneLine) {
    const BadFile cases[] = {
        {"Unknown", R"(<interface><object class="NoSuchClass"/></interface>)",
         "unknown class \"NoSuchClass\""},
        {"Outlet",
         R"(<interface><object id="a" class="NibThing"><outlet name="outletNone" destination="a"/></object></interface>)",
         "NibThing has no outlet \"outletNone\""},
        {"Identifier",
         R"(<interface><object class="NibThing"><outlet name="outletOther" destination="b"/></object></interface>)",
         "unknown identifier \"b\""},
        {"Setting", R"(<interface><object class="NibThing" colour="red"/></interface>)",
         "NibThing has no setting \"colour\""},
        {"Value", R"(<interface><object class="NibThing" number="many"/></interface>)",
         "\"many\" is no value for number"},
        {"Malformed", "<interface><object class=\"NibThing\"></interface>",
         "is not an interface file"},
        {"Action",
         R"(<interface><object id="t" class="NibThing"/><window><view class="NSButton"><action selector="noSuch:" target="t"/></view></window></interface>)",
         "NibThing does not answer noSuch:"},
    };
    for (const BadFile& bad : cases) {
        SCOPED_TRACE(bad.name);
        write(QString::fromLatin1(bad.name), bad.xml);
        NibThing::sAwakened.clear();
        LogCapture log;
        EXPECT_FALSE(load(QString::fromLatin1(bad.name), nullptr));
        const QString text = log.text();
        EXPECT_TRUE(text.contains(QString::fromUtf8(bad.line))) << text.toStdString();
        EXPECT_EQ(text.count(QLatin1Char('\n')), 1) << text.toStdString();
        EXPECT_TRUE(NibThing::sAwakened.isEmpty());
    }
    EXPECT_TRUE(mKept.isEmpty());

    LogCapture log;
    EXPECT_FALSE(load(QStringLiteral("Missing"), nullptr));
    EXPECT_FALSE(load(QStringLiteral("Missing"), nullptr));
    EXPECT_EQ(log.text().count(QStringLiteral("no interface file Missing")), 1);
}

TEST_F(NSNibTest, AFileThatLoadsItselfIsRefused) {
    write(QStringLiteral("Self"), R"(<interface><view class="SelfLoadingView"/></interface>)");
    LogCapture log;
    EXPECT_TRUE(load(QStringLiteral("Self"), nullptr));
    EXPECT_EQ(SelfLoadingView::sInnerLoad, 0);
    EXPECT_TRUE(log.text().contains(QStringLiteral("Self loads itself")))
        << log.text().toStdString();
}

} // namespace

#include "NSNibTest.moc"
