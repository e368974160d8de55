#pragma once

// Points, sizes, rectangles and affine transforms of the drawing model, in a y-up space: a
// rectangle's origin is its lower-left corner.

using CGFloat = double;

struct CGPoint {
    CGFloat x = 0;
    CGFloat y = 0;
};

struct CGSize {
    CGFloat width = 0;
    CGFloat height = 0;
};

struct CGRect {
    CGPoint origin;
    CGSize size;
};

// x' = a*x + c*y + tx, y' = b*x + d*y + ty.
struct CGAffineTransform {
    CGFloat a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
};

inline CGPoint CGPointMake(CGFloat x, CGFloat y) {
    return CGPoint{x, y};
}
inline CGSize CGSizeMake(CGFloat width, CGFloat height) {
    return CGSize{width, height};
}
inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat width, CGFloat height) {
    return CGRect{CGPoint{x, y}, CGSize{width, height}};
}

// The edges of a rectangle whatever the sign of its size.
CGFloat CGRectGetMinX(const CGRect& rect);
CGFloat CGRectGetMinY(const CGRect& rect);
CGFloat CGRectGetMaxX(const CGRect& rect);
CGFloat CGRectGetMaxY(const CGRect& rect);
CGFloat CGRectGetMidX(const CGRect& rect);
CGFloat CGRectGetMidY(const CGRect& rect);
CGFloat CGRectGetWidth(const CGRect& rect);
CGFloat CGRectGetHeight(const CGRect& rect);

extern const CGAffineTransform CGAffineTransformIdentity;
CGAffineTransform CGAffineTransformMake(CGFloat a, CGFloat b, CGFloat c, CGFloat d, CGFloat tx,
                                        CGFloat ty);
CGAffineTransform CGAffineTransformMakeScale(CGFloat sx, CGFloat sy);
CGAffineTransform CGAffineTransformMakeTranslation(CGFloat tx, CGFloat ty);
// `t1` applied first, then `t2`.
CGAffineTransform CGAffineTransformConcat(const CGAffineTransform& t1, const CGAffineTransform& t2);
CGPoint CGPointApplyAffineTransform(const CGPoint& point, const CGAffineTransform& t);
bool CGAffineTransformEqualToTransform(const CGAffineTransform& t1, const CGAffineTransform& t2);
