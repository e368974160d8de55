#include "interface/UICocoaViews/NSUIViewNibbler.h"

#include "common/LogCapture.h"
#include "common/TestSupport.h"
#include "platform/appkit/NSNib.h"
#include "platform/appkit/NSWindow.h"
#include "platform/foundation/NSException.h"

#include <gtest/gtest.h>

// A nibbler subclass that names no file: it loads "PanelView".
class PanelView : public NSUIViewNibbler {
    Q_OBJECT
    NS_DECLARE_CLASS(PanelView)
public:
    int nibblerAwakenings = 0;

protected:
    void awakeFromNibbler() override { ++nibblerAwakenings; }
};
NS_IMPLEMENT_CLASS(PanelView, NSUIViewNibbler)

// A nibbler whose file is chosen by its class method.
class RenamedPanel : public NSUIViewNibbler {
    Q_OBJECT
    NS_DECLARE_CLASS(RenamedPanel)
};
NS_IMPLEMENT_CLASS(RenamedPanel, NSUIViewNibbler, [](NSClass& cls) {
    cls.addClassMethod("classNibName", [](Class) { return QVariant("Unplugged"); });
})

// A view that raises the platform exception when it wakes.
class RaisingView : public NSView {
    Q_OBJECT
    NS_DECLARE_CLASS(RaisingView)
public:
    void awakeFromNib() override { NSException::raise(NSInvalidArgumentException, "refused"); }
};
NS_IMPLEMENT_CLASS(RaisingView, NSView)

namespace {

using lumenreel::test::LogCapture;

// The interface files are in tests/data/interfaces/nibbler.
class NSUIViewNibblerTest : public ::testing::Test {
protected:
    void SetUp() override {
        NSNib::setInterfaceFolders({lumenreel::test::testDataPath("interfaces/nibbler")});
    }
    void TearDown() override { NSNib::setInterfaceFolders({}); }
};

TEST_F(NSUIViewNibblerTest, APlacedNibblerLoadsItsClassNamedFileOnceAndFillsItself) {
    NSAutoreleasePool pool;
    NSRef<NSNib> nib = NSAdopt(NSNib::initWithNibNamed("Window"));
    QList<NSObject*> objects;
    ASSERT_TRUE(nib && nib->instantiateNibWithOwner(nullptr, &objects));
    NSRef<NSWindow> window(qobject_cast<NSWindow*>(objects.value(0)));
    ASSERT_TRUE(window);
    auto* panel = qobject_cast<PanelView*>(window->contentView()->subviews().value(0));
    ASSERT_NE(panel, nullptr);

    EXPECT_EQ(panel->constructed(), 1u);
    // The inner file's awakeFromNib to its owner lands in awakeFromNibbler.
    EXPECT_EQ(panel->nibblerAwakenings, 1);
    ASSERT_NE(panel->nibblerSubView(), nullptr);
    EXPECT_NE(panel->nibblerController(), nullptr);
    EXPECT_EQ(panel->topLevelObjects().size(), 2);
    EXPECT_EQ(panel->subviews(), QList<NSView*>{panel->nibblerSubView()});
    EXPECT_EQ(panel->nibblerSubView()->frame(), NSMakeRect(0, 0, 200, 100));

    panel->awakeFromNib();
    EXPECT_EQ(panel->constructed(), 1u);
    EXPECT_EQ(panel->nibblerAwakenings, 2);

    panel->setFrameSize(NSSize(300, 150));
    EXPECT_EQ(panel->nibblerSubView()->frame(), NSMakeRect(0, 0, 300, 150));
}

TEST_F(NSUIViewNibblerTest, AFileThatDoesNotConnectTheSubViewLeavesTheViewEmpty) {
    NSRef<RenamedPanel> panel = NSAdopt(NSAllocInit<RenamedPanel>());
    EXPECT_EQ(panel->defaultNibName(), "Unplugged");
    EXPECT_FALSE(panel->instantiateObjectGraphWithNibName(panel->defaultNibName()));
    EXPECT_TRUE(panel->subviews().isEmpty());
    EXPECT_EQ(panel->topLevelObjects().size(), 1);
    EXPECT_FALSE(panel->installNibblerSubView());
    panel->setFrameSize(NSSize(20, 20)); // no sub-view: nothing to tell

    NSRef<PanelView> missing = NSAdopt(NSAllocInit<PanelView>());
    missing->setDefaultNibName("NoSuchFile");
    missing->awakeFromNib();
    EXPECT_EQ(missing->constructed(), 1u);
    EXPECT_TRUE(missing->subviews().isEmpty());
}

TEST_F(NSUIViewNibblerTest, APlatformExceptionWhileLoadingIsLoggedAndFails) {
    NSRef<PanelView> panel = NSAdopt(NSAllocInit<PanelView>());
    LogCapture log;
    EXPECT_FALSE(panel->instantiateObjectGraphWithNibName("Raising"));
    EXPECT_TRUE(log.text().contains(QStringLiteral(
        "NSUIViewNibbler::instantiateObjectGraphWithNibName:Raising exception:refused")))
        << log.text().toStdString();
}

TEST_F(NSUIViewNibblerTest, AFailedLoadLeavesNoOutletToTheObjectsItFreed) {
    for (const char* name : {"BadOutlet", "RaisingAfterOutlets"}) {
        NSRef<PanelView> panel = NSAdopt(NSAllocInit<PanelView>());
        panel->setDefaultNibName(QString::fromLatin1(name));
        LogCapture log;
        panel->awakeFromNib();
        EXPECT_EQ(panel->constructed(), 1u) << name;
        EXPECT_EQ(panel->nibblerSubView(), nullptr) << name;
        EXPECT_EQ(panel->nibblerController(), nullptr) << name;
        EXPECT_TRUE(panel->subviews().isEmpty()) << name;
        EXPECT_TRUE(panel->topLevelObjects().isEmpty()) << name;
        // What every window resize does: it must not reach the freed content view.
        panel->setFrameSize(NSSize(300, 150));
        EXPECT_EQ(panel->frame().size(), NSSize(300, 150)) << name;
        EXPECT_FALSE(log.text().isEmpty()) << name;
    }
}

TEST_F(NSUIViewNibblerTest, CentresAWindowAboveAView) {
    // A window 400 wide over a view 200 wide whose screen x is 100: the window goes to x 0.
    NSRef<NSWindow> host = NSAdopt(NSAllocInit<NSWindow>());
    host->setFrame(NSMakeRect(60, 300, 500, 400), false);
    NSRef<NSView> view = NSAdopt(NSAllocInit<NSView>());
    view->setFrame(NSMakeRect(40, 10, 200, 50));
    host->contentView()->addSubview(view.get());
    NSRef<NSWindow> window = NSAdopt(NSAllocInit<NSWindow>());
    window->setFrame(NSMakeRect(700, 123, 400, 80), false);

    NSUIViewNibbler::centerWindow(window.get(), view.get());
    EXPECT_EQ(window->frame(), NSMakeRect(0, 123, 400, 80));
}

} // namespace

#include "NSUIViewNibblerTest.moc"
