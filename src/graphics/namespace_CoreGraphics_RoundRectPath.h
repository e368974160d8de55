#pragma once

#include "platform/coregraphics/CGContext.h"

namespace CoreGraphics {

// The corner radius a corner value gives on `rect`: below 1.0 a fraction of the shorter side,
// from 1.0 on a radius in points. The radius never exceeds half the shorter side (a larger one
// would fold the outline over itself); a negative value or one that is not a number gives 0.
CGFloat RoundRectRadius(const CGRect& rect, CGFloat corner);

// A rounded-rectangle outline with elliptical corners of radii (radius x, radius y). The outline
// is built in unit space, where each corner has radius 1 and the rectangle measures
// (width / radius x) by (height / radius y), starting and ending in the middle of the right edge
// and running counter-clockwise; drawing stretches it back by the radii. With a zero radius the
// outline is the plain rectangle.
class RoundRectPath {
public:
    RoundRectPath(const CGRect& rect, CGFloat radiusX, CGFloat radiusY);
    ~RoundRectPath();
    RoundRectPath(const RoundRectPath&) = delete;
    RoundRectPath& operator=(const RoundRectPath&) = delete;

    // A new immutable outline (the caller releases it), or null.
    CGPathRef CreatePath() const;
    // Fills the outline with the context's fill colour at the rectangle's lower-left corner moved
    // by `offset`; with a line width above 0 also strokes it that many points wide (in the
    // context's units, whatever the radii) with the stroke colour. The context's state is kept.
    void Draw(CGContextRef context, const CGPoint& offset, CGFloat lineWidth) const;

    CGPathRef path() const { return mPath; }
    const CGRect& rect() const { return mRect; }
    CGFloat radiusX() const { return mRadiusX; }
    CGFloat radiusY() const { return mRadiusY; }
    CGFloat unitWidth() const { return mUnitWidth; }
    CGFloat unitHeight() const { return mUnitHeight; }

private:
    bool isPlain() const { return !(mRadiusX > 0) || !(mRadiusY > 0); }

    CGPathRef mPath = nullptr;
    CGRect mRect;
    CGFloat mRadiusX;
    CGFloat mRadiusY;
    CGFloat mUnitWidth;
    CGFloat mUnitHeight;
};

} // namespace CoreGraphics
