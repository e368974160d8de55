#include "platform/appkitcore/NSImage.h"

#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/appkitcore/NSGraphicsContext.h"
#include "platform/corefoundation/CFBundle.h"
#include "platform/corefoundation/CFString.h"
#include "platform/corefoundation/CFURL.h"
#include "platform/coregraphics/CGContext.h"

#include <QHash>
#include <QIcon>
#include <QPainter>

#include <algorithm>
#include <cmath>

NSImage::NSImage(QSizeF size) : mSize(size) {}

NSImage::~NSImage() {
    if (mFocusPainter)
        unlockFocus();
    for (NSBitmapImageRep* representation : mRepresentations)
        representation->release();
}

void NSImage::addRepresentation(NSBitmapImageRep* representation) {
    if (!representation)
        return;
    representation->retain();
    mRepresentations.append(representation);
}

NSBitmapImageRep* NSImage::bitmapRepresentation() const {
    return mRepresentations.isEmpty() ? nullptr : mRepresentations.first();
}

void NSImage::setPixelScale(qreal scale) {
    mPixelScale = std::isfinite(scale) && scale > 0 ? scale : 1.0;
}

void NSImage::lockFocus() {
    if (mFocusPainter)
        return;
    const QSize pixels(std::max(1, int(std::ceil(mSize.width() * mPixelScale))),
                       std::max(1, int(std::ceil(mSize.height() * mPixelScale))));
    mFocusImage = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    mFocusImage.fill(Qt::transparent);
    if (const NSBitmapImageRep* bitmap = bitmapRepresentation()) {
        QPainter copy(&mFocusImage);
        copy.drawImage(QRect(QPoint(0, 0), pixels), bitmap->qImage());
    }
    mFocusImage.setDevicePixelRatio(mPixelScale);
    mFocusPainter = std::make_unique<QPainter>(&mFocusImage);
    mFocusPainter->setRenderHint(QPainter::Antialiasing);
    mFocusPainter->setRenderHint(QPainter::SmoothPixmapTransform);
    mFocusPainter->translate(0, mSize.height());
    mFocusPainter->scale(1, -1);
    mFocusContext = std::make_unique<NSGraphicsContext>(mFocusPainter.get());
    mContextBeforeFocus = NSGraphicsContext::currentContext();
    NSGraphicsContext::setCurrentContext(mFocusContext.get());
}

void NSImage::unlockFocus() {
    if (!mFocusPainter)
        return;
    if (NSGraphicsContext::currentContext() == mFocusContext.get())
        NSGraphicsContext::setCurrentContext(mContextBeforeFocus);
    mFocusContext.reset();
    mFocusPainter.reset();
    for (NSBitmapImageRep* representation : mRepresentations)
        representation->release();
    mRepresentations.clear();
    auto* bitmap = new NSBitmapImageRep(mFocusImage);
    addRepresentation(bitmap);
    bitmap->release();
    mFocusImage = QImage();
}

namespace {

NSImage* loadNamedImage(const QString& name) {
    const QIcon icon = QIcon::fromTheme(name);
    if (!icon.isNull()) {
        const QImage picture = icon.pixmap(QSize(128, 128)).toImage();
        if (!picture.isNull()) {
            auto* image = new NSImage(QSizeF(picture.size()));
            auto* bitmap = new NSBitmapImageRep(picture);
            image->addRepresentation(bitmap);
            bitmap->release();
            image->setScalable(true);
            return image;
        }
    }
    CFStringRef resource =
        CFStringCreateWithCString(nullptr, name.toUtf8().constData(), kCFStringEncodingUTF8);
    if (!resource)
        return nullptr;
    NSImage* result = nullptr;
    for (const char* type : {"png", "jpg", "jpeg", "bmp"}) {
        CFStringRef extension = CFStringCreateWithCString(nullptr, type, kCFStringEncodingUTF8);
        CFURLRef url =
            CFBundleCopyResourceURL(CFBundleGetMainBundle(), resource, extension, nullptr);
        CFRelease(extension);
        if (!url)
            continue;
        UInt8 path[4096];
        const bool found = CFURLGetFileSystemRepresentation(url, true, path, sizeof path);
        CFRelease(url);
        const QImage picture(found ? QString::fromUtf8(reinterpret_cast<const char*>(path))
                                   : QString());
        if (picture.isNull())
            continue;
        result = new NSImage(QSizeF(picture.size()));
        auto* bitmap = new NSBitmapImageRep(picture);
        result->addRepresentation(bitmap);
        bitmap->release();
        break;
    }
    CFRelease(resource);
    return result;
}

} // namespace

NSImage* NSImage::imageNamed(const QString& name) {
    // Kept for the whole run, as the images are.
    static auto* sNamedImages = new QHash<QString, NSImage*>;
    if (name.isEmpty())
        return nullptr;
    if (NSImage* known = sNamedImages->value(name))
        return known;
    NSImage* image = loadNamedImage(name);
    if (image) {
        image->setName(name);
        sNamedImages->insert(name, image);
    }
    return image;
}

void NSImage::compositeToPoint(const NSPoint& point, NSCompositingOperation operation) {
    drawInRect(NSRect(point, mSize), operation, 1.0);
}

void NSImage::drawInRect(const NSRect& rect, NSCompositingOperation operation, double fraction) {
    NSGraphicsContext* context = NSGraphicsContext::currentContext();
    const NSBitmapImageRep* bitmap = bitmapRepresentation();
    if (!context || !bitmap || !context->painter())
        return;
    CGImageRef picture = CGImageCreateWithQImage(bitmap->qImage());
    if (!picture)
        return;
    QPainter* painter = context->painter();
    painter->save();
    switch (operation) {
    case NSCompositeClear:
        painter->setCompositionMode(QPainter::CompositionMode_Clear);
        break;
    case NSCompositeCopy:
        painter->setCompositionMode(QPainter::CompositionMode_Source);
        break;
    case NSCompositeSourceIn:
        painter->setCompositionMode(QPainter::CompositionMode_SourceIn);
        break;
    default:
        break;
    }
    painter->setOpacity(painter->opacity() * std::clamp(fraction, 0.0, 1.0));
    CGContextDrawImage(context->graphicsPort(),
                       CGRectMake(rect.x(), rect.y(), rect.width(), rect.height()), picture);
    painter->restore();
    CGImageRelease(picture);
}
