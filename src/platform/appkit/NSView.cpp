#include "platform/appkit/NSView.h"

#include "platform/appkit/NSWindow.h"

#include "platform/foundation/NSURL.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>

NS_IMPLEMENT_CLASS(NSView, NSObject)

int import_NSView() {
    return NSView::classObject() != nullptr ? 1 : 0;
}

// The widget of a plain view: paints through drawRect: and hands mouse presses to the view.
class NSViewWidget : public QWidget {
public:
    explicit NSViewWidget(NSView* view) : mView(view) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        mView->paintWidget(painter, event->rect());
    }
    void mousePressEvent(QMouseEvent* event) override {
        mView->mouseDown(flipped(event->position()));
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        mView->mouseUp(flipped(event->position()), rect().contains(event->position().toPoint()));
    }

private:
    NSPoint flipped(const QPointF& point) const { return NSPoint(point.x(), height() - point.y()); }

    NSView* mView;
};

namespace {

// The one local file a drag carries; empty for anything else.
QString draggedFile(const QMimeData* data) {
    if (!data || data->urls().size() != 1 || !data->urls().first().isLocalFile())
        return {};
    return data->urls().first().toLocalFile();
}

// Hands files dropped on a view's widget to the view.
class FileDropFilter : public QObject {
public:
    FileDropFilter(NSView* view, QObject* parent) : QObject(parent), mView(view) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::DragEnter) {
            auto* enter = static_cast<QDragEnterEvent*>(event);
            if (!draggedFile(enter->mimeData()).isEmpty())
                enter->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString path = draggedFile(drop->mimeData());
            if (!path.isEmpty() && mView->performFileDrop(path))
                drop->acceptProposedAction();
            return true;
        }
        return false;
    }

private:
    NSView* mView;
};

// One axis of the autoresizing rule: the lengths before the change (margin before, size, margin
// after) and which of them are flexible; returns the new start and size.
std::pair<double, double> resizedAxis(double start, double size, double oldSuperSize,
                                      double newSuperSize, bool startFlexible, bool sizeFlexible,
                                      bool endFlexible) {
    const double change = newSuperSize - oldSuperSize;
    const int flexibleParts = int(startFlexible) + int(sizeFlexible) + int(endFlexible);
    if (flexibleParts == 0 || change == 0.0)
        return {start, size};
    const double end = oldSuperSize - start - size;
    const double total =
        (startFlexible ? start : 0.0) + (sizeFlexible ? size : 0.0) + (endFlexible ? end : 0.0);
    auto share = [&](double length) {
        return total != 0.0 ? change * length / total : change / flexibleParts;
    };
    if (startFlexible)
        start += share(start);
    if (sizeFlexible)
        size = std::max(0.0, size + share(size));
    return {start, size};
}

} // namespace

NSView::NSView() = default;

QWidget* NSView::existingWidget() const {
    return static_cast<QWidget*>(mWidget.data());
}

NSView::~NSView() {
    for (NSView* view : std::as_const(mSubviews)) {
        view->mSuperview = nullptr;
        view->release();
    }
    mSubviews.clear();
    delete existingWidget();
}

NSObject* NSView::init() {
    return initWithFrame(NSRect());
}

NSView* NSView::initWithFrame(const NSRect& frame) {
    mFrame = frame;
    return this;
}

void NSView::setFrame(const NSRect& frame) {
    const NSSize oldSize = mFrame.size();
    mFrame.moveTo(frame.topLeft());
    if (frame.size() != oldSize)
        setFrameSize(frame.size());
    else
        placeWidget();
}

void NSView::setFrameOrigin(const NSPoint& origin) {
    mFrame.moveTo(origin);
    placeWidget();
}

void NSView::setFrameSize(const NSSize& size) {
    const NSSize oldSize = mFrame.size();
    mFrame.setSize(size);
    placeWidget();
    if (mAutoresizesSubviews)
        resizeSubviewsWithOldSize(oldSize);
    // Sub-views keep their y-up frames; in the flipped widget space they move with the height.
    placeSubviewWidgets();
}

void NSView::resizeWithOldSuperviewSize(const NSSize& oldSize) {
    if (!mSuperview || mAutoresizingMask == NSViewNotSizable)
        return;
    const NSSize newSize = mSuperview->frame().size();
    const unsigned mask = mAutoresizingMask;
    const auto [x, width] =
        resizedAxis(mFrame.x(), mFrame.width(), oldSize.width(), newSize.width(),
                    mask & NSViewMinXMargin, mask & NSViewWidthSizable, mask & NSViewMaxXMargin);
    const auto [y, height] =
        resizedAxis(mFrame.y(), mFrame.height(), oldSize.height(), newSize.height(),
                    mask & NSViewMinYMargin, mask & NSViewHeightSizable, mask & NSViewMaxYMargin);
    setFrame(NSRect(x, y, width, height));
}

void NSView::resizeSubviewsWithOldSize(const NSSize& oldSize) {
    for (NSView* view : std::as_const(mSubviews))
        view->resizeWithOldSuperviewSize(oldSize);
}

