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
    struct Row {
        CGRect rect;
        CGFloat width;
        std::vector<CGFloat> segment;
    };
    // 22 x 22 is inset to 22 x 20: still wider than high.
    const Row rows[] = {{CGRectMake(0, 0, 100, 22), 20, {10, 11, 90, 11}},
                        {CGRectMake(0, 0, 22, 22), 20, {10, 11, 12, 11}},
                        {CGRectMake(5, 0, 10, 42), 10, {10, 6, 10, 36}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rect.size.width);
        const Lozenge lozenge = drawLozenge(row.rect);
        ASSERT_EQ(lozenge.segments.size(), 1u);
        EXPECT_EQ(lozenge.widths[0].args[0], row.width);
        EXPECT_EQ(lozenge.segments[0].args, row.segment);
        EXPECT_EQ(lozenge.depth, 0);
    }
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
