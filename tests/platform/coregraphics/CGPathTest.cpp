// Paths: tangent arcs computed exactly, transformed copies and recorded geometry.

#include "platform/coregraphics/CGPath.h"
#include "platform/coregraphics/CGRecordingContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

TEST(CGPath, ArcToPointMeetsBothLinesAtTheTangentPointsOrIsALine) {
    // A corner of 60 degrees: the tangent length is r / tan(30 degrees).
    CGMutablePathRef path = CGPathCreateMutable();
    CGPathMoveToPoint(path, nullptr, 0, 0);
    const double angle = std::numbers::pi / 3;
    const double x2 = 10 + 10 * std::cos(std::numbers::pi - angle);
    const double y2 = 10 * std::sin(std::numbers::pi - angle);
    CGPathAddArcToPoint(path, nullptr, 10, 0, x2, y2, 2);
    ASSERT_EQ(CGPathGetElementCount(path), 3u);
    const double tangent = 2 / std::tan(angle / 2);
    const CGPathElementData line = CGPathGetElementAt(path, 1);
    EXPECT_EQ(line.type, kCGPathElementAddLineToPoint);
    EXPECT_NEAR(line.points[0].x, 10 - tangent, 1e-9);
    EXPECT_NEAR(line.points[0].y, 0, 1e-9);
    const CGPathElementData arc = CGPathGetElementAt(path, 2);
    EXPECT_EQ(arc.type, kCGPathElementAddArc);
    EXPECT_NEAR(arc.center.x, 10 - tangent, 1e-9);
    EXPECT_NEAR(arc.center.y, 2, 1e-9);
    EXPECT_FALSE(arc.clockwise) << "a left turn runs counter-clockwise";
    const CGPoint end = CGPathGetCurrentPoint(path);
    EXPECT_NEAR(end.x, 10 + tangent * std::cos(std::numbers::pi - angle), 1e-9);
    EXPECT_NEAR(end.y, tangent * std::sin(std::numbers::pi - angle), 1e-9);
    EXPECT_NEAR(std::hypot(end.x - arc.center.x, end.y - arc.center.y), 2, 1e-9);
    CGPathRelease(path);

    // Degenerate arcs become lines.
    path = CGPathCreateMutable();
    CGPathMoveToPoint(path, nullptr, 0, 0);
    CGPathAddArcToPoint(path, nullptr, 5, 0, 10, 0, 1); // collinear
    CGPathAddArcToPoint(path, nullptr, 5, 5, 0, 5, 0);  // zero radius
    ASSERT_EQ(CGPathGetElementCount(path), 3u);
    EXPECT_EQ(CGPathGetElementAt(path, 1).type, kCGPathElementAddLineToPoint);
    EXPECT_EQ(CGPathGetElementAt(path, 2).type, kCGPathElementAddLineToPoint);
    CGPathRelease(path);
}

TEST(CGPath, TransformedCopyTurnsArcsIntoCurvesOnTheScaledEllipse) {
    CGMutablePathRef path = CGPathCreateMutable();
    CGPathMoveToPoint(path, nullptr, 1, 0);
    CGPathAddArcToPoint(path, nullptr, 1, 1, 0, 1, 1);
    const CGAffineTransform scale = CGAffineTransformMakeScale(4, 2);
    CGPathRef copy = CGPathCreateCopyByTransformingPath(path, &scale);
    const CGPathElementData last = CGPathGetElementAt(copy, CGPathGetElementCount(copy) - 1);
    EXPECT_EQ(last.type, kCGPathElementAddCurveToPoint);
    EXPECT_NEAR(last.points[2].x, 0, 1e-9);
    EXPECT_NEAR(last.points[2].y, 2, 1e-9);
    const CGRect box = CGPathGetBoundingBox(copy);
    EXPECT_NEAR(CGRectGetMaxX(box), 4, 1e-9);
    EXPECT_NEAR(CGRectGetMaxY(box), 2, 1e-9);
    CGPathRelease(copy);
    CGPathRelease(path);
}

TEST(CGRecordingContext, KeepsEveryCallWithItsArgumentsAndTransform) {
    CGContextRef context = CGContextCreateRecording();
    CGContextSaveGState(context);
    CGContextTranslateCTM(context, 5, 7);
    CGContextScaleCTM(context, 2, 3);
    CGContextFillRect(context, CGRectMake(1, 2, 3, 4));
    CGContextRestoreGState(context);
    const auto fills = CGContextCopyRecordedCallsNamed(context, "CGContextFillRect");
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].args, (std::vector<CGFloat>{1, 2, 3, 4}));
    const CGPoint corner = CGPointApplyAffineTransform(CGPoint{1, 2}, fills[0].ctm);
    EXPECT_DOUBLE_EQ(corner.x, 7);
    EXPECT_DOUBLE_EQ(corner.y, 13);
    EXPECT_EQ(CGContextCopyRecordedCalls(context).size(), 5u);
    EXPECT_EQ(CGContextGetGStateDepth(context), 0);
    CGContextRelease(context);
}

} // namespace
