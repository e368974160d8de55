#include "graphics/namespace_CoreGraphics_Context.h"

#include "graphics/namespace_CoreGraphics_RoundRectPath.h"
#include "platform/coregraphics/CGColorSpace.h"

namespace CoreGraphics {

void CGContextDrawRoundRect(CGContextRef context, const CGRect& rect, CGFloat lineWidth,
                            CGFloat corner) {
    const CGFloat radius = RoundRectRadius(rect, corner);
    const RoundRectPath outline(CGRectMake(0, 0, CGRectGetWidth(rect), CGRectGetHeight(rect)),
                                radius, radius);
    outline.Draw(context, CGPointMake(CGRectGetMinX(rect), CGRectGetMinY(rect)), lineWidth);
}

void CGContextDrawPDF(CGContextRef context, CFURLRef url, const CGRect& rect, CGSize scale) {
    if (!context || !url)
        return;
    CGPDFDocumentRef document = CGPDFDocumentCreateWithURL(url);
    if (!document)
        return;
    if (CGPDFPageRef page = CGPDFDocumentGetPage(document, 1)) {
        const CGAffineTransform fit =
            CGPDFPageGetDrawingTransform(page, kCGPDFMediaBox, rect, 0, true);
        CGContextSaveGState(context);
        CGContextConcatCTM(context, CGAffineTransformMakeScale(scale.width, scale.height));
        CGContextConcatCTM(context, fit);
        CGContextDrawPDFPage(context, page);
        CGContextRestoreGState(context);
    }
    CGPDFDocumentRelease(document);
}

namespace {

// A grey of level t, opaque.
void sLinearGradientFn(void*, const CGFloat* in, CGFloat* out) {
    out[0] = out[1] = out[2] = in[0];
    out[3] = 1;
}

} // namespace

bool CGContextDrawMaskedLinearGradient(CGContextRef context, const CGRect& rect, CGImageRef mask,
                                       CGFloat firstGrey, CGFloat lastGrey) {
    if (!context || !mask)
        return false;
    const CGFloat domain[2] = {firstGrey, lastGrey};
    const CGFloat range[8] = {0, 1, 0, 1, 0, 1, 0, 1};
    CGFunctionCallbacks callbacks;
    callbacks.evaluate = &sLinearGradientFn;
    CGFunctionRef function = CGFunctionCreate(nullptr, 1, domain, 4, range, &callbacks);
    if (!function)
        return false;
    bool drawn = false;
    CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceSRGB);
    CGShadingRef shading =
        space ? CGShadingCreateAxial(space, CGPointMake(CGRectGetMinX(rect), CGRectGetMaxY(rect)),
                                     CGPointMake(CGRectGetMinX(rect), CGRectGetMinY(rect)),
                                     function, false, false)
              : nullptr;
    if (shading) {
        CGContextSaveGState(context);
        CGContextClipToMask(context, rect, mask);
        CGContextDrawShading(context, shading);
        CGContextRestoreGState(context);
        drawn = true;
    }
    CGShadingRelease(shading);
    CGColorSpaceRelease(space);
    CGFunctionRelease(function);
    return drawn;
}

} // namespace CoreGraphics
