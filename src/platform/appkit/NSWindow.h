#pragma once

#include "platform/appkitcore/NSGeometry.h"
#include "platform/foundation/NSClass.h"
#include "platform/foundation/NSObject.h"

#include <QPointer>
#include <QString>

class NSMenu;
class NSView;
class QWidget;

// The rectangle `outer` (y-down screen coordinates) moved into `available`, its size first
// brought down to fit but not below `minimum`; where even that does not fit, its top left corner
// stays in `available`.
QRectF NSConstrainRectToArea(const QRectF& outer, const QSizeF& minimum, const QRectF& available);

// A top-level window with one content view. Its frame is in screen coordinates with the origin
// at the lower left of the primary screen, y growing upwards, and is the content rectangle (the
// window manager's decorations are not counted). Main thread only.
//
// A close (the close button, the window manager, performClose:) first asks the delegate's
// windowShouldClose: (false keeps the window open); the last window's close then asks the
// running application to terminate (a refusal keeps it open too). A window that closes posts
// "NSWindowWillCloseNotification" and hides.
class NSWindow : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(NSWindow)
    Q_PROPERTY(QString title READ title WRITE setTitle)
    Q_PROPERTY(QRectF frame READ frame WRITE setFrameRect)
    Q_PROPERTY(NSMenu* menu READ menu WRITE setMenu)
    Q_PROPERTY(NSObject* delegate READ delegate WRITE setDelegate)
    Q_PROPERTY(bool visibleAtLaunch MEMBER mVisibleAtLaunch)
    Q_PROPERTY(QSizeF contentMinSize READ contentMinSize WRITE setContentMinSize)
public:
    NSWindow();
    ~NSWindow() override;

    NSObject* init() override;
    // Designated initialiser: a window whose content has `contentRect` (screen coordinates) and
    // a plain content view of that size.
    NSWindow* initWithContentRect(const NSRect& contentRect);

    QString title() const { return mTitle; }
    void setTitle(const QString& title);

    NSRect frame() const { return mFrame; }
    // Sets the content rectangle; a size below contentMinSize is raised to it.
    void setFrame(const NSRect& frame, bool display);
    void setFrameRect(const NSRect& frame) { setFrame(frame, true); }
    void setFrameOrigin(const NSPoint& origin);
    // The smallest content size the window takes, from the user or from setFrame (none at first).
    NSSize contentMinSize() const { return mContentMinSize; }
    void setContentMinSize(const NSSize& size);
    // `frame` moved, and made smaller where it does not fit (never below contentMinSize), so
    // that the whole window with its menu bar and the window manager's title bar lies within
    // the available area of the screen it lands on (the one holding its centre, else the one it
    // overlaps most, else the primary screen). A window bigger than that area keeps its top left
    // corner, with the title bar, on the screen. Unchanged without a screen.
    NSRect constrainFrameRect(const NSRect& frame) const;
    // A point of the window's base coordinate space (its content view's) on the screen.
    NSPoint convertBaseToScreen(const NSPoint& point) const;

    NSView* contentView() const { return mContentView; }
    // Retains the view, which takes the window's content size.
    void setContentView(NSView* view);

    // The window's menu bar: the submenus of the menu's items. Retained.
    NSMenu* menu() const { return mMenu; }
    void setMenu(NSMenu* menu);

    // Not retained.
    NSObject* delegate() const { return mDelegate; }
    void setDelegate(NSObject* delegate) { mDelegate = delegate; }

    // Shows the window when it comes from an interface file that sets visibleAtLaunch.
    void awakeFromNib() override;
    // The first time the window shows, its frame is constrained to the screen.
    Q_INVOKABLE void makeKeyAndOrderFront(NSObject* sender);
    Q_INVOKABLE void orderOut(NSObject* sender);
    // Closes the window if the delegate's windowShouldClose: allows it.
    Q_INVOKABLE void performClose(NSObject* sender);
    // Closes the window without asking.
    Q_INVOKABLE void close();
    bool isVisible() const;

    // The top-level widget, made on first use (null without a QApplication).
    QWidget* widget();

    // Height of the primary screen, in points, against which frames are flipped.
    static double screenHeight();

private:
    friend class NSWindowWidget;
    // Whether the delegate lets the window close.
    bool shouldClose();
    // Whether the running application lets its last window close (and so ends).
    bool applicationAllowsClose();
    void didClose();
    void placeWidget();
    // The window manager or the user resized the widget.
    void widgetResized(const QSize& size);
    // Shows the content view's widget below the menu bar.
    void placeContent();
    void applyMinimumSize();

    QString mTitle;
    NSRect mFrame;
    NSSize mContentMinSize{0, 0};
    NSView* mContentView = nullptr;
    NSObject* mDelegate = nullptr;
    NSMenu* mMenu = nullptr;
    bool mVisibleAtLaunch = false;
    QPointer<QObject> mMenuBar; // the QMenuBar
    QPointer<QObject> mWidget;  // the top-level QWidget
    QWidget* existingWidget() const;
};

int import_NSWindow();
