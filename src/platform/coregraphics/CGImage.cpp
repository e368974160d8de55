#include "platform/coregraphics/CGImage.h"

#include <QImage>

#include <atomic>

struct CGImage {
    QImage image;
    std::atomic<int> retainCount{1};
};

CGImageRef CGImageCreateWithQImage(const QImage& image) {
    if (image.isNull())
        return nullptr;
    auto* result = new CGImage;
    result->image = image;
    return result;
}

CGImageRef CGImageRetain(CGImageRef image) {
    if (image)
        const_cast<CGImage*>(image)->retainCount.fetch_add(1, std::memory_order_relaxed);
    return image;
}

void CGImageRelease(CGImageRef image) {
    if (image &&
        const_cast<CGImage*>(image)->retainCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete image;
}

std::size_t CGImageGetWidth(CGImageRef image) {
    return image ? std::size_t(image->image.width()) : 0;
}

std::size_t CGImageGetHeight(CGImageRef image) {
    return image ? std::size_t(image->image.height()) : 0;
}

const QImage& CGImageGetQImage(CGImageRef image) {
    static const QImage sNull;
    return image ? image->image : sNull;
}

QImage CGImageMaskCoverage(CGImageRef image) {
    if (!image)
        return QImage();
    if (image->image.hasAlphaChannel())
        return image->image.convertToFormat(QImage::Format_Alpha8);
    const QImage grey = image->image.convertToFormat(QImage::Format_Grayscale8);
    QImage alpha(grey.size(), QImage::Format_Alpha8);
    for (int y = 0; y < grey.height(); ++y)
        std::copy_n(grey.constScanLine(y), grey.width(), alpha.scanLine(y));
    return alpha;
}
