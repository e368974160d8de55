// The lozenge's segment, width and caps.

#include "interface/UICocoaViews/NSUIDrawContentHelpers.h"
#include "platform/coregraphics/CGRecordingContext.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

const float kGrey[3] = {0.75f, 0.75f, 0.75f};

// The line cap, line width, stroked segments and filled circles of a lozenge drawn in `rect`, as
// "name arguments" texts in that order; the drawing leaves the graphics state as it found it.
std::vector<std::string> drawLozenge(const CGRect& rect) {
    CGContextRef context = CGContextCreateRecording();
    NSUIDrawLozenge(context, rect, kGrey, 0.8f);
    std::vector<std::string> drawn;
    for (const char* name : {"CGContextSetLineCap", "CGContextSetLineWidth",
                             "CGContextStrokeLineSegments", "CGContextFillEllipseInRect"})
        for (const CGRecordedCall& call : CGContextCopyRecordedCallsNamed(context, name)) {
            std::ostringstream text;
            text << name;
            for (CGFloat arg : call.args)
                text << ' ' << arg;
            drawn.push_back(text.str());
        }
    EXPECT_EQ(CGContextGetGStateDepth(context), 0);
    CGContextRelease(context);
    return drawn;
}

using Drawn = std::vector<std::string>;

TEST(NSUIDrawLozenge, WideOrTallRectangleIsOneRoundCappedStrokeSquareIsAFilledCircle) {
    EXPECT_EQ(drawLozenge(CGRectMake(0, 0, 100, 22)),
              (Drawn{"CGContextSetLineCap 1", "CGContextSetLineWidth 20",
                     "CGContextStrokeLineSegments 10 11 90 11"}));
    // Inset to 22 x 20: still wider than high.
    EXPECT_EQ(drawLozenge(CGRectMake(0, 0, 22, 22)),
              (Drawn{"CGContextSetLineCap 1", "CGContextSetLineWidth 20",
                     "CGContextStrokeLineSegments 10 11 12 11"}));
    EXPECT_EQ(drawLozenge(CGRectMake(5, 0, 10, 42)),
              (Drawn{"CGContextSetLineCap 1", "CGContextSetLineWidth 10",
                     "CGContextStrokeLineSegments 10 6 10 36"}));

    // A square inset rectangle is a filled circle.
    EXPECT_EQ(drawLozenge(CGRectMake(0, 0, 22, 24)),
              (Drawn{"CGContextSetLineCap 1", "CGContextFillEllipseInRect 0 1 22 22"}));
}

TEST(NSUIDrawLozenge, FlatOrMalformedRectanglesDrawNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const CGRect& rect : {CGRectMake(0, 0, 100, 2), CGRectMake(0, 0, 100, nan),
                               CGRectMake(nan, 0, 100, 22), CGRectMake(0, 0, inf, 22)}) {
        CGContextRef context = CGContextCreateRecording();
        NSUIDrawLozenge(context, rect, kGrey, 1);
        EXPECT_TRUE(CGContextCopyRecordedCalls(context).empty());
        CGContextRelease(context);
    }
}

} // namespace
