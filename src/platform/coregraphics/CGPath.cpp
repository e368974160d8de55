#include "platform/coregraphics/CGPath.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <vector>

struct CGPath {
    std::vector<CGPathElementData> elements;
    CGPoint current;
    CGPoint subpathStart;
    std::atomic<int> retainCount{1};
};

namespace {

CGPoint mapped(const CGAffineTransform* m, CGFloat x, CGFloat y) {
    return m ? CGPointApplyAffineTransform(CGPoint{x, y}, *m) : CGPoint{x, y};
}

CGPathElementData pointElement(CGPathElementType type, CGPoint point) {
    CGPathElementData element;
    element.type = type;
    element.points[0] = point;
    return element;
}

CGPoint arcPoint(CGPoint center, CGFloat radius, CGFloat angle) {
    return CGPoint{center.x + radius * std::cos(angle), center.y + radius * std::sin(angle)};
}

// The signed sweep from start to end in the arc's direction.
CGFloat arcSweep(const CGPathElementData& arc) {
    CGFloat sweep = arc.endAngle - arc.startAngle;
    const CGFloat full = 2 * std::numbers::pi;
    if (arc.clockwise) {
        while (sweep > 0)
            sweep -= full;
    } else {
        while (sweep < 0)
            sweep += full;
    }
    return sweep;
}

// The arc as cubic curves of at most a quarter turn each.
void appendArcAsCurves(std::vector<CGPathElementData>& out, const CGPathElementData& arc) {
    const CGFloat sweep = arcSweep(arc);
    const int pieces = std::max(1, int(std::ceil(std::abs(sweep) / (std::numbers::pi / 2))));
    const CGFloat step = sweep / pieces;
    const CGFloat k = 4.0 / 3.0 * std::tan(step / 4);
    for (int i = 0; i < pieces; ++i) {
        const CGFloat a0 = arc.startAngle + step * i;
        const CGFloat a1 = a0 + step;
        const CGPoint p0 = arcPoint(arc.center, arc.radius, a0);
        const CGPoint p1 = arcPoint(arc.center, arc.radius, a1);
        CGPathElementData curve;
        curve.type = kCGPathElementAddCurveToPoint;
        curve.points[0] = {p0.x - k * arc.radius * std::sin(a0),
                           p0.y + k * arc.radius * std::cos(a0)};
        curve.points[1] = {p1.x + k * arc.radius * std::sin(a1),
                           p1.y - k * arc.radius * std::cos(a1)};
        curve.points[2] = p1;
        out.push_back(curve);
    }
}

void extend(CGRect& box, bool& empty, CGPoint p) {
    if (empty) {
        box = CGRect{p, {0, 0}};
        empty = false;
        return;
    }
    const CGFloat minX = std::min(box.origin.x, p.x), minY = std::min(box.origin.y, p.y);
    const CGFloat maxX = std::max(box.origin.x + box.size.width, p.x);
    const CGFloat maxY = std::max(box.origin.y + box.size.height, p.y);
    box = CGRect{{minX, minY}, {maxX - minX, maxY - minY}};
}

} // namespace

CGMutablePathRef CGPathCreateMutable() {
    return new CGPath;
}

CGPathRef CGPathCreateCopy(CGPathRef path) {
    if (!path)
        return nullptr;
    auto* copy = new CGPath;
    copy->elements = path->elements;
    copy->current = path->current;
    copy->subpathStart = path->subpathStart;
    return copy;
}

CGPathRef CGPathCreateCopyByTransformingPath(CGPathRef path, const CGAffineTransform* transform) {
    if (!path)
        return nullptr;
    if (!transform)
        return CGPathCreateCopy(path);
    auto* copy = new CGPath;
    std::vector<CGPathElementData> flat;
    for (const CGPathElementData& element : path->elements) {
        if (element.type == kCGPathElementAddArc)
            appendArcAsCurves(flat, element);
        else
            flat.push_back(element);
    }
    for (CGPathElementData& element : flat)
        for (CGPoint& point : element.points)
            point = CGPointApplyAffineTransform(point, *transform);
    copy->elements = std::move(flat);
    copy->current = CGPointApplyAffineTransform(path->current, *transform);
    copy->subpathStart = CGPointApplyAffineTransform(path->subpathStart, *transform);
    return copy;
}

CGPathRef CGPathRetain(CGPathRef path) {
    if (path)
        const_cast<CGPath*>(path)->retainCount.fetch_add(1, std::memory_order_relaxed);
    return path;
}

