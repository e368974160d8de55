#pragma once

#include "platform/appkitcore/NSGraphicsContext.h"
#include "platform/coregraphics/CGRecordingContext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumenreel::test {

// The calls `draw` makes on the current graphics context, which is a recording for its run.
// Every saved graphics state must have been restored by the end.
template <typename Draw>
std::vector<CGRecordedCall> recordDrawing(Draw draw) {
    CGContextRef port = CGContextCreateRecording();
    {
        NSGraphicsContext context(port);
        NSGraphicsContext::setCurrentContext(&context);
        draw();
        NSGraphicsContext::setCurrentContext(nullptr);
    }
    EXPECT_EQ(CGContextGetGStateDepth(port), 0);
    auto calls = CGContextCopyRecordedCalls(port);
    CGContextRelease(port);
    return calls;
}

// The arguments of the last call named `name`; empty when there was none.
inline std::vector<CGFloat> lastArguments(const std::vector<CGRecordedCall>& calls,
                                          const std::string& name) {
    std::vector<CGFloat> args;
    for (const CGRecordedCall& call : calls)
        if (call.name == name)
            args = call.args;
    return args;
}

} // namespace lumenreel::test
