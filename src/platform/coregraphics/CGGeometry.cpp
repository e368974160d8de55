#include "platform/coregraphics/CGGeometry.h"

#include <algorithm>
#include <cmath>

const CGAffineTransform CGAffineTransformIdentity{};

CGFloat CGRectGetMinX(const CGRect& rect) {
    return std::min(rect.origin.x, rect.origin.x + rect.size.width);
}
CGFloat CGRectGetMinY(const CGRect& rect) {
    return std::min(rect.origin.y, rect.origin.y + rect.size.height);
}
CGFloat CGRectGetMaxX(const CGRect& rect) {
    return std::max(rect.origin.x, rect.origin.x + rect.size.width);
}
CGFloat CGRectGetMaxY(const CGRect& rect) {
    return std::max(rect.origin.y, rect.origin.y + rect.size.height);
}
CGFloat CGRectGetMidX(const CGRect& rect) {
    return rect.origin.x + rect.size.width * 0.5;
}
CGFloat CGRectGetMidY(const CGRect& rect) {
    return rect.origin.y + rect.size.height * 0.5;
}
CGFloat CGRectGetWidth(const CGRect& rect) {
    return std::abs(rect.size.width);
}
CGFloat CGRectGetHeight(const CGRect& rect) {
    return std::abs(rect.size.height);
}

CGAffineTransform CGAffineTransformMake(CGFloat a, CGFloat b, CGFloat c, CGFloat d, CGFloat tx,
                                        CGFloat ty) {
    return CGAffineTransform{a, b, c, d, tx, ty};
}

CGAffineTransform CGAffineTransformMakeScale(CGFloat sx, CGFloat sy) {
    return CGAffineTransform{sx, 0, 0, sy, 0, 0};
}

CGAffineTransform CGAffineTransformMakeTranslation(CGFloat tx, CGFloat ty) {
    return CGAffineTransform{1, 0, 0, 1, tx, ty};
}

CGAffineTransform CGAffineTransformConcat(const CGAffineTransform& t1,
                                          const CGAffineTransform& t2) {
    return CGAffineTransform{
        t1.a * t2.a + t1.b * t2.c,           t1.a * t2.b + t1.b * t2.d,
        t1.c * t2.a + t1.d * t2.c,           t1.c * t2.b + t1.d * t2.d,
        t1.tx * t2.a + t1.ty * t2.c + t2.tx, t1.tx * t2.b + t1.ty * t2.d + t2.ty};
}

CGPoint CGPointApplyAffineTransform(const CGPoint& point, const CGAffineTransform& t) {
    return CGPoint{t.a * point.x + t.c * point.y + t.tx, t.b * point.x + t.d * point.y + t.ty};
}

bool CGAffineTransformEqualToTransform(const CGAffineTransform& t1, const CGAffineTransform& t2) {
    return t1.a == t2.a && t1.b == t2.b && t1.c == t2.c && t1.d == t2.d && t1.tx == t2.tx &&
           t1.ty == t2.ty;
}
