#include "interface/UICocoaControls/NSUINfoGraffikImage.h"

#include "graphics/namespace_CoreGraphics_Context.h"
#include "graphics/namespace_CoreGraphics_ImageData.h"
#include "interface/UICocoaControls/NSUIToolButton.h"
#include "platform/appkit/NSView.h"
#include "platform/appkitcore/NSColor.h"
#include "platform/corefoundation/CFString.h"
#include "platform/coregraphics/CGContext.h"

#include <algorithm>
#include <cmath>

NSUINfoGraffikImage::NSUINfoGraffikImage(QSizeF size) : NSImage(size) {}

double NSUINfoGraffikImage::marginForKind(int kind) {
    return kind == 0 ? 0.0 : 2.0;
}

NSRef<NSUINfoGraffikImage> NSUINfoGraffikImage::imageForSizeState(NSUIToolButton* button,
                                                                  const QString& name, QSizeF size,
                                                                  int state, int kind) {
    const double width = size.width(), height = size.height();
    if (!button || !(width > 0) || !(height > 0) || width > 4096 || height > 4096)
        return NSRef<NSUINfoGraffikImage>();
    NSRef<NSUINfoGraffikImage> image = NSAdopt(new NSUINfoGraffikImage(size));
    image->setPixelScale(button->displayScale());
    image->lockFocus();
    NSGraphicsContext::saveGraphicsState();
    NSColor::clearColor().set();
    NSRectFill(NSMakeRect(0, 0, width, height));
    const double margin = marginForKind(kind);
    image->drawButton(button, name,
                      NSMakeRect(margin, margin, width - 2 * margin, height - 2 * margin), state,
                      margin, kind);
    NSGraphicsContext::restoreGraphicsState();
    image->unlockFocus();
    return image;
}

void NSUINfoGraffikImage::drawButton(NSUIToolButton* button, const QString& name,
                                     const NSRect& rect, int state, double margin, int kind) {
    NSGraphicsContext* current = NSGraphicsContext::currentContext();
    if (!current || !button)
        return;
    const QString space = QStringLiteral("NSCalibratedRGBColorSpace");
    const NSColor fillAnswer = button->buttonFillColorForState(state);
    const NSColor strokeAnswer = button->buttonStrokeColorForState(state);
    const NSColor fill = fillAnswer.colorUsingColorSpaceName(space).value_or(fillAnswer);
    const NSColor stroke = strokeAnswer.colorUsingColorSpaceName(space).value_or(strokeAnswer);
    const float opacity = button->buttonImageOpacityForState(state);

    CGContextRef context = current->graphicsPort();
    CGContextSaveGState(context);
    // The colours' own alpha is not used: the background is opaque.
    CGContextSetRGBFillColor(context, fill.redComponent(), fill.greenComponent(),
                             fill.blueComponent(), 1.0);
    CGContextSetRGBStrokeColor(context, stroke.redComponent(), stroke.greenComponent(),
                               stroke.blueComponent(), 1.0);
    const double side = std::min(rect.width(), rect.height());
    const CGRect square = CGRectMake(rect.x() + (rect.width() - side) * 0.5,
                                     rect.y() + (rect.height() - side) * 0.5, side, side);
    CGRect picture = square;
    if (kind == 1 || kind == 3 || kind == 4) {
        CGContextFillEllipseInRect(context, square);
        const double s = side * (kind == 1 ? 0.8 : 0.9);
        picture = CGRectMake(square.origin.x + (side - s) * 0.5, square.origin.y + (side - s) * 0.5,
                             s, s);
    } else {
        const CGRect rounded =
            CGRectMake(square.origin.x - margin * 0.5, square.origin.y - margin * 0.5, side, side);
        CoreGraphics::CGContextDrawRoundRect(context, rounded, 0, side <= 64 ? 8 : 12);
    }
    CGContextRestoreGState(context);
    drawImage(
        name,
        NSMakeRect(picture.origin.x, picture.origin.y, picture.size.width, picture.size.height),
        opacity);
}

void NSUINfoGraffikImage::drawImage(const QString& name, const NSRect& rect, float opacity) {
    NSGraphicsContext* current = NSGraphicsContext::currentContext();
    if (name.isEmpty() || !current)
        return;
    CGContextRef context = current->graphicsPort();
    CFStringRef pdf = CFStringCreateWithCString(nullptr, "pdf", kCFStringEncodingUTF8);
    CFURLRef url = CoreGraphics::ImageData::ResourceURL(name.toUtf8().constData(), pdf);
    CFRelease(pdf);
    if (url) {
        CGContextSaveGState(context);
        CGContextSetAlpha(context, opacity);
        CoreGraphics::CGContextDrawPDF(context, url,
                                       CGRectMake(rect.x(), rect.y(), rect.width(), rect.height()),
                                       CGSizeMake(1, 1));
        CGContextRestoreGState(context);
        CFRelease(url);
        return;
    }
    NSImage* named = NSImage::imageNamed(name);
    if (!named)
        return;
    CGContextSaveGState(context);
    CGContextSetAlpha(context, opacity);
    if (named->isScalable()) {
        // No one natural size: fit it into the picture square.
        named->drawInRect(rect, NSCompositeSourceIn, 1.0);
    } else {
        named->compositeToPoint(rect.topLeft(), NSCompositeSourceIn);
    }
    CGContextRestoreGState(context);
}

color_4D NSUINfoGraffikImage::buttonFillColorForState(int state) {
    return state == 1 ? color_4D{0.1f, 0.1f, 0.1f, 1.0f} : color_4D{0.1f, 0.1f, 0.1f, 0.5f};
}

color_4D NSUINfoGraffikImage::buttonStrokeColorForState(int) {
    return color_4D{0.1f, 0.1f, 0.1f, 0.8f};
}

color_4D NSUINfoGraffikImage::buttonHighlightColor() {
    const NSColor tint = NSColor::colorForControlTint(NSColor::currentControlTint());
    return color_4D{float(tint.redComponent()), float(tint.greenComponent()),
                    float(tint.blueComponent()), 0.8f};
}
