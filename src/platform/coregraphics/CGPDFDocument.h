#pragma once

#include "platform/corefoundation/CFBase.h"
#include "platform/coregraphics/CGGeometry.h"

#include <cstddef>

class QImage;
class QSize;

// PDF documents read through Qt Pdf. A document is reference-counted; its pages belong to it.

struct CGPDFDocument;
using CGPDFDocumentRef = CGPDFDocument*;
struct CGPDFPage;
using CGPDFPageRef = CGPDFPage*;

enum CGPDFBox {
    kCGPDFMediaBox = 0,
    kCGPDFCropBox = 1,
    kCGPDFBleedBox = 2,
    kCGPDFTrimBox = 3,
    kCGPDFArtBox = 4,
};

// nullptr for nullptr, a URL that is not a file, or a file that is not a readable PDF.
CGPDFDocumentRef CGPDFDocumentCreateWithURL(CFURLRef url);
CGPDFDocumentRef CGPDFDocumentRetain(CGPDFDocumentRef document);
// Accepts nullptr.
void CGPDFDocumentRelease(CGPDFDocumentRef document);
std::size_t CGPDFDocumentGetNumberOfPages(CGPDFDocumentRef document);
// Page `pageNumber`, counted from 1; nullptr when there is none.
CGPDFPageRef CGPDFDocumentGetPage(CGPDFDocumentRef document, std::size_t pageNumber);

// Every box is the page's media box at the origin, in points.
CGRect CGPDFPageGetBoxRect(CGPDFPageRef page, CGPDFBox box);
// The transform that maps the box into `rect`: with `preserveAspectRatio` scaled by the smaller
// of the two ratios and centred, otherwise stretched. `rotate` is ignored (pages are upright).
CGAffineTransform CGPDFPageGetDrawingTransform(CGPDFPageRef page, CGPDFBox box, CGRect rect,
                                               int rotate, bool preserveAspectRatio);
// The page as pixels of `size` (transparent where the page draws nothing), top row first.
QImage CGPDFPageRenderImage(CGPDFPageRef page, const QSize& size);
