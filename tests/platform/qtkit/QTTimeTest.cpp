#include "platform/qtkit/QTTime.h"

#include <gtest/gtest.h>

TEST(QTTimeTest, TextFormAndExactComparisonAcrossScales) {
    EXPECT_EQ(QTStringFromTimeRange(QTMakeTimeRange(QTZeroTime, QTMakeTime(19980, 600))),
              "0:00:00:00.00/1~0:00:00:33.180/600");
    EXPECT_EQ(QTStringFromTime(QTMakeTime(600LL * 90061 + 5, 600)), "1:01:01:01.05/600");
    EXPECT_EQ(QTTimeCompare(QTMakeTime(20, 600), QTMakeTime(1, 30)), 0);
    EXPECT_LT(QTTimeCompare(QTMakeTime(1469, 44100), QTMakeTime(20, 600)), 0);
    EXPECT_EQ(QTMakeTimeScaled(QTMakeTime(1, 30), 600).timeValue, 20);
    EXPECT_EQ(QTMakeTimeScaled(QTMakeTime(1, 7), 600).timeValue, 86);
}
