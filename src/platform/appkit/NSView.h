#pragma once

#include "platform/appkitcore/NSGeometry.h"
#include "platform/appkitcore/NSGraphicsContext.h"
#include "platform/foundation/NSClass.h"
#include "platform/foundation/NSObject.h"

#include <QList>
#include <QPointer>
#include <QString>

class NSWindow;
class QMouseEvent;
class QPainter;
class QWidget;

// How a view follows a change of its superview's size (combined with |): a flexible margin or
// size takes a share of the change, the others keep their length.
enum : unsigned {
    NSViewNotSizable = 0,
    NSViewMinXMargin = 1,
    NSViewWidthSizable = 2,
    NSViewMaxXMargin = 4,
    NSViewMinYMargin = 8,
    NSViewHeightSizable = 16,
    NSViewMaxYMargin = 32,
};

// A rectangle of a window: frame in its superview's coordinates (points, origin at the lower
// left), sub-views it retains, and a Qt widget that shows it. The widget is made when first
// asked for (views can be made and laid out without a QApplication) and follows the frame;
// painting calls drawRect: with the painter of NSGraphicsContext in y-up coordinates.
// Main thread only.
class NSView : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(NSView)
    Q_PROPERTY(QRectF frame READ frame WRITE setFrame)
    Q_PROPERTY(unsigned autoresizingMask READ autoresizingMask WRITE setAutoresizingMask)
    Q_PROPERTY(bool hidden READ isHidden WRITE setHidden)
    Q_PROPERTY(QString toolTip READ toolTip WRITE setToolTip)
    Q_PROPERTY(NSObject* fileDropTarget READ fileDropTarget WRITE setFileDropTarget)
public:
    NSView();
    ~NSView() override;

    NSObject* init() override;
    // Designated initialiser; returns this view.
    virtual NSView* initWithFrame(const NSRect& frame);

    NSRect frame() const { return mFrame; }
    NSRect bounds() const { return NSRect(QPointF(0, 0), mFrame.size()); }
    virtual void setFrame(const NSRect& frame);
    virtual void setFrameOrigin(const NSPoint& origin);
    // Resizes the view and then its sub-views by their autoresizing masks.
    virtual void setFrameSize(const NSSize& size);

    unsigned autoresizingMask() const { return mAutoresizingMask; }
    void setAutoresizingMask(unsigned mask) { mAutoresizingMask = mask; }
    bool autoresizesSubviews() const { return mAutoresizesSubviews; }
    void setAutoresizesSubviews(bool autoresizes) { mAutoresizesSubviews = autoresizes; }
    // Changes the frame for the superview's change of size from `oldSize` to its current size:
    // along each axis the flexible parts (margins and size) share the change in proportion to
    // their current lengths, evenly when those add up to nothing.
    virtual void resizeWithOldSuperviewSize(const NSSize& oldSize);
    virtual void resizeSubviewsWithOldSize(const NSSize& oldSize);

    NSView* superview() const { return mSuperview; }
    const QList<NSView*>& subviews() const { return mSubviews; }
    NSWindow* window() const;
    // Retains `view`, taking it from its former superview.
    virtual void addSubview(NSView* view);
    void removeFromSuperview();

    // A rectangle of this view in its window's coordinates (the content view's space).
    NSRect convertRectToBase(const NSRect& rect) const;
    NSPoint convertPointToBase(const NSPoint& point) const;

    bool isHidden() const { return mHidden; }
    void setHidden(bool hidden);
    QString toolTip() const { return mToolTip; }
    void setToolTip(const QString& text);

    // Files dragged onto the view go to this object's chooseURL: (not retained); without one the
    // view takes no drops.
    NSObject* fileDropTarget() const { return mFileDropTarget; }
    void setFileDropTarget(NSObject* target);
    // What dropping the file at `path` does: true when the target took it.
    bool performFileDrop(const QString& path);

    void setNeedsDisplay(bool needsDisplay);
    bool needsDisplay() const { return mNeedsDisplay; }
    // Draws the part `dirtyRect` (in bounds coordinates) with the current NSGraphicsContext.
    // Nothing here: plain views are transparent.
    virtual void drawRect(const NSRect& dirtyRect);
    virtual bool isOpaque() const { return false; }
    // Whether a click into an inactive window acts on this view at once.
    virtual bool acceptsFirstMouse(const QMouseEvent* event);
    // Mouse events in bounds coordinates; nothing here.
    virtual void mouseDown(const NSPoint& point);
    virtual void mouseUp(const NSPoint& point, bool inside);

    // The widget that shows the view, made on first use (null without a QApplication).
    QWidget* widget();
    // The widget if it has been made.
    QWidget* existingWidget() const;

    // Sets the window of a content view; views below it find it through their superviews.
    void setContentWindow(NSWindow* window) { mContentWindow = window; }

protected:
    // The tool tip the widget shows: toolTip here; a subclass may show another.
    virtual QString displayedToolTip() const { return mToolTip; }
    // Gives the widget, if made, displayedToolTip().
    void refreshToolTip();
    // Makes the widget of this view; the default one paints through drawRect:.
    virtual QWidget* makeWidget();
    // The widget's place in its parent, from the frame.
    void placeWidget();

private:
    friend class NSViewWidget;
    void paintWidget(QPainter& painter, const QRect& dirty);
    void placeSubviewWidgets();
    void acceptFileDrops();

    NSRect mFrame;
    unsigned mAutoresizingMask = NSViewNotSizable;
    bool mAutoresizesSubviews = true;
    bool mHidden = false;
    bool mNeedsDisplay = false;
    QString mToolTip;
    QPointer<NSObject> mFileDropTarget;
    NSView* mSuperview = nullptr;
    QList<NSView*> mSubviews;
    NSWindow* mContentWindow = nullptr;
    // The widget (a QWidget), held weakly: Qt may delete it with its parent.
    QPointer<QObject> mWidget;
};

int import_NSView();
