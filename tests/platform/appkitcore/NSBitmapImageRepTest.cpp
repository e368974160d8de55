#include "platform/appkitcore/NSBitmapImageRep.h"

#include <gtest/gtest.h>

#include <vector>

TEST(NSBitmapImageRepTest, KeepsStraightAlphaPixelsTopRowFirst) {
    QImage source(2, 2, QImage::Format_ARGB32);
    source.setPixel(0, 0, qRgba(255, 0, 0, 128));
    source.setPixel(1, 1, qRgba(0, 0, 255, 255));
    NSRef<NSBitmapImageRep> rep = NSAdopt(new NSBitmapImageRep(source));
    ASSERT_EQ(rep->pixelsWide(), 2);
    ASSERT_EQ(rep->pixelsHigh(), 2);
    const unsigned char* first = rep->bitmapData();
    EXPECT_EQ(std::vector(first, first + 4), (std::vector<unsigned char>{255, 0, 0, 128}));
    const unsigned char* last = rep->bitmapData() + rep->bytesPerRow() + 4;
    EXPECT_EQ(std::vector(last, last + 4), (std::vector<unsigned char>{0, 0, 255, 255}));
}
