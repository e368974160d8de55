// Rounded outlines: corner values, the unit-space outline against its analytic tangent points,
// where the shape lands and how wide its stroke is.

#include "graphics/namespace_CoreGraphics_Context.h"
#include "graphics/namespace_CoreGraphics_RoundRectPath.h"
#include "platform/coregraphics/CGRecordingContext.h"

#include "common/DrawingSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

using namespace CoreGraphics;
using lumenreel::test::yUp;

namespace {

// Values below one are fractions of the shorter side, others points; clamped to half the shorter
// side, and values that are no length give zero.
TEST(RoundRectRadius, CornerValues) {
    const std::pair<double, double> rows[] = {
        {0.25, 10}, {10, 10}, {1.0, 1},
        {0, 0},     {-3, 0},  {std::numeric_limits<double>::quiet_NaN(), 0}};
    for (const auto& [corner, radius] : rows)
        EXPECT_DOUBLE_EQ(RoundRectRadius(CGRectMake(0, 0, 100, 40), corner), radius) << corner;
    EXPECT_DOUBLE_EQ(RoundRectRadius(CGRectMake(0, 0, 100, 100), 0.25), 25);
    EXPECT_DOUBLE_EQ(RoundRectRadius(CGRectMake(0, 0, 100, 12), 10), 6);
}

TEST(RoundRectPath, UnitOutlineRunsCounterClockwiseThroughTheTangentPoints) {
    const RoundRectPath outline(CGRectMake(3, 4, 100, 40), 10, 10);
    EXPECT_DOUBLE_EQ(outline.unitWidth(), 10);
    EXPECT_DOUBLE_EQ(outline.unitHeight(), 4);
    CGPathRef path = outline.path();
    ASSERT_EQ(CGPathGetElementCount(path), 10u);
    const auto near = [](CGPoint a, CGPoint b) {
        return std::abs(a.x - b.x) < 1e-9 && std::abs(a.y - b.y) < 1e-9;
    };
    const CGPathElementData start = CGPathGetElementAt(path, 0);
    EXPECT_EQ(start.type, kCGPathElementMoveToPoint);
    EXPECT_PRED2(near, start.points[0], CGPointMake(10, 2));
    // Each corner: the line's end (first tangent point), the arc's centre and its end.
    struct Corner {
        CGPoint lineEnd, center, arcEnd;
    };
    const Corner corners[] = {{{10, 3}, {9, 3}, {9, 4}},
                              {{1, 4}, {1, 3}, {0, 3}},
                              {{0, 1}, {1, 1}, {1, 0}},
                              {{9, 0}, {9, 1}, {10, 1}}};
    for (int i = 0; i < 4; ++i) {
        const CGPathElementData line = CGPathGetElementAt(path, 1 + 2 * i);
        const CGPathElementData arc = CGPathGetElementAt(path, 2 + 2 * i);
        ASSERT_EQ(line.type, kCGPathElementAddLineToPoint) << i;
        ASSERT_EQ(arc.type, kCGPathElementAddArc) << i;
        EXPECT_PRED2(near, line.points[0], corners[i].lineEnd) << i;
        EXPECT_PRED2(near, arc.center, corners[i].center) << i;
        EXPECT_PRED2(near, arc.points[0], corners[i].arcEnd) << i;
        EXPECT_DOUBLE_EQ(arc.radius, 1);
        EXPECT_FALSE(arc.clockwise) << i;
    }
    EXPECT_EQ(CGPathGetElementAt(path, 9).type, kCGPathElementCloseSubpath);
}

TEST(RoundRectPath, DrawLandsOnItsRectangleFillsOnlyWithoutWidthAndStrokesInPoints) {
    CGContextRef context = CGContextCreateRecording();
    CGContextDrawRoundRect(context, CGRectMake(5, 5, 50, 20), 0, 0.25);
    CGContextDrawRoundRect(context, CGRectMake(5, 5, 50, 20), 3, 0.25);
    CGContextDrawRoundRect(context, CGRectMake(5, 5, 50, 20), 0, 0.0);
    const auto paths = CGContextCopyRecordedCallsNamed(context, "CGContextAddPath");
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_EQ(paths[2].path.size(), 5u) << "no radius: the plain rectangle";
    for (const auto& added : paths) {
        EXPECT_DOUBLE_EQ(added.ctm.a, 1) << "the context is not scaled";
        EXPECT_DOUBLE_EQ(added.ctm.d, 1);
        double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
        for (const auto& element : added.path)
            if (element.type == kCGPathElementAddCurveToPoint ||
                element.type == kCGPathElementAddLineToPoint) {
                const CGPoint at = element.type == kCGPathElementAddLineToPoint ? element.points[0]
                                                                                : element.points[2];
                const CGPoint p = CGPointApplyAffineTransform(at, added.ctm);
                minX = std::min(minX, p.x), minY = std::min(minY, p.y);
                maxX = std::max(maxX, p.x), maxY = std::max(maxY, p.y);
            }
        EXPECT_NEAR(minX, 5, 1e-9);
        EXPECT_NEAR(minY, 5, 1e-9);
        EXPECT_NEAR(maxX, 55, 1e-9);
        EXPECT_NEAR(maxY, 25, 1e-9);
    }
    const auto draws = CGContextCopyRecordedCallsNamed(context, "CGContextDrawPath");
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0].args[0], kCGPathFill);
    EXPECT_EQ(draws[1].args[0], kCGPathFillStroke);
    const auto widths = CGContextCopyRecordedCallsNamed(context, "CGContextSetLineWidth");
    ASSERT_EQ(widths.size(), 1u);
    EXPECT_EQ(widths[0].args[0], 3);
    EXPECT_EQ(CGContextGetGStateDepth(context), 0);
    CGContextRelease(context);
}

TEST(RoundRectPath, CornersAreEmptyOutsideTheArcAndTheStrokeIsItsWidth) {
    QImage image = lumenreel::test::blankPicture(60, 60);
    CGContextRef context = CGBitmapContextCreateWithImage(&image);
    CGContextSetRGBFillColor(context, 1, 0, 0, 1);
    CGContextSetRGBStrokeColor(context, 0, 0, 1, 1);
    CGContextDrawRoundRect(context, CGRectMake(10, 10, 40, 40), 4, 10);
    CGContextRelease(context);
    // Corner arc centred at (20, 20), radius 10: the band reaches 2 points either side.
    EXPECT_EQ(yUp(image, 10, 10).alpha(), 0) << "outside the arc and its band";
    EXPECT_EQ(yUp(image, 15, 15), QColor(255, 0, 0)) << "inside the arc";
    // Middle of the left edge (x = 10): blue from 8 to 12, red beyond, nothing before.
    EXPECT_EQ(yUp(image, 7, 30).alpha(), 0);
    EXPECT_EQ(yUp(image, 8, 30), QColor(0, 0, 255));
    EXPECT_EQ(yUp(image, 11, 30), QColor(0, 0, 255));
    EXPECT_EQ(yUp(image, 13, 30), QColor(255, 0, 0));
}

} // namespace
