#include "platform/qtkit/QTTime.h"

#include <QVariant>

#include <cstdlib>

const QTTime QTZeroTime{0, 1};

double QTTimeInSeconds(QTTime time) {
    return time.timeScale > 0 ? double(time.timeValue) / double(time.timeScale) : 0.0;
}

QTTime QTMakeTimeScaled(QTTime time, std::int32_t timeScale) {
    if (time.timeScale == timeScale || time.timeScale <= 0 || timeScale <= 0)
        return QTTime{time.timeValue, timeScale};
    const __int128 product = __int128(time.timeValue) * timeScale;
    const __int128 half = time.timeScale / 2;
    const __int128 rounded =
        product >= 0 ? (product + half) / time.timeScale : (product - half) / time.timeScale;
    return QTTime{std::int64_t(rounded), timeScale};
}

int QTTimeCompare(QTTime a, QTTime b) {
    const __int128 left = __int128(a.timeValue) * b.timeScale;
    const __int128 right = __int128(b.timeValue) * a.timeScale;
    return left < right ? -1 : (left > right ? 1 : 0);
}

QString QTStringFromTime(QTTime time) {
    const bool negative = time.timeValue < 0;
    const std::uint64_t value =
        negative ? std::uint64_t(0) - std::uint64_t(time.timeValue) : std::uint64_t(time.timeValue);
    const std::uint64_t scale = time.timeScale > 0 ? std::uint64_t(time.timeScale) : 1;
    std::uint64_t seconds = value / scale;
    const std::uint64_t units = value % scale;
    const std::uint64_t days = seconds / 86400;
    seconds %= 86400;
    return QStringLiteral("%1%2:%3:%4:%5.%6/%7")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(days)
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'))
        .arg(units, 2, 10, QLatin1Char('0'))
        .arg(time.timeScale);
}

QString QTStringFromTimeRange(QTTimeRange range) {
    return QTStringFromTime(range.time) + QLatin1Char('~') + QTStringFromTime(range.duration);
}

QTTimeRange QTTimeRangeValue(const QVariant& value) {
    return value.canConvert<QTTimeRange>() ? value.value<QTTimeRange>() : QTTimeRange{};
}
