#include "interface/UICocoaViews/NSUIDrawContentHelpers.h"

#include "graphics/namespace_CoreGraphics_Context.h"

#include <cmath>

int import_NSUIDrawContentHelpers() {
    return 1;
}

void NSUIDrawLozenge(CGContextRef context, const CGRect& rect, const float* rgb, float alpha) {
    if (!context || !rgb)
        return;
    const double x = rect.origin.x, y = rect.origin.y;
    const double width = rect.size.width, height = rect.size.height - 2;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(width) || !std::isfinite(height) ||
        !(height > 0) || !(width > 0))
        return;
    CGContextSaveGState(context);
    CGContextSetRGBStrokeColor(context, rgb[0], rgb[1], rgb[2], alpha);
    CGContextSetLineCap(context, kCGLineCapRound);
    // Coordinates are rounded to float after the half-width is added, as the points are.
    if (width > height) {
        const double half = height * 0.5;
        CGContextSetLineWidth(context, height);
        const CGPoint segment[2] = {
            {float(x + half), float(y + 1 + half)},
            {float(x + half + (width - height)), float(y + 1 + half)},
        };
        CGContextStrokeLineSegments(context, segment, 2);
    } else if (height > width) {
        const double half = width * 0.5;
        CGContextSetLineWidth(context, width);
        const CGPoint segment[2] = {
            {float(x + half), float(y + 1 + half)},
            {float(x + half), float(y + 1 + half + (height - width))},
        };
        CGContextStrokeLineSegments(context, segment, 2);
    } else {
        CGContextSetRGBFillColor(context, rgb[0], rgb[1], rgb[2], alpha);
        CGContextFillEllipseInRect(context, CGRectMake(x, y + 1, width, height));
    }
    CGContextRestoreGState(context);
}

void NSUIDrawRoundRect(CGContextRef context, const CGRect& rect, float lineWidth, float corner) {
    CoreGraphics::CGContextDrawRoundRect(context, rect, lineWidth, corner);
}
