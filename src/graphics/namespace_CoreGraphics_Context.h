#pragma once

#include "platform/corefoundation/CFBase.h"
#include "platform/coregraphics/CGContext.h"

namespace CoreGraphics {

// Fills a rounded rectangle on `rect` with the context's fill colour, and with a line width
// above 0 strokes it with the stroke colour. The corner value is read by RoundRectRadius.
void CGContextDrawRoundRect(CGContextRef context, const CGRect& rect, CGFloat lineWidth,
                            CGFloat corner);

// Draws page 1 of the PDF file at `url` fitted into `rect` with its aspect ratio kept and
// centred, scaled further by (scale.width, scale.height). A null URL, a file that is not a PDF
// or a document without pages draws nothing and leaves the context as it was.
void CGContextDrawPDF(CGContextRef context, CFURLRef url, const CGRect& rect, CGSize scale);

// Fills `rect` through `mask` (laid over the rectangle) with a grey gradient from `firstGrey`
// at the top edge to `lastGrey` at the bottom edge, opaque. False, drawing nothing, without a
// context or mask or when the shading cannot be made.
bool CGContextDrawMaskedLinearGradient(CGContextRef context, const CGRect& rect, CGImageRef mask,
                                       CGFloat firstGrey, CGFloat lastGrey);

} // namespace CoreGraphics
