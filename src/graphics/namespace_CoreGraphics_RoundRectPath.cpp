#include "graphics/namespace_CoreGraphics_RoundRectPath.h"

#include "support/CoreMachDebugLog.h"

#include <algorithm>
#include <cmath>

namespace CoreGraphics {

namespace {

constexpr const char* kSource = "namespace_CoreGraphics_RoundRectPath";

bool verify(bool ok, const char* function, int line, const char* expression) {
    if (!ok)
        _CoreMachDebugVerifyBody(function, kSource, line, expression);
    return ok;
}

} // namespace

CGFloat RoundRectRadius(const CGRect& rect, CGFloat corner) {
    const CGFloat width = CGRectGetWidth(rect), height = CGRectGetHeight(rect);
    CGFloat radius = corner < 1.0 ? std::min(width * corner, height * corner) : corner;
    if (!(radius > 0))
        return 0;
    const CGFloat half = std::min(width, height) * 0.5;
    return std::isfinite(half) ? std::min(radius, half) : 0;
}

RoundRectPath::RoundRectPath(const CGRect& rect, CGFloat radiusX, CGFloat radiusY)
    : mRect(rect), mRadiusX(radiusX), mRadiusY(radiusY), mUnitWidth(CGRectGetWidth(rect) / radiusX),
      mUnitHeight(CGRectGetHeight(rect) / radiusY) {
    verify((mPath = CreatePath()) != nullptr, "RoundRectPath", 18, " code : mPath = CreatePath()");
}

RoundRectPath::~RoundRectPath() {
    CGPathRelease(mPath);
}

CGPathRef RoundRectPath::CreatePath() const {
    CGMutablePathRef mutablePath = CGPathCreateMutable();
    if (!verify(mutablePath != nullptr, "CreatePath", 30, " code : mutablePath"))
        return nullptr;
    if (isPlain()) {
        CGPathAddRect(mutablePath, nullptr, mRect);
    } else {
        const CGFloat u = mUnitWidth, v = mUnitHeight;
        CGPathMoveToPoint(mutablePath, nullptr, u, v * 0.5);
        CGPathAddArcToPoint(mutablePath, nullptr, u, v, u * 0.5, v, 1);
        CGPathAddArcToPoint(mutablePath, nullptr, 0, v, 0, v * 0.5, 1);
        CGPathAddArcToPoint(mutablePath, nullptr, 0, 0, u * 0.5, 0, 1);
        CGPathAddArcToPoint(mutablePath, nullptr, u, 0, u, v * 0.5, 1);
        CGPathCloseSubpath(mutablePath);
    }
    CGPathRef result = nullptr;
    verify((result = CGPathCreateCopy(mutablePath)) != nullptr, "CreatePath", 43,
           " code : result=::CGPathCreateCopy(mutablePath)");
    CGPathRelease(mutablePath);
    return result;
}

void RoundRectPath::Draw(CGContextRef context, const CGPoint& offset, CGFloat lineWidth) const {
    if (!verify(mPath != nullptr, "Draw", 72, " code : mPath"))
        return;
    CGContextSaveGState(context);
    CGPathRef placed = nullptr;
    if (isPlain()) {
        // The plain outline already sits on the rectangle: move it by the offset only.
        CGContextTranslateCTM(context, offset.x, offset.y);
        placed = CGPathRetain(mPath);
    } else {
        CGContextTranslateCTM(context, CGRectGetMinX(mRect) + offset.x,
                              CGRectGetMinY(mRect) + offset.y);
        // The outline is scaled, not the context, so that the line width stays in points.
        const CGAffineTransform scale = CGAffineTransformMakeScale(mRadiusX, mRadiusY);
        placed = CGPathCreateCopyByTransformingPath(mPath, &scale);
    }
    CGContextBeginPath(context);
    CGContextAddPath(context, placed);
    if (lineWidth > 0) {
        CGContextSetLineWidth(context, lineWidth);
        CGContextDrawPath(context, kCGPathFillStroke);
    } else {
        CGContextFillPath(context);
    }
    CGPathRelease(placed);
    CGContextRestoreGState(context);
}

} // namespace CoreGraphics
