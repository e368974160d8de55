#pragma once

#include "platform/appkitcore/NSGeometry.h"
#include "platform/foundation/NSObject.h"

#include <QImage>
#include <QList>
#include <QSizeF>
#include <QString>

#include <memory>

class NSBitmapImageRep;
class NSGraphicsContext;
class QPainter;

// How an image is laid onto what is already drawn.
enum NSCompositingOperation : int {
    NSCompositeClear = 0,
    NSCompositeCopy = 1,
    NSCompositeSourceOver = 2,
    // The picture only where both picture and destination are opaque.
    NSCompositeSourceIn = 3,
};

// An image: a size in points and the bitmaps that represent it.
class NSImage : public NSObject {
    Q_OBJECT
public:
    explicit NSImage(QSizeF size);
    ~NSImage() override;

    QSizeF size() const { return mSize; }
    // Retains `representation`; null is ignored.
    void addRepresentation(NSBitmapImageRep* representation);
    const QList<NSBitmapImageRep*>& representations() const { return mRepresentations; }
    // The first bitmap representation, or null.
    NSBitmapImageRep* bitmapRepresentation() const;

    // Pixels per point of the bitmap that lockFocus makes (the display scale); 1 at first.
    qreal pixelScale() const { return mPixelScale; }
    void setPixelScale(qreal scale);
    // Makes the image the current graphics context, in y-up points, on top of its first bitmap
    // (or transparent); unlockFocus keeps the drawing as the image's only bitmap and restores
    // the context current before. Main thread only.
    void lockFocus();
    void unlockFocus();

    QString name() const { return mName; }
    void setName(const QString& name) { mName = name; }
    // True for pictures with no one natural size (theme icons): draw them fitted into the place
    // they are given.
    bool isScalable() const { return mScalable; }
    void setScalable(bool scalable) { mScalable = scalable; }

    // The named image: the icon theme's icon of that name, else an image file
    // "<name>.png" (or .jpg, .jpeg, .bmp) among the main bundle's resources; null when there is
    // none. Images are kept by name for the whole run: not owned by the caller.
    static NSImage* imageNamed(const QString& name);

    // Draws the image at its size with its lower-left corner at `point` of the current context.
    void compositeToPoint(const NSPoint& point, NSCompositingOperation operation);
    // Draws the image scaled into `rect` with opacity `fraction`.
    void drawInRect(const NSRect& rect, NSCompositingOperation operation, double fraction);

private:
    QSizeF mSize;
    QList<NSBitmapImageRep*> mRepresentations;
    qreal mPixelScale = 1;
    QString mName;
    bool mScalable = false;
    QImage mFocusImage;
    std::unique_ptr<QPainter> mFocusPainter;
    std::unique_ptr<NSGraphicsContext> mFocusContext;
    NSGraphicsContext* mContextBeforeFocus = nullptr;
};
