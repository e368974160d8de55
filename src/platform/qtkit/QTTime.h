#pragma once

#include <QMetaType>
#include <QString>

#include <cstdint>

// A time as a unit count at a number of units per second.
struct QTTime {
    std::int64_t timeValue = 0;
    std::int32_t timeScale = 1;
};

// A span of time: where it starts and how long it lasts.
struct QTTimeRange {
    QTTime time;
    QTTime duration;
};

Q_DECLARE_METATYPE(QTTime)
Q_DECLARE_METATYPE(QTTimeRange)

inline QTTime QTMakeTime(std::int64_t timeValue, std::int32_t timeScale) {
    return QTTime{timeValue, timeScale};
}
inline QTTimeRange QTMakeTimeRange(QTTime time, QTTime duration) {
    return QTTimeRange{time, duration};
}

// Time 0 (at scale 1).
extern const QTTime QTZeroTime;

// The time in seconds (0 for a non-positive scale).
double QTTimeInSeconds(QTTime time);

// `time` expressed at `timeScale`, rounded to the nearest unit.
QTTime QTMakeTimeScaled(QTTime time, std::int32_t timeScale);

// -1, 0 or 1 as `a` is earlier than, equal to or later than `b`; exact for any scales.
int QTTimeCompare(QTTime a, QTTime b);

// "0:00:00:00.00/600"-style text: days:hours:minutes:seconds.units/scale.
QString QTStringFromTime(QTTime time);
// "start~duration", each in the text form of QTStringFromTime.
QString QTStringFromTimeRange(QTTimeRange range);

// The range carried by an attribute value (QTTrackRangeAttribute); a zero range otherwise.
QTTimeRange QTTimeRangeValue(const QVariant& value);
