#include "platform/appkit/NSView.h"
#include "platform/appkit/NSWindow.h"
#include "platform/foundation/NSNotificationCenter.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

struct Axis {
    unsigned mask;
    double start;
    double size;
};

// A view at (10, 20) of 30 x 40 in a superview of 100 x 100 that grows to 150 x 130. Along x the
// margins are 10 and 60 and the change 50; along y they are 20 and 40 and the change 30. The
// flexible parts share the change in proportion to their lengths.
const Axis kX[] = {
    {0, 10, 30},
    {NSViewMinXMargin, 60, 30},
    {NSViewWidthSizable, 10, 80},
    {NSViewMaxXMargin, 10, 30},
    {NSViewMinXMargin | NSViewWidthSizable, 22.5, 67.5},
    {NSViewMinXMargin | NSViewMaxXMargin, 10 + 50.0 * 10 / 70, 30},
    {NSViewWidthSizable | NSViewMaxXMargin, 10, 30 + 50.0 * 30 / 90},
    {NSViewMinXMargin | NSViewWidthSizable | NSViewMaxXMargin, 15, 45},
};
const Axis kY[] = {
    {0, 20, 40},
    {NSViewMinYMargin, 50, 40},
    {NSViewHeightSizable, 20, 70},
    {NSViewMaxYMargin, 20, 40},
    {NSViewMinYMargin | NSViewHeightSizable, 30, 60},
    {NSViewMinYMargin | NSViewMaxYMargin, 30, 40},
    {NSViewHeightSizable | NSViewMaxYMargin, 20, 55},
    {NSViewMinYMargin | NSViewHeightSizable | NSViewMaxYMargin, 26, 52},
};

NSRef<NSView> makeView(const NSRect& frame) {
    NSRef<NSView> view = NSAdopt(NSAllocInit<NSView>());
    view->setFrame(frame);
    return view;
}

TEST(NSViewGeometry, EveryAutoresizingCombinationSharesTheChangeLikeThePlatform) {
    for (const Axis& x : kX) {
        for (const Axis& y : kY) {
            NSRef<NSView> superview = makeView(NSMakeRect(0, 0, 100, 100));
            NSRef<NSView> view = makeView(NSMakeRect(10, 20, 30, 40));
            view->setAutoresizingMask(x.mask | y.mask);
            superview->addSubview(view.get());
            superview->setFrameSize(NSSize(150, 130));
            EXPECT_EQ(view->frame(), NSMakeRect(x.start, y.start, x.size, y.size))
                << "mask " << (x.mask | y.mask);
        }
    }
}

TEST(NSViewGeometry, FlexiblePartsOfNoLengthShareEvenlyAndSizesNeverGoNegative) {
    NSRef<NSView> superview = makeView(NSMakeRect(0, 0, 100, 100));
    NSRef<NSView> centred = makeView(NSMakeRect(0, 0, 100, 100));
    centred->setAutoresizingMask(NSViewMinXMargin | NSViewMaxXMargin);
    NSRef<NSView> filling = makeView(NSMakeRect(0, 0, 100, 100));
    filling->setAutoresizingMask(NSViewWidthSizable | NSViewHeightSizable);
    superview->addSubview(centred.get());
    superview->addSubview(filling.get());
    superview->setFrameSize(NSSize(150, 20));
    EXPECT_EQ(centred->frame(), NSMakeRect(25, 0, 100, 100));
    EXPECT_EQ(filling->frame(), NSMakeRect(0, 0, 150, 20));
    superview->setFrameSize(NSSize(0, 0));
    EXPECT_EQ(filling->frame().size(), NSSize(0, 0));

    superview->setAutoresizesSubviews(false);
    superview->setFrameSize(NSSize(300, 300));
    EXPECT_EQ(filling->frame().size(), NSSize(0, 0));
}

TEST(NSViewGeometry, YUpFramesBecomeQtGeometryAndFollowTheSuperviewsHeight) {
    NSRef<NSWindow> window = NSAdopt(NSAllocInit<NSWindow>());
    window->setFrame(NSMakeRect(50, 60, 200, 100), false);
    NSRef<NSView> view = makeView(NSMakeRect(10, 20, 30, 40));
    window->contentView()->addSubview(view.get());
    ASSERT_NE(window->widget(), nullptr);
    EXPECT_EQ(view->widget()->geometry(), QRect(10, 100 - 20 - 40, 30, 40));
    EXPECT_EQ(view->window(), window.get());

    // The view keeps its distance from the bottom; in Qt's space it moves down.
    window->setFrame(NSMakeRect(50, 60, 200, 150), true);
    EXPECT_EQ(view->frame(), NSMakeRect(10, 20, 30, 40));
    EXPECT_EQ(view->widget()->geometry(), QRect(10, 150 - 60, 30, 40));
    EXPECT_EQ(window->contentView()->widget()->geometry(), QRect(0, 0, 200, 150));

    // A window's frame is flipped against the screen.
    const double screen = NSWindow::screenHeight();
    EXPECT_EQ(window->widget()->geometry(), QRect(50, int(screen) - 60 - 150, 200, 150));
    EXPECT_EQ(view->convertRectToBase(NSMakeRect(1, 2, 3, 4)), NSMakeRect(11, 22, 3, 4));
    EXPECT_EQ(window->convertBaseToScreen(NSPoint(11, 22)), NSPoint(61, 82));
}

