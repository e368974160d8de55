#pragma once

#include "platform/coregraphics/CGContext.h"

#include <string>
#include <vector>

// A context that draws nothing and keeps every call made on it, with its arguments and the
// transform in force, so that tests can check geometry exactly.

struct CGRecordedCall {
    // The function's name, for example "CGContextFillRect".
    std::string name;
    // Its numeric arguments in order (a rectangle as x, y, width, height; points as x, y).
    std::vector<CGFloat> args;
    CGAffineTransform ctm;
    // For CGContextAddPath: the path's elements.
    std::vector<CGPathElementData> path;
};

CGContextRef CGContextCreateRecording();
// The calls so far; empty for a context that does not record.
std::vector<CGRecordedCall> CGContextCopyRecordedCalls(CGContextRef context);
// The calls named `name`.
std::vector<CGRecordedCall> CGContextCopyRecordedCallsNamed(CGContextRef context,
                                                            const std::string& name);
