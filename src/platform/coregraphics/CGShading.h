#pragma once

#include "platform/coregraphics/CGColorSpace.h"
#include "platform/coregraphics/CGGeometry.h"

#include <cstddef>

// Functions that shadings evaluate, and axial shadings: a colour that changes along the axis
// from a start point to an end point and is constant across it.

struct CGFunction;
using CGFunctionRef = const CGFunction*;
struct CGShading;
using CGShadingRef = const CGShading*;

using CGFunctionEvaluateCallback = void (*)(void* info, const CGFloat* in, CGFloat* out);
using CGFunctionReleaseInfoCallback = void (*)(void* info);

struct CGFunctionCallbacks {
    unsigned int version = 0;
    CGFunctionEvaluateCallback evaluate = nullptr;
    CGFunctionReleaseInfoCallback releaseInfo = nullptr;
};

// A function of one input in [domain[0], domain[1]] giving `rangeDimension` outputs (1 to 4),
// each clamped to [range[2i], range[2i+1]]. nullptr without an evaluation callback, for another
// input dimension, or without a domain or range.
CGFunctionRef CGFunctionCreate(void* info, std::size_t domainDimension, const CGFloat* domain,
                               std::size_t rangeDimension, const CGFloat* range,
                               const CGFunctionCallbacks* callbacks);
// Accepts nullptr; the last release hands the info to the releaseInfo callback.
void CGFunctionRelease(CGFunctionRef function);

// nullptr without a colour space or function, or when the function's outputs are not the
// space's components (with or without alpha).
CGShadingRef CGShadingCreateAxial(CGColorSpaceRef space, CGPoint start, CGPoint end,
                                  CGFunctionRef function, bool extendStart, bool extendEnd);
void CGShadingRelease(CGShadingRef shading);

CGPoint CGShadingGetStart(CGShadingRef shading);
CGPoint CGShadingGetEnd(CGShadingRef shading);
bool CGShadingExtendsStart(CGShadingRef shading);
bool CGShadingExtendsEnd(CGShadingRef shading);
// The colour at `t` in 0..1 along the axis (the domain's start at 0, its end at 1) as red, green,
// blue and alpha.
void CGShadingColorAt(CGShadingRef shading, CGFloat t, CGFloat out_rgba[4]);
