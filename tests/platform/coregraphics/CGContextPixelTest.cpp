// Drawing into real images: the y-up origin, fills, strokes, masks, shadings and PDF pages.

#include "platform/corefoundation/CFURL.h"
#include "platform/coregraphics/CGContext.h"

#include "common/DrawingSupport.h"
#include "common/TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using lumenreel::test::blankPicture;
using lumenreel::test::fileURL;
using lumenreel::test::yUp;

// Colour components out of range are clamped: this is red.
TEST(CGContextPixels, FillRectAtTheOriginColoursTheBottomLeftPixels) {
    QImage image = blankPicture(40, 30);
    CGContextRef context = CGBitmapContextCreateWithImage(&image);
    ASSERT_NE(context, nullptr);
    CGContextSetRGBFillColor(context, 2, -1, std::numeric_limits<double>::quiet_NaN(), 5);
    CGContextFillRect(context, CGRectMake(0, 0, 10, 10));
    CGContextRelease(context);
    EXPECT_EQ(yUp(image, 0, 0), QColor(255, 0, 0));
    EXPECT_EQ(yUp(image, 9, 9), QColor(255, 0, 0));
    EXPECT_EQ(yUp(image, 10, 10).alpha(), 0);
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << "the top-left pixel stays empty";
}

TEST(CGContextPixels, StrokedSegmentIsABandOfTheLineWidthWithRoundCaps) {
    QImage image = blankPicture(100, 40);
    CGContextRef context = CGBitmapContextCreateWithImage(&image);
    CGContextSetRGBStrokeColor(context, 0, 0, 1, 1);
    CGContextSetLineWidth(context, 10);
    CGContextSetLineCap(context, kCGLineCapRound);
    const CGPoint points[] = {{20, 20}, {80, 20}};
    CGContextStrokeLineSegments(context, points, 2);
    CGContextRelease(context);
    EXPECT_EQ(yUp(image, 50, 16).blue(), 255);
    EXPECT_EQ(yUp(image, 50, 23).blue(), 255);
    EXPECT_EQ(yUp(image, 50, 13).alpha(), 0);
    EXPECT_EQ(yUp(image, 50, 26).alpha(), 0);
    EXPECT_EQ(yUp(image, 16, 20).blue(), 255) << "round cap beyond the end";
    EXPECT_EQ(yUp(image, 16, 24).alpha(), 0) << "but not its corner";
}

TEST(CGContextPixels, SavedStateBringsBackColoursAndTransform) {
    QImage image = blankPicture(20, 20);
    CGContextRef context = CGBitmapContextCreateWithImage(&image);
    CGContextSetRGBFillColor(context, 0, 1, 0, 1);
    CGContextSaveGState(context);
    CGContextTranslateCTM(context, 10, 10);
    CGContextSetRGBFillColor(context, 1, 0, 0, 1);
    EXPECT_EQ(CGContextGetGStateDepth(context), 1);
    CGContextRestoreGState(context);
    CGContextRestoreGState(context); // one too many: ignored
    EXPECT_EQ(CGContextGetGStateDepth(context), 0);
    EXPECT_TRUE(
        CGAffineTransformEqualToTransform(CGContextGetCTM(context), CGAffineTransformIdentity));
    CGContextFillRect(context, CGRectMake(0, 0, 5, 5));
    CGContextRelease(context);
    EXPECT_EQ(yUp(image, 2, 2), QColor(0, 255, 0));
}

TEST(CGContextPixels, MaskedShadingChangesMonotonicallyAndStaysInsideTheMask) {
    QImage image = blankPicture(40, 60);
    CGContextRef context = CGBitmapContextCreateWithImage(&image);
    // The mask covers its left half only (top row first, as images are stored).
    QImage maskPixels(20, 50, QImage::Format_Grayscale8);
    maskPixels.fill(Qt::black);
    QPainter(&maskPixels).fillRect(0, 0, 10, 50, Qt::white);
    CGImageRef mask = CGImageCreateWithQImage(maskPixels);
    CGFunctionCallbacks callbacks;
    callbacks.evaluate = [](void*, const CGFloat* in, CGFloat* out) {
        out[0] = out[1] = out[2] = in[0];
        out[3] = 1;
    };
    const CGFloat domain[] = {0, 1}, range[] = {0, 1, 0, 1, 0, 1, 0, 1};
    CGFunctionRef function = CGFunctionCreate(nullptr, 1, domain, 4, range, &callbacks);
    CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceSRGB);
    CGShadingRef shading = CGShadingCreateAxial(space, CGPointMake(10, 55), CGPointMake(10, 5),
                                                function, false, false);
    ASSERT_NE(shading, nullptr);
    CGContextSaveGState(context);
    CGContextClipToMask(context, CGRectMake(10, 5, 20, 50), mask);
    CGContextDrawShading(context, shading);
    CGContextRestoreGState(context);
    CGContextRelease(context);
    int previous = -1;
    for (int y = 54; y >= 6; y -= 4) {
        const QColor inside = yUp(image, 14, y);
        EXPECT_EQ(inside.alpha(), 255) << y;
        EXPECT_GE(inside.red(), previous) << "grey grows from the top edge down, y " << y;
        previous = inside.red();
        EXPECT_EQ(yUp(image, 25, y).alpha(), 0) << "masked-out half, y " << y;
        EXPECT_EQ(yUp(image, 5, y).alpha(), 0) << "left of the mask, y " << y;
    }
    EXPECT_EQ(yUp(image, 14, 2).alpha(), 0) << "below the mask";
    CGShadingRelease(shading);
    CGColorSpaceRelease(space);
    CGFunctionRelease(function);
    CGImageRelease(mask);
}

// Drawing a page through its transform is pinned by the PDF helper of the graphics tests.
TEST(CGContextPixels, PdfPageIsFittedAspectAndCentredAndOtherFilesOpenNothing) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("wide.pdf"));
    lumenreel::test::writeFilledPdf(path, QSizeF(200, 100), Qt::red);
    CFURLRef url = fileURL(path);
    CGPDFDocumentRef document = CGPDFDocumentCreateWithURL(url);
    ASSERT_NE(document, nullptr);
    CGPDFPageRef page = CGPDFDocumentGetPage(document, 1);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(CGPDFDocumentGetPage(document, 2), nullptr);
    const CGAffineTransform fit =
        CGPDFPageGetDrawingTransform(page, kCGPDFMediaBox, CGRectMake(0, 0, 100, 100), 0, true);
    EXPECT_TRUE(
        CGAffineTransformEqualToTransform(fit, CGAffineTransformMake(0.5, 0, 0, 0.5, 0, 25)));
    CGPDFDocumentRelease(document);
    CFRelease(url);

    // Files that are not PDF open nothing.
    const QString notPdf = folder.filePath(QStringLiteral("not.pdf"));
    lumenreel::test::writeTestFile(notPdf, "%PDF-1.4 this is no document");
    url = fileURL(notPdf);
    EXPECT_EQ(CGPDFDocumentCreateWithURL(url), nullptr);
    CFRelease(url);
    CFURLRef missing = fileURL(folder.filePath(QStringLiteral("missing.pdf")));
    EXPECT_EQ(CGPDFDocumentCreateWithURL(missing), nullptr);
    CFRelease(missing);
    EXPECT_EQ(CGPDFDocumentCreateWithURL(nullptr), nullptr);
}

} // namespace
