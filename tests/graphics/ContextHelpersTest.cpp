// PDF pages drawn into a rectangle, the masked gradient and the resource lookup.

#include "graphics/namespace_CoreGraphics_Context.h"
#include "graphics/namespace_CoreGraphics_ImageData.h"
#include "platform/corefoundation/CFBundle.h"
#include "platform/corefoundation/CFString.h"
#include "platform/corefoundation/CFURL.h"
#include "platform/coregraphics/CGRecordingContext.h"

#include "common/DrawingSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace CoreGraphics;

namespace {

using lumenreel::test::blankPicture;
using lumenreel::test::fileURL;
using lumenreel::test::writeFilledPdf;

TEST(CGContextDrawPDF, PageIsFittedIntoTheRectangleAndTheStateKeptAndNothingElseIsDrawn) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("square.pdf"));
    writeFilledPdf(path, QSizeF(50, 50), Qt::green);
    CFURLRef url = fileURL(path);
    QImage image = blankPicture(40, 20);
    CGContextRef context = CGBitmapContextCreateWithImage(&image);
    CGContextDrawPDF(context, url, CGRectMake(0, 0, 40, 20), CGSizeMake(1, 1));
    EXPECT_EQ(CGContextGetGStateDepth(context), 0);
    CGContextRelease(context);
    // A square page in a 40 x 20 rectangle: 20 x 20, centred (x 10..30).
    EXPECT_EQ(image.pixelColor(20, 10), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(11, 10).green(), 255);
    EXPECT_EQ(image.pixelColor(7, 10).alpha(), 0);
    EXPECT_EQ(image.pixelColor(33, 10).alpha(), 0);
    CFRelease(url);

    // Nothing that is not a PDF changes the context. Which files open as documents is the
    // platform tests' matter; a missing one is enough here.
    url = fileURL(folder.filePath(QStringLiteral("missing.pdf")));
    context = CGContextCreateRecording();
    CGContextTranslateCTM(context, 3, 4);
    CGContextDrawPDF(context, url, CGRectMake(0, 0, 10, 10), CGSizeMake(1, 1));
    CGContextDrawPDF(context, nullptr, CGRectMake(0, 0, 10, 10), CGSizeMake(1, 1));
    // Every change of state is a recorded call.
    EXPECT_EQ(CGContextCopyRecordedCalls(context).size(), 1u) << "only the translation";
    CGContextRelease(context);
    CFRelease(url);
}

TEST(CGContextDrawMaskedLinearGradient, RunsFromTheFirstGreyAtTheTopToTheLastAtTheBottom) {
    QImage maskPixels(10, 10, QImage::Format_Grayscale8);
    maskPixels.fill(Qt::white);
    CGImageRef mask = CGImageCreateWithQImage(maskPixels);
    CGContextRef context = CGContextCreateRecording();
    EXPECT_FALSE(
        CGContextDrawMaskedLinearGradient(context, CGRectMake(0, 0, 10, 10), nullptr, 0, 1));
    EXPECT_FALSE(CGContextDrawMaskedLinearGradient(nullptr, CGRectMake(0, 0, 10, 10), mask, 0, 1));
    EXPECT_TRUE(CGContextCopyRecordedCalls(context).empty());
    CGContextRelease(context);

    QImage image = blankPicture(10, 10);
    context = CGBitmapContextCreateWithImage(&image);
    EXPECT_TRUE(
        CGContextDrawMaskedLinearGradient(context, CGRectMake(0, 0, 10, 10), mask, 0.2, 0.8));
    CGContextRelease(context);
    EXPECT_NEAR(image.pixelColor(5, 0).redF(), 0.2, 0.05) << "top row";
    EXPECT_NEAR(image.pixelColor(5, 9).redF(), 0.8, 0.05) << "bottom row";
    EXPECT_EQ(image.pixelColor(5, 5).alpha(), 255);
    CGImageRelease(mask);
}

TEST(ImageDataResourceURL, FindsResourcesOfTheMainBundleByNameAndType) {
    QTemporaryDir folder;
    QDir(folder.path()).mkpath(QStringLiteral("Resources"));
    writeFilledPdf(folder.filePath(QStringLiteral("Resources/badge.pdf")), QSizeF(50, 50),
                   Qt::green);
    CFBundleSetMainBundleFolder(folder.path().toUtf8().constData());
    const CFStringRef pdf = CFSTR("pdf");
    CFURLRef found = ImageData::ResourceURL("badge", pdf);
    ASSERT_NE(found, nullptr);
    CFRelease(found);
    EXPECT_EQ(ImageData::ResourceURL("\xff\xfe", pdf), nullptr) << "not UTF-8";
    EXPECT_EQ(ImageData::ResourceURL(static_cast<const char*>(nullptr), pdf), nullptr);
    CFBundleSetMainBundleFolder(nullptr);
}

} // namespace
