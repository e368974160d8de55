// The lozenge's segment, width and caps.

#include "interface/UICocoaViews/NSUIDrawContentHelpers.h"
#include "platform/coregraphics/CGRecordingContext.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const float kGrey[3] = {0.75f, 0.75f, 0.75f};

struct Lozenge {
    std::vector<CGRecordedCall> widths, segments, ellipses;
    int depth = 0;
};

Lozenge drawLozenge(const CGRect& rect) {
    CGContextRef context = CGContextCreateRecording();
    NSUIDrawLozenge(context, rect, kGrey, 0.8f);
    Lozenge result{CGContextCopyRecordedCallsNamed(context, "CGContextSetLineWidth"),
                   CGContextCopyRecordedCallsNamed(context, "CGContextStrokeLineSegments"),
                   CGContextCopyRecordedCallsNamed(context, "CGContextFillEllipseInRect"),
                   CGContextGetGStateDepth(context)};
    const auto caps = CGContextCopyRecordedCallsNamed(context, "CGContextSetLineCap");
    if (!result.segments.empty()) {
        EXPECT_EQ(caps.size(), 1u);
        EXPECT_EQ(caps[0].args[0], kCGLineCapRound);
    }
    CGContextRelease(context);
    return result;
}

TEST(NSUIDrawLozenge, WideRectangleIsOneRoundCappedStrokeAsHighAsTheInsetRectangle) {
    const Lozenge wide = drawLozenge(CGRectMake(0, 0, 100, 22));
    ASSERT_EQ(wide.segments.size(), 1u);
    EXPECT_EQ(wide.widths[0].args[0], 20);
    EXPECT_EQ(wide.segments[0].args, (std::vector<CGFloat>{10, 11, 90, 11}));
    EXPECT_EQ(wide.depth, 0);

    const Lozenge square = drawLozenge(CGRectMake(0, 0, 22, 22));
    ASSERT_EQ(square.segments.size(), 1u) << "inset to 22 x 20: still wider than high";
    EXPECT_EQ(square.widths[0].args[0], 20);
    EXPECT_EQ(square.segments[0].args, (std::vector<CGFloat>{10, 11, 12, 11}));

    const Lozenge tall = drawLozenge(CGRectMake(5, 0, 10, 42));
    ASSERT_EQ(tall.segments.size(), 1u);
    EXPECT_EQ(tall.widths[0].args[0], 10);
    EXPECT_EQ(tall.segments[0].args, (std::vector<CGFloat>{10, 6, 10, 36}));
}

TEST(NSUIDrawLozenge, SquareInsetRectangleIsAFilledCircle) {
    const Lozenge circle = drawLozenge(CGRectMake(0, 0, 22, 24));
    EXPECT_TRUE(circle.segments.empty());
    ASSERT_EQ(circle.ellipses.size(), 1u);
    EXPECT_EQ(circle.ellipses[0].args, (std::vector<CGFloat>{0, 1, 22, 22}));
}

TEST(NSUIDrawLozenge, FlatOrMalformedRectanglesDrawNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const CGRect& rect :
         {CGRectMake(0, 0, 100, 2), CGRectMake(0, 0, 100, 1), CGRectMake(0, 0, nan, 22),
          CGRectMake(0, 0, 100, nan), CGRectMake(nan, 0, 100, 22), CGRectMake(0, 0, inf, 22)}) {
        CGContextRef context = CGContextCreateRecording();
        NSUIDrawLozenge(context, rect, kGrey, 1);
        EXPECT_TRUE(CGContextCopyRecordedCalls(context).empty());
        CGContextRelease(context);
    }
}

} // namespace
