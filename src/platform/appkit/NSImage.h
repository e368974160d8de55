#pragma once

#include "platform/foundation/NSObject.h"

#include <QList>
#include <QSizeF>

class NSBitmapImageRep;

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

private:
    QSizeF mSize;
    QList<NSBitmapImageRep*> mRepresentations;
};