TEST(NSWindowGeometry, ARectangleIsMovedOntoTheAreaAndShrunkNoFurtherThanItsMinimum) {
    const QRectF screen(0, 0, 1280, 600);
    // Saved at the top of a taller screen: moved down until its bottom is on this one.
    EXPECT_EQ(NSConstrainRectToArea(QRectF(100, -280, 720, 500), QSizeF(720, 480), screen),
              QRectF(100, 0, 720, 500));
    EXPECT_EQ(NSConstrainRectToArea(QRectF(900, 300, 720, 500), QSizeF(720, 480), screen),
              QRectF(560, 100, 720, 500));
    // Taller than the screen: as tall as the screen, but never below the minimum, and then the
    // top (the title bar) stays on the screen.
    EXPECT_EQ(NSConstrainRectToArea(QRectF(10, 50, 720, 900), QSizeF(720, 480), screen),
              QRectF(10, 0, 720, 600));
    EXPECT_EQ(NSConstrainRectToArea(QRectF(-50, -40, 720, 900), QSizeF(720, 700), screen),
              QRectF(0, 0, 720, 700));
    // An area that does not start at the origin (a second screen, a panel at the top).
    EXPECT_EQ(NSConstrainRectToArea(QRectF(0, 0, 400, 300), QSizeF(), QRectF(1280, 32, 800, 568)),
              QRectF(1280, 32, 400, 300));
}

TEST(NSWindowGeometry, AWindowKeepsItsMinimumSizeAndComesUpOnTheScreen) {
    NSRef<NSWindow> window = NSAdopt(NSAllocInit<NSWindow>());
    window->setContentMinSize(NSSize(300, 200));
    window->setFrame(NSMakeRect(10, 10, 100, 400), false);
    EXPECT_EQ(window->frame(), NSMakeRect(10, 10, 300, 400));
    ASSERT_NE(window->widget(), nullptr);
    EXPECT_EQ(window->widget()->minimumSize(), QSize(300, 200));

    // Placed above the top of the screen (as saved on a taller one), it shows below the top with
    // room for a title bar, and fully on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    window->setFrame(NSMakeRect(40, screen.height() + 200, 320, 240), false);
    window->makeKeyAndOrderFront(nullptr);
    const QRect shown = window->widget()->geometry();
    EXPECT_GT(shown.top(), screen.top());
    EXPECT_LE(shown.bottom(), screen.bottom());
    EXPECT_EQ(shown.left(), 40);
    EXPECT_EQ(shown.size(), QSize(320, 240));
}

class DirtyRecorder : public NSView {
public:
    void drawRect(const NSRect& dirtyRect) override { dirty = dirtyRect; }
    NSRect dirty;
};

TEST(NSViewGeometry, DrawRectGetsTheDirtyRectangleInYUpCoordinates) {
    NSRef<NSWindow> window = NSAdopt(NSAllocInit<NSWindow>());
    window->setFrame(NSMakeRect(0, 0, 100, 80), false);
    NSRef<DirtyRecorder> view = NSAdopt(new DirtyRecorder);
    view->setFrame(NSMakeRect(0, 0, 100, 80));
    window->contentView()->addSubview(view.get());
    window->makeKeyAndOrderFront(nullptr);
    // The top-left 10 x 10 corner of the widget is the y-up rectangle at y = 70.
    QImage picture(100, 80, QImage::Format_ARGB32_Premultiplied);
    view->widget()->render(&picture, QPoint(), QRegion(0, 0, 10, 10));
    EXPECT_EQ(view->dirty, NSMakeRect(0, 70, 10, 10));
}

class CloseDelegate : public NSObject {
    Q_OBJECT
public:
    Q_INVOKABLE bool windowShouldClose(NSObject* window) {
        asked = window;
        return allow;
    }
    bool allow = false;
    NSObject* asked = nullptr;
};

TEST(NSViewGeometry, ADelegateCanRefuseAClose) {
    NSRef<NSWindow> window = NSAdopt(NSAllocInit<NSWindow>());
    NSRef<CloseDelegate> delegate = NSAdopt(new CloseDelegate);
    window->setDelegate(delegate.get());
    window->makeKeyAndOrderFront(nullptr);
    int closes = 0;
    NSObject* observer = NSNotificationCenter::defaultCenter()->addObserverForName(
        QStringLiteral("NSWindowWillCloseNotification"), window.get(),
        [&](NSNotification*) { ++closes; });

    window->widget()->close(); // the window manager's close button
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(delegate->asked, window.get());
    window->performClose(nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(closes, 0);

    delegate->allow = true;
    window->widget()->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(closes, 1);
    NSNotificationCenter::defaultCenter()->removeObserver(observer);
}

} // namespace

#include "NSViewGeometryTest.moc"
