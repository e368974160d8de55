#include "platform/appkit/NSImageView.h"

#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/appkitcore/NSImage.h"

#include <QPainter>
#include <QWidget>

NS_IMPLEMENT_CLASS(NSImageView, NSView)

int import_NSImageView() {
    return NSImageView::classObject() != nullptr ? 1 : 0;
}

NSImageView::NSImageView() = default;

NSImageView::~NSImageView() {
    if (mImage)
        mImage->release();
}

void NSImageView::setImage(NSImage* image) {
    if (image)
        image->retain();
    if (mImage)
        mImage->release();
    mImage = image;
    ++mChangeCount;
    setNeedsDisplay(true);
    Q_EMIT imageChanged();
}

void NSImageView::drawRect(const NSRect&) {
    QPainter* painter = NSGraphicsContext::currentPainter();
    if (painter && mImageFrameStyle == 1) {
        const QWidget* shown = existingWidget();
        painter->save();
        painter->setPen(shown ? shown->palette().color(QPalette::Mid) : QColor(Qt::gray));
        painter->setBrush(shown ? shown->palette().color(QPalette::Base) : QColor(Qt::white));
        painter->drawRect(bounds().adjusted(0.5, 0.5, -0.5, -0.5));
        painter->restore();
    }
    const NSBitmapImageRep* bitmap = mImage ? mImage->bitmapRepresentation() : nullptr;
    if (!painter || !bitmap || bitmap->qImage().isNull())
        return;
    const QImage& picture = bitmap->qImage();
    QSizeF size = picture.size();
    if (size.width() > bounds().width() || size.height() > bounds().height())
        size.scale(bounds().size(), Qt::KeepAspectRatio);
    const QRectF target((bounds().width() - size.width()) / 2.0,
                        (bounds().height() - size.height()) / 2.0, size.width(), size.height());
    // Pictures are stored top row first: draw them in the widget's own y-down space.
    painter->save();
    painter->resetTransform();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(NSFlipRect(target, bounds().height()), picture);
    painter->restore();
}
