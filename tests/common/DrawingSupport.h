#pragma once

#include "platform/corefoundation/CFURL.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>

namespace lumenreel::test {

// A transparent picture of `width` x `height` to draw into.
inline QImage blankPicture(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// The pixel at (x, y) counted from the lower-left corner.
inline QColor yUp(const QImage& image, int x, int y) {
    return image.pixelColor(x, image.height() - 1 - y);
}

// A file URL of `path`, for the caller to release.
inline CFURLRef fileURL(const QString& path) {
    const QByteArray bytes = path.toUtf8();
    return CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(bytes.constData()), bytes.size(), false);
}

// Writes a PDF of one page of `points`, filled with `colour`.
inline void writeFilledPdf(const QString& path, QSizeF points, QColor colour) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(points, QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);
    QPainter(&writer).fillRect(QRectF(QPointF(0, 0), points), colour);
}

} // namespace lumenreel::test
