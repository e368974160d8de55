#pragma once

#include "platform/coregraphics/CGContext.h"

// Drawing routines of the colour views. Each keeps the context's graphics state as it found it.

// A bar with half-circle ends in `rect` inset by one point at the top and the bottom: one thick
// line with round caps along the longer side, or a circle when the inset rectangle is square.
// `rgb` points to red, green and blue. A rectangle 2 points high or less, or one whose sizes are
// not numbers, draws nothing.
void NSUIDrawLozenge(CGContextRef context, const CGRect& rect, const float* rgb, float alpha);

// A rounded rectangle on `rect` filled with the fill colour and, with a line width above 0,
// stroked that many points wide with the stroke colour; the corner value is read as by
// CoreGraphics::RoundRectRadius (below 1.0 a fraction of the shorter side, else points).
void NSUIDrawRoundRect(CGContextRef context, const CGRect& rect, float lineWidth, float corner);

int import_NSUIDrawContentHelpers();
