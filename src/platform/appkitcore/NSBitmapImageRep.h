#pragma once

#include "platform/foundation/NSObject.h"

#include <QImage>

// A bitmap of 8-bit RGBA pixels with straight (not premultiplied) alpha, top row first.
class NSBitmapImageRep : public NSObject {
    Q_OBJECT
public:
    // Keeps a copy of `image` converted to QImage::Format_RGBA8888.
    explicit NSBitmapImageRep(const QImage& image);

    const QImage& qImage() const { return mImage; }
    int pixelsWide() const { return mImage.width(); }
    int pixelsHigh() const { return mImage.height(); }
    int bitsPerPixel() const { return 32; }
    qsizetype bytesPerRow() const { return mImage.bytesPerLine(); }
    const unsigned char* bitmapData() const { return mImage.constBits(); }

private:
    QImage mImage;
};
