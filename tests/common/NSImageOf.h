#pragma once

#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/appkitcore/NSImage.h"

#include <QColor>
#include <QImage>

namespace lumenreel::test {

// An image of the picture's size holding one bitmap of it.
inline NSRef<NSImage> imageOf(const QImage& picture) {
    NSRef<NSImage> image = NSAdopt(new NSImage(QSizeF(picture.size())));
    image->addRepresentation(NSAdopt(new NSBitmapImageRep(picture)).get());
    return image;
}

// A picture of `size` in `bottom` with its top `topRows` rows in `top`, to tell up from down.
inline QImage twoBandPicture(QSize size, int topRows, QColor top, QColor bottom) {
    QImage picture(size, QImage::Format_RGBA8888);
    picture.fill(bottom);
    for (int y = 0; y < topRows; ++y)
        for (int x = 0; x < size.width(); ++x)
            picture.setPixelColor(x, y, top);
    return picture;
}

} // namespace lumenreel::test