void CGPathRelease(CGPathRef path) {
    if (path && const_cast<CGPath*>(path)->retainCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete path;
}

void CGPathMoveToPoint(CGMutablePathRef path, const CGAffineTransform* m, CGFloat x, CGFloat y) {
    if (!path)
        return;
    const CGPoint p = mapped(m, x, y);
    path->elements.push_back(pointElement(kCGPathElementMoveToPoint, p));
    path->current = path->subpathStart = p;
}

void CGPathAddLineToPoint(CGMutablePathRef path, const CGAffineTransform* m, CGFloat x, CGFloat y) {
    if (!path)
        return;
    const CGPoint p = mapped(m, x, y);
    path->elements.push_back(pointElement(kCGPathElementAddLineToPoint, p));
    path->current = p;
}

void CGPathAddRect(CGMutablePathRef path, const CGAffineTransform* m, CGRect rect) {
    const CGFloat x = rect.origin.x, y = rect.origin.y;
    const CGFloat w = rect.size.width, h = rect.size.height;
    CGPathMoveToPoint(path, m, x, y);
    CGPathAddLineToPoint(path, m, x + w, y);
    CGPathAddLineToPoint(path, m, x + w, y + h);
    CGPathAddLineToPoint(path, m, x, y + h);
    CGPathCloseSubpath(path);
}

void CGPathAddArcToPoint(CGMutablePathRef path, const CGAffineTransform* m, CGFloat x1, CGFloat y1,
                         CGFloat x2, CGFloat y2, CGFloat radius) {
    if (!path)
        return;
    if (path->elements.empty())
        CGPathMoveToPoint(path, m, x1, y1);
    // The tangent construction is done in the untransformed space, then mapped.
    CGPoint p0 = path->current;
    if (m) {
        // Bring the current point back into the caller's space when `m` is invertible.
        const CGFloat det = m->a * m->d - m->b * m->c;
        if (det != 0) {
            const CGFloat dx = p0.x - m->tx, dy = p0.y - m->ty;
            p0 = CGPoint{(m->d * dx - m->c * dy) / det, (-m->b * dx + m->a * dy) / det};
        }
    }
    const CGFloat ux = p0.x - x1, uy = p0.y - y1;
    const CGFloat vx = x2 - x1, vy = y2 - y1;
    const CGFloat lu = std::hypot(ux, uy), lv = std::hypot(vx, vy);
    const CGFloat cross = ux * vy - uy * vx;
    if (radius <= 0 || lu == 0 || lv == 0 || cross == 0 || !std::isfinite(radius)) {
        CGPathAddLineToPoint(path, m, x1, y1);
        return;
    }
    const CGFloat cosTheta = std::clamp((ux * vx + uy * vy) / (lu * lv), -1.0, 1.0);
    const CGFloat theta = std::acos(cosTheta); // the corner's inner angle
    const CGFloat tangent = radius / std::tan(theta / 2);
    const CGFloat toCenter = radius / std::sin(theta / 2);
    const CGPoint t1{x1 + ux / lu * tangent, y1 + uy / lu * tangent};
    const CGPoint t2{x1 + vx / lv * tangent, y1 + vy / lv * tangent};
    const CGFloat bx = ux / lu + vx / lv, by = uy / lu + vy / lv;
    const CGFloat lb = std::hypot(bx, by);
    const CGPoint center{x1 + bx / lb * toCenter, y1 + by / lb * toCenter};
    CGPathAddLineToPoint(path, m, t1.x, t1.y);
    CGPathElementData arc;
    arc.type = kCGPathElementAddArc;
    arc.center = center;
    arc.radius = radius;
    arc.startAngle = std::atan2(t1.y - center.y, t1.x - center.x);
    arc.endAngle = std::atan2(t2.y - center.y, t2.x - center.x);
    // Turning left (p0 -> p1 -> p2 counter-clockwise) draws a counter-clockwise arc.
    arc.clockwise = ((x1 - p0.x) * vy - (y1 - p0.y) * vx) < 0;
    arc.points[0] = t2;
    if (m) {
        // A mapped arc is no longer a circle in general: keep it as curves.
        std::vector<CGPathElementData> curves;
        appendArcAsCurves(curves, arc);
        for (CGPathElementData& curve : curves) {
            for (CGPoint& point : curve.points)
                point = CGPointApplyAffineTransform(point, *m);
            path->elements.push_back(curve);
        }
        path->current = CGPointApplyAffineTransform(t2, *m);
        return;
    }
    path->elements.push_back(arc);
    path->current = t2;
}

void CGPathCloseSubpath(CGMutablePathRef path) {
    if (!path || path->elements.empty())
        return;
    CGPathElementData close;
    close.type = kCGPathElementCloseSubpath;
    path->elements.push_back(close);
    path->current = path->subpathStart;
}

void CGPathAddPath(CGMutablePathRef path, const CGAffineTransform* m, CGPathRef other) {
    if (!path || !other)
        return;
    CGPathRef source = m ? CGPathCreateCopyByTransformingPath(other, m) : CGPathRetain(other);
    path->elements.insert(path->elements.end(), source->elements.begin(), source->elements.end());
    path->current = source->current;
    path->subpathStart = source->subpathStart;
    CGPathRelease(source);
}

bool CGPathIsEmpty(CGPathRef path) {
    return !path || path->elements.empty();
}

CGPoint CGPathGetCurrentPoint(CGPathRef path) {
    return path ? path->current : CGPoint{};
}

std::size_t CGPathGetElementCount(CGPathRef path) {
    return path ? path->elements.size() : 0;
}

CGPathElementData CGPathGetElementAt(CGPathRef path, std::size_t index) {
    if (!path || index >= path->elements.size())
        return CGPathElementData{};
    return path->elements[index];
}

CGRect CGPathGetBoundingBox(CGPathRef path) {
    CGRect box;
    bool empty = true;
    if (!path)
        return box;
    std::vector<CGPathElementData> flat;
    for (const CGPathElementData& element : path->elements) {
        if (element.type == kCGPathElementAddArc)
            appendArcAsCurves(flat, element);
        else
            flat.push_back(element);
    }
    for (const CGPathElementData& element : flat) {
        if (element.type == kCGPathElementMoveToPoint ||
            element.type == kCGPathElementAddLineToPoint)
            extend(box, empty, element.points[0]);
        else if (element.type == kCGPathElementAddCurveToPoint)
            for (const CGPoint& point : element.points)
                extend(box, empty, point);
    }
    return box;
}
