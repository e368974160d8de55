#pragma once

#include <QSize>

#include <array>

class QDateTime;

// The date uniforms of a frame rendered `in_seconds` after `in_start` (local time): year,
// month, day and seconds since midnight of that moment, so that a job that runs past midnight
// moves to the next day instead of counting seconds past 86400. The month is 1 to 12 for ISF's
// DATE and 0 to 11 for Shadertoy's iDate, as their hosts give them.
enum class QCMonthBase { FromOne = 1, FromZero };
std::array<float, 4> QCDateUniform(const QDateTime& in_start, double in_seconds,
                                   QCMonthBase in_monthBase);

// What a frame's clock uniforms are made of.
struct QCFrameClock {
    double time = 0.0;      // seconds
    double delta = 0.0;     // to the previous frame's time; 0 on the first frame
    int frameIndex = 0;     // frames rendered before
    double frameRate = 0.0; // the job's frames per second; 0 when not known
};

// Sets the clock uniforms of the program in use: ISF's TIME, TIMEDELTA, FRAMEINDEX and DATE, or
// Shadertoy's iResolution, iTime, iGlobalTime, iTimeDelta, iFrame, iFrameRate, iDate and
// iChannelTime. iFrameRate is the job's rate; without one, 1 / delta, and Shadertoy's nominal
// 60 on a first frame.
void QCSetClockUniforms(unsigned in_program, bool in_shadertoy, QSize in_renderSize,
                        const QCFrameClock& in_clock, const QDateTime& in_jobStart);
