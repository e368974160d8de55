#include "platform/appkitcore/NSBitmapImageRep.h"

#include <gtest/gtest.h>

TEST(NSBitmapImageRepTest, KeepsStraightAlphaPixelsTopRowFirst) {
    QImage source(2, 2, QImage::Format_ARGB32);
    source.setPixel(0, 0, qRgba(255, 0, 0, 128));
    source.setPixel(1, 1, qRgba(0, 0, 255, 255));
    NSRef<NSBitmapImageRep> rep = NSAdopt(new NSBitmapImageRep(source));
    ASSERT_EQ(rep->pixelsWide(), 2);
    ASSERT_EQ(rep->pixelsHigh(), 2);
    const unsigned char* first = rep->bitmapData();
    EXPECT_EQ(first[0], 255);
    EXPECT_EQ(first[3], 128);
    const unsigned char* last = rep->bitmapData() + rep->bytesPerRow() + 4;
    EXPECT_EQ(last[2], 255);
    EXPECT_EQ(last[3], 255);
}
