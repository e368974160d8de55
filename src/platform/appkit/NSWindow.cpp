#include "platform/appkit/NSWindow.h"

#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSMenu.h"
#include "platform/appkit/NSView.h"
#include "platform/foundation/NSNotificationCenter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>
#include <cmath>

NS_IMPLEMENT_CLASS(NSWindow, NSObject)

int import_NSWindow() {
    return NSWindow::classObject() != nullptr ? 1 : 0;
}

// The top-level widget of a window: its close button goes through the window's delegate.
class NSWindowWidget : public QWidget {
public:
    explicit NSWindowWidget(NSWindow* window) : mWindow(window) {}

protected:
    void closeEvent(QCloseEvent* event) override {
        if (mClosing) {
            event->accept();
            return;
        }
        // Closing the last window ends the application, which may still refuse.
        if (mWindow->shouldClose() && (!isLastWindow() || mWindow->applicationAllowsClose())) {
            event->accept();
            mWindow->didClose();
        } else {
            event->ignore();
        }
    }
    void resizeEvent(QResizeEvent*) override { mWindow->widgetResized(size()); }

public:
    bool mClosing = false;

private:
    bool isLastWindow() const {
        for (const QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget != this && widget->isVisible() &&
                dynamic_cast<const NSWindowWidget*>(widget))
                return false;
        }
        return true;
    }

private:
    NSWindow* mWindow;
};

NSWindow::NSWindow() = default;

QWidget* NSWindow::existingWidget() const {
    return static_cast<QWidget*>(mWidget.data());
}

namespace {

int barHeight(const QObject* bar) {
    return bar ? static_cast<const QWidget*>(bar)->sizeHint().height() : 0;
}

// One axis: the start of a length moved into [areaStart, areaStart + areaLength], the start
// kept in it where the length does not fit.
double constrainedStart(double start, double length, double areaStart, double areaLength) {
    return std::max(areaStart, std::min(start, areaStart + areaLength - length));
}

} // namespace

QRectF NSConstrainRectToArea(const QRectF& outer, const QSizeF& minimum, const QRectF& available) {
    const double width = std::max(std::min(outer.width(), available.width()), minimum.width());
    const double height = std::max(std::min(outer.height(), available.height()), minimum.height());
    return QRectF(constrainedStart(outer.x(), width, available.x(), available.width()),
                  constrainedStart(outer.y(), height, available.y(), available.height()), width,
                  height);
}

NSWindow::~NSWindow() {
    setMenu(nullptr);
    if (mContentView) {
        mContentView->setContentWindow(nullptr);
        mContentView->release();
    }
    delete existingWidget();
}

NSObject* NSWindow::init() {
    return initWithContentRect(NSRect(0, 0, 400, 300));
}

NSWindow* NSWindow::initWithContentRect(const NSRect& contentRect) {
    mFrame = contentRect;
    NSRef<NSView> content = NSAdopt(NSAllocInit<NSView>());
    content->setFrame(NSRect(QPointF(0, 0), contentRect.size()));
    content->setAutoresizingMask(NSViewWidthSizable | NSViewHeightSizable);
    setContentView(content.get());
    return this;
}

void NSWindow::setTitle(const QString& title) {
    mTitle = title;
    if (QWidget* shown = existingWidget())
        shown->setWindowTitle(title);
}

void NSWindow::setFrame(const NSRect& frame, bool display) {
    const NSSize oldSize = mFrame.size();
    mFrame = NSRect(frame.topLeft(), frame.size().expandedTo(mContentMinSize));
    if (mContentView && mFrame.size() != oldSize)
        mContentView->setFrameSize(mFrame.size());
    placeWidget();
    placeContent();
    if (display && mContentView)
        mContentView->setNeedsDisplay(true);
}

void NSWindow::setContentMinSize(const NSSize& size) {
    mContentMinSize = size.expandedTo(NSSize(0, 0));
    applyMinimumSize();
    if (mFrame.size() != mFrame.size().expandedTo(mContentMinSize))
        setFrame(mFrame, true);
}

void NSWindow::applyMinimumSize() {
    if (QWidget* shown = existingWidget())
        shown->setMinimumSize(int(std::ceil(mContentMinSize.width())),
                              int(std::ceil(mContentMinSize.height())) + barHeight(mMenuBar));
}

NSRect NSWindow::constrainFrameRect(const NSRect& frame) const {
    const QWidget* shown = existingWidget();
    // What surrounds the content: the menu bar, and the window manager's frame as far as it is
    // known; a title bar is counted even before the window manager has put one on.
    const int bar = barHeight(mMenuBar);
    QMargins decoration;
    if (shown && shown->isVisible())
        decoration = QMargins(shown->geometry().left() - shown->frameGeometry().left(),
                              shown->geometry().top() - shown->frameGeometry().top(),
                              shown->frameGeometry().right() - shown->geometry().right(),
                              shown->frameGeometry().bottom() - shown->geometry().bottom());
    const QStyle* style = shown ? shown->style() : QApplication::style();
    const int titleBar = style ? style->pixelMetric(QStyle::PM_TitleBarHeight) : 0;
    decoration.setTop(std::max(decoration.top(), titleBar));
    const double extraWidth = decoration.left() + decoration.right();
    const double extraHeight = decoration.top() + bar + decoration.bottom();

    const double height = screenHeight();
    const QRectF content = NSFlipRect(frame, height);
    const QRectF outer(content.x() - decoration.left(), content.y() - bar - decoration.top(),
                       content.width() + extraWidth, content.height() + extraHeight);
    const QScreen* screen = QGuiApplication::screenAt(outer.center().toPoint());
    if (!screen) {
        double largest = 0;
        for (const QScreen* candidate : QGuiApplication::screens()) {
            const QRectF overlap = outer.intersected(QRectF(candidate->geometry()));
            if (overlap.width() * overlap.height() > largest) {
                largest = overlap.width() * overlap.height();
                screen = candidate;
            }
        }
    }
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return frame;
    const QRectF placed =
        NSConstrainRectToArea(outer, mContentMinSize + QSizeF(extraWidth, extraHeight),
                              QRectF(screen->availableGeometry()));
    const QRectF placedContent(placed.x() + decoration.left(), placed.y() + decoration.top() + bar,
                               placed.width() - extraWidth, placed.height() - extraHeight);
    return NSFlipRect(placedContent, height);
}

