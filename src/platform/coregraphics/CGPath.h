#pragma once

#include "platform/coregraphics/CGGeometry.h"

#include <cstddef>

// Paths: reference-counted outlines of move, line, curve, arc and close elements. A mutable path
// is built with the CGPathAdd... calls; CGPathCreateCopy makes an immutable one. Tangent arcs
// (CGPathAddArcToPoint) are kept as exact circle arcs with their centre and angles.

struct CGPath;
using CGPathRef = const CGPath*;
using CGMutablePathRef = CGPath*;

enum CGPathElementType {
    kCGPathElementMoveToPoint = 0,
    kCGPathElementAddLineToPoint = 1,
    kCGPathElementAddQuadCurveToPoint = 2,
    kCGPathElementAddCurveToPoint = 3,
    kCGPathElementCloseSubpath = 4,
    // A circle arc: centre, radius, start and end angle (radians, counter-clockwise from +x in
    // the y-up space) and its direction.
    kCGPathElementAddArc = 5,
};

struct CGPathElementData {
    CGPathElementType type = kCGPathElementMoveToPoint;
    // Move and line: points[0]; cubic curve: two control points and the end point.
    CGPoint points[3];
    CGPoint center;
    CGFloat radius = 0;
    CGFloat startAngle = 0;
    CGFloat endAngle = 0;
    bool clockwise = false;
};

CGMutablePathRef CGPathCreateMutable();
// An immutable copy; nullptr for nullptr.
CGPathRef CGPathCreateCopy(CGPathRef path);
// A copy with every point mapped by `transform` (arcs become cubic curves); nullptr for nullptr.
CGPathRef CGPathCreateCopyByTransformingPath(CGPathRef path, const CGAffineTransform* transform);
CGPathRef CGPathRetain(CGPathRef path);
// Accepts nullptr.
void CGPathRelease(CGPathRef path);

// `m` (may be nullptr) maps the given coordinates before they are added.
void CGPathMoveToPoint(CGMutablePathRef path, const CGAffineTransform* m, CGFloat x, CGFloat y);
void CGPathAddLineToPoint(CGMutablePathRef path, const CGAffineTransform* m, CGFloat x, CGFloat y);
void CGPathAddRect(CGMutablePathRef path, const CGAffineTransform* m, CGRect rect);
// Adds the line from the current point to the first tangent point of a circle of `radius`
// touching the lines (current point, (x1, y1)) and ((x1, y1), (x2, y2)), then the arc to the
// second tangent point. Collinear points or a zero radius add a line to (x1, y1).
void CGPathAddArcToPoint(CGMutablePathRef path, const CGAffineTransform* m, CGFloat x1, CGFloat y1,
                         CGFloat x2, CGFloat y2, CGFloat radius);
void CGPathCloseSubpath(CGMutablePathRef path);
// Appends the elements of `other`.
void CGPathAddPath(CGMutablePathRef path, const CGAffineTransform* m, CGPathRef other);

bool CGPathIsEmpty(CGPathRef path);
CGPoint CGPathGetCurrentPoint(CGPathRef path);
std::size_t CGPathGetElementCount(CGPathRef path);
// The element at `index`; a move to (0, 0) out of range.
CGPathElementData CGPathGetElementAt(CGPathRef path, std::size_t index);
// A rectangle holding every point of the outline (curves by their control points).
CGRect CGPathGetBoundingBox(CGPathRef path);
