#include "platform/appkitcore/NSColor.h"

#include "platform/appkitcore/NSGraphicsContext.h"
#include "platform/coregraphics/CGContext.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace {

double unit(double value) {
    return std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0);
}

// The colour last set, for NSRectFill.
thread_local NSColor sSetColor;

} // namespace

NSColor NSColor::colorWithCalibratedRed(double red, double green, double blue, double alpha) {
    NSColor color;
    color.mRed = unit(red);
    color.mGreen = unit(green);
    color.mBlue = unit(blue);
    color.mAlpha = unit(alpha);
    return color;
}

NSColor NSColor::clearColor() {
    return colorWithCalibratedRed(0, 0, 0, 0);
}

NSColor NSColor::controlAccentColor() {
    QColor highlight(0x30, 0x8c, 0xc6);
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        highlight = QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight);
    return colorWithCalibratedRed(highlight.redF(), highlight.greenF(), highlight.blueF(), 1.0);
}

int NSColor::currentControlTint() {
    return 1;
}

NSColor NSColor::colorForControlTint(int) {
    return controlAccentColor();
}

std::optional<NSColor> NSColor::colorUsingColorSpaceName(const QString& name) const {
    if (name == QLatin1StringView("NSCalibratedRGBColorSpace") ||
        name == QLatin1StringView("NSDeviceRGBColorSpace"))
        return *this;
    return std::nullopt;
}

void NSColor::set() const {
    sSetColor = *this;
    NSGraphicsContext* context = NSGraphicsContext::currentContext();
    if (!context)
        return;
    CGContextRef port = context->graphicsPort();
    CGContextSetRGBFillColor(port, mRed, mGreen, mBlue, mAlpha);
    CGContextSetRGBStrokeColor(port, mRed, mGreen, mBlue, mAlpha);
}

void NSRectFill(const NSRect& rect) {
    NSGraphicsContext* context = NSGraphicsContext::currentContext();
    if (!context)
        return;
    CGContextRef port = context->graphicsPort();
    const CGRect area = CGRectMake(rect.x(), rect.y(), rect.width(), rect.height());
    CGContextSaveGState(port);
    CGContextClearRect(port, area);
    CGContextSetRGBFillColor(port, sSetColor.redComponent(), sSetColor.greenComponent(),
                             sSetColor.blueComponent(), sSetColor.alphaComponent());
    CGContextFillRect(port, area);
    CGContextRestoreGState(port);
}