void NSWindow::setFrameOrigin(const NSPoint& origin) {
    mFrame.moveTo(origin);
    placeWidget();
}

NSPoint NSWindow::convertBaseToScreen(const NSPoint& point) const {
    return mFrame.topLeft() + point;
}

void NSWindow::setContentView(NSView* view) {
    if (view == mContentView)
        return;
    if (view) {
        view->retain();
        view->removeFromSuperview();
        view->setContentWindow(this);
        view->setFrame(NSRect(QPointF(0, 0), mFrame.size()));
    }
    if (mContentView) {
        mContentView->setContentWindow(nullptr);
        if (QWidget* old = mContentView->existingWidget())
            old->setParent(nullptr);
        mContentView->release();
    }
    mContentView = view;
    placeContent();
}

void NSWindow::setMenu(NSMenu* menu) {
    if (menu)
        menu->retain();
    if (mMenu)
        mMenu->release();
    mMenu = menu;
    delete mMenuBar.data();
    if (QWidget* shown = existingWidget(); shown && menu) {
        mMenuBar = menu->makeMenuBar(shown);
        static_cast<QWidget*>(mMenuBar.data())->show();
    }
    applyMinimumSize();
    placeWidget();
    placeContent();
}

void NSWindow::placeContent() {
    QWidget* shown = existingWidget();
    QWidget* content = shown && mContentView ? mContentView->widget() : nullptr;
    if (!content)
        return;
    const int bar = barHeight(mMenuBar);
    if (auto* menuBar = static_cast<QWidget*>(mMenuBar.data()))
        menuBar->setGeometry(0, 0, shown->width(), bar);
    content->setParent(shown);
    content->setGeometry(0, bar, qRound(mFrame.width()), qRound(mFrame.height()));
    content->show();
}

void NSWindow::awakeFromNib() {
    if (mVisibleAtLaunch)
        makeKeyAndOrderFront(this);
}

void NSWindow::makeKeyAndOrderFront(NSObject*) {
    if (QWidget* window = widget()) {
        if (!window->isVisible())
            setFrame(constrainFrameRect(mFrame), false);
        window->show();
        window->raise();
        window->activateWindow();
    }
}

void NSWindow::orderOut(NSObject*) {
    if (QWidget* shown = existingWidget())
        shown->hide();
}

void NSWindow::performClose(NSObject*) {
    if (QWidget* shown = existingWidget())
        shown->close(); // the same way as the close button
    else if (shouldClose())
        close();
}

void NSWindow::close() {
    if (auto* window = static_cast<NSWindowWidget*>(existingWidget())) {
        window->mClosing = true;
        window->close();
        window->mClosing = false;
    }
    didClose();
}

bool NSWindow::isVisible() const {
    return existingWidget() && existingWidget()->isVisible();
}

bool NSWindow::applicationAllowsClose() {
    return NSApplication::sharedApplication()->terminateForWindowClose(this);
}

bool NSWindow::shouldClose() {
    if (!mDelegate || !mDelegate->respondsToSelector(QStringLiteral("windowShouldClose:")))
        return true;
    return mDelegate->performSelector(QStringLiteral("windowShouldClose:"), this).toBool();
}

void NSWindow::didClose() {
    NSNotificationCenter::defaultCenter()->postNotificationName(
        QStringLiteral("NSWindowWillCloseNotification"), this);
}

QWidget* NSWindow::widget() {
    if (QWidget* shown = existingWidget())
        return shown;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    auto* window = new NSWindowWidget(this);
    mWidget = window;
    window->setWindowTitle(mTitle);
    if (mMenu)
        mMenuBar = mMenu->makeMenuBar(window);
    applyMinimumSize();
    placeWidget();
    placeContent();
    return window;
}

double NSWindow::screenHeight() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 0.0;
}

void NSWindow::widgetResized(const QSize& size) {
    const int bar = barHeight(mMenuBar);
    const QSizeF content(size.width(), size.height() - bar);
    if (content == mFrame.size())
        return;
    const QRect geometry = existingWidget()->geometry().adjusted(0, bar, 0, 0);
    mFrame = NSFlipRect(QRectF(geometry), screenHeight());
    if (mContentView)
        mContentView->setFrameSize(mFrame.size());
    placeContent();
}

void NSWindow::placeWidget() {
    QWidget* shown = existingWidget();
    if (!shown)
        return;
    // The menu bar sits above the content rectangle.
    const int bar = barHeight(mMenuBar);
    const QRectF flipped = NSFlipRect(mFrame, screenHeight());
    shown->setGeometry(QRect(qRound(flipped.x()), qRound(flipped.y()) - bar,
                             qRound(flipped.width()), qRound(flipped.height()) + bar));
}
