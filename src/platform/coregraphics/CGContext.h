#pragma once

#include "platform/coregraphics/CGGeometry.h"
#include "platform/coregraphics/CGImage.h"
#include "platform/coregraphics/CGPDFDocument.h"
#include "platform/coregraphics/CGPath.h"
#include "platform/coregraphics/CGShading.h"

#include <cstddef>

class QImage;
class QPainter;

// Drawing contexts over QPainter, in a y-up space whose origin is the lower-left corner. A
// context keeps a graphics state (transform, colours, line width and cap, alpha, mask) that
// CGContextSaveGState pushes and CGContextRestoreGState pops, and a current path that
// CGContextAddPath fills and CGContextDrawPath, CGContextFillPath and CGContextStrokePath
// consume. Contexts are reference-counted; main thread only, like the painters beneath them.

struct CGContext;
using CGContextRef = CGContext*;

enum CGLineCap {
    kCGLineCapButt = 0,
    kCGLineCapRound = 1,
    kCGLineCapSquare = 2,
};

enum CGPathDrawingMode {
    kCGPathFill = 0,
    kCGPathEOFill = 1,
    kCGPathStroke = 2,
    kCGPathFillStroke = 3,
    kCGPathEOFillStroke = 4,
};

// A context drawing with `painter`, whose transform already maps the y-up space to the device
// (a view's painter). The painter must outlive the context; saved states still open when the
// context is freed are restored on the painter.
CGContextRef CGContextCreateWithPainter(QPainter* painter);
// A context drawing into `image` (which must outlive it): (0, 0) is the image's lower-left pixel
// and one unit is one pixel.
CGContextRef CGBitmapContextCreateWithImage(QImage* image);
CGContextRef CGContextRetain(CGContextRef context);
// Accepts nullptr.
void CGContextRelease(CGContextRef context);
// The painter beneath, or nullptr (a recording context).
QPainter* CGContextGetPainter(CGContextRef context);

void CGContextSaveGState(CGContextRef context);
// Does nothing when no state is saved.
void CGContextRestoreGState(CGContextRef context);
// How many states are saved.
int CGContextGetGStateDepth(CGContextRef context);

// The transform from user space to the space the context was made in.
CGAffineTransform CGContextGetCTM(CGContextRef context);
void CGContextTranslateCTM(CGContextRef context, CGFloat tx, CGFloat ty);
void CGContextScaleCTM(CGContextRef context, CGFloat sx, CGFloat sy);
// `transform` applied first, then the current transform.
void CGContextConcatCTM(CGContextRef context, CGAffineTransform transform);

// Components are clamped to 0..1; a component that is not a number counts as 0.
void CGContextSetRGBFillColor(CGContextRef context, CGFloat red, CGFloat green, CGFloat blue,
                              CGFloat alpha);
void CGContextSetRGBStrokeColor(CGContextRef context, CGFloat red, CGFloat green, CGFloat blue,
                                CGFloat alpha);
void CGContextSetAlpha(CGContextRef context, CGFloat alpha);
void CGContextSetLineWidth(CGContextRef context, CGFloat width);
void CGContextSetLineCap(CGContextRef context, CGLineCap cap);

// Strokes the segments (points[0], points[1]), (points[2], points[3]), ...
void CGContextStrokeLineSegments(CGContextRef context, const CGPoint* points, std::size_t count);
void CGContextFillRect(CGContextRef context, CGRect rect);
void CGContextFillEllipseInRect(CGContextRef context, CGRect rect);
// Replaces the pixels of `rect` with transparency.
void CGContextClearRect(CGContextRef context, CGRect rect);

void CGContextBeginPath(CGContextRef context);
void CGContextAddPath(CGContextRef context, CGPathRef path);
void CGContextDrawPath(CGContextRef context, CGPathDrawingMode mode);
void CGContextFillPath(CGContextRef context);
void CGContextStrokePath(CGContextRef context);

// Limits later drawing to the mask laid over `rect` (see CGImageMaskCoverage); the mask is part
// of the graphics state.
void CGContextClipToMask(CGContextRef context, CGRect rect, CGImageRef mask);
void CGContextDrawShading(CGContextRef context, CGShadingRef shading);
// Draws `image` upright into `rect`.
void CGContextDrawImage(CGContextRef context, CGRect rect, CGImageRef image);
// Draws the page's media box at its own size with its lower-left corner at the origin.
void CGContextDrawPDFPage(CGContextRef context, CGPDFPageRef page);