NSWindow* NSView::window() const {
    const NSView* view = this;
    while (view->mSuperview)
        view = view->mSuperview;
    return view->mContentWindow;
}

void NSView::addSubview(NSView* view) {
    if (!view || view == this)
        return;
    view->retain();
    view->removeFromSuperview();
    view->mSuperview = this;
    mSubviews.append(view);
    if (mWidget) {
        QWidget* child = view->widget();
        if (child) {
            child->setParent(existingWidget());
            view->placeWidget();
            child->setVisible(!view->mHidden);
        }
    }
}

void NSView::removeFromSuperview() {
    NSView* superview = mSuperview;
    if (!superview)
        return;
    superview->mSubviews.removeOne(this);
    mSuperview = nullptr;
    if (QWidget* shown = existingWidget())
        shown->setParent(nullptr);
    release();
}

NSRect NSView::convertRectToBase(const NSRect& rect) const {
    NSRect result = rect;
    for (const NSView* view = this; view && view->mSuperview; view = view->mSuperview)
        result.translate(view->mFrame.topLeft());
    return result;
}

NSPoint NSView::convertPointToBase(const NSPoint& point) const {
    return convertRectToBase(NSRect(point, NSSize())).topLeft();
}

void NSView::setHidden(bool hidden) {
    mHidden = hidden;
    if (QWidget* shown = existingWidget())
        shown->setVisible(!hidden);
}

void NSView::setToolTip(const QString& text) {
    mToolTip = text;
    refreshToolTip();
}

void NSView::refreshToolTip() {
    if (QWidget* shown = existingWidget())
        shown->setToolTip(displayedToolTip());
}

void NSView::setFileDropTarget(NSObject* target) {
    mFileDropTarget = target;
    acceptFileDrops();
}

bool NSView::performFileDrop(const QString& path) {
    if (!mFileDropTarget || path.isEmpty())
        return false;
    NSAutoreleasePool pool;
    NSURL* url = NSURL::fileURLWithPath(path, QFileInfo(path).isDir());
    return mFileDropTarget->performSelector(QStringLiteral("chooseURL:"), url).toBool();
}

void NSView::acceptFileDrops() {
    static const char kTakesDrops[] = "NSViewTakesFileDrops";
    QWidget* shown = existingWidget();
    if (!shown || !mFileDropTarget || shown->property(kTakesDrops).toBool())
        return;
    shown->setProperty(kTakesDrops, true);
    shown->setAcceptDrops(true);
    shown->installEventFilter(new FileDropFilter(this, shown));
}

void NSView::setNeedsDisplay(bool needsDisplay) {
    mNeedsDisplay = needsDisplay;
    if (QWidget* shown = existingWidget(); needsDisplay && shown)
        shown->update();
}

void NSView::drawRect(const NSRect&) {}

bool NSView::acceptsFirstMouse(const QMouseEvent*) {
    return false;
}

void NSView::mouseDown(const NSPoint&) {}

void NSView::mouseUp(const NSPoint&, bool) {}

QWidget* NSView::widget() {
    if (QWidget* shown = existingWidget())
        return shown;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    QWidget* made = makeWidget();
    mWidget = made;
    made->setToolTip(displayedToolTip());
    made->setAttribute(Qt::WA_OpaquePaintEvent, isOpaque());
    acceptFileDrops();
    if (mSuperview && mSuperview->existingWidget())
        made->setParent(mSuperview->existingWidget());
    placeWidget();
    for (NSView* view : std::as_const(mSubviews)) {
        if (QWidget* child = view->widget()) {
            child->setParent(made);
            view->placeWidget();
            child->setVisible(!view->mHidden);
        }
    }
    made->setVisible(!mHidden && mSuperview);
    return made;
}

QWidget* NSView::makeWidget() {
    return new NSViewWidget(this);
}

void NSView::placeWidget() {
    QWidget* shown = existingWidget();
    // A window places its content view.
    if (!shown || (!mSuperview && mContentWindow))
        return;
    // Qt places widgets at whole points: frames are rounded to the nearest one.
    const double parentHeight = mSuperview ? mSuperview->mFrame.height() : mFrame.height();
    const QRectF flipped =
        NSFlipRect(mSuperview ? mFrame : NSRect(QPointF(0, 0), mFrame.size()), parentHeight);
    shown->setGeometry(QRect(qRound(flipped.x()), qRound(flipped.y()), qRound(flipped.width()),
                             qRound(flipped.height())));
}

void NSView::placeSubviewWidgets() {
    for (NSView* view : std::as_const(mSubviews))
        view->placeWidget();
}

void NSView::paintWidget(QPainter& painter, const QRect& dirty) {
    const double height = existingWidget() ? existingWidget()->height() : mFrame.height();
    painter.translate(0, height);
    painter.scale(1, -1);
    NSGraphicsContext context(&painter);
    NSGraphicsContext* previous = NSGraphicsContext::currentContext();
    NSGraphicsContext::setCurrentContext(&context);
    drawRect(NSFlipRect(QRectF(dirty), height));
    NSGraphicsContext::setCurrentContext(previous);
    mNeedsDisplay = false;
}
