#include "platform/appkitcore/NSBitmapImageRep.h"

NSBitmapImageRep::NSBitmapImageRep(const QImage& image)
    : mImage(image.format() == QImage::Format_RGBA8888
                 ? image
                 : image.convertToFormat(QImage::Format_RGBA8888)) {}
