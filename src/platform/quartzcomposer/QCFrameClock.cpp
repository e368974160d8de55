#include "platform/quartzcomposer/QCFrameClock.h"

#include <QDateTime>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <algorithm>
#include <cmath>

std::array<float, 4> QCDateUniform(const QDateTime& in_start, double in_seconds,
                                   QCMonthBase in_monthBase) {
    // Whole milliseconds move the date; the rest of the render time stays in the seconds.
    // Times beyond some thousand years are held there, where the conversion stays defined.
    const double wholeMilliseconds = std::clamp(std::floor(in_seconds * 1000.0), -1e14, 1e14);
    const QDateTime moment = in_start.addMSecs(static_cast<qint64>(wholeMilliseconds));
    const QDate day = moment.date();
    const double seconds = moment.time().msecsSinceStartOfDay() / 1000.0 +
                           std::clamp(in_seconds - wholeMilliseconds / 1000.0, 0.0, 0.001);
    const int month = day.month() - (in_monthBase == QCMonthBase::FromZero ? 1 : 0);
    return {static_cast<float>(day.year()), static_cast<float>(month),
            static_cast<float>(day.day()), static_cast<float>(seconds)};
}

void QCSetClockUniforms(unsigned in_program, bool in_shadertoy, QSize in_renderSize,
                        const QCFrameClock& in_clock, const QDateTime& in_jobStart) {
    const auto location = [in_program](const char* name) {
        return glGetUniformLocation(in_program, name);
    };
    const auto time = static_cast<float>(in_clock.time);
    const auto delta = static_cast<float>(in_clock.delta);
    const std::array<float, 4> date = QCDateUniform(
        in_jobStart, in_clock.time, in_shadertoy ? QCMonthBase::FromZero : QCMonthBase::FromOne);
    if (!in_shadertoy) {
        glUniform1f(location("TIME"), time);
        glUniform1f(location("TIMEDELTA"), delta);
        glUniform1i(location("FRAMEINDEX"), in_clock.frameIndex);
        glUniform4fv(location("DATE"), 1, date.data());
        return;
    }
    glUniform3f(location("iResolution"), static_cast<float>(in_renderSize.width()),
                static_cast<float>(in_renderSize.height()), 1.0f);
    glUniform1f(location("iTime"), time);
    glUniform1f(location("iGlobalTime"), time);
    glUniform1f(location("iTimeDelta"), delta);
    glUniform1i(location("iFrame"), in_clock.frameIndex);
    const double rate = in_clock.frameRate > 0.0 ? in_clock.frameRate
                        : in_clock.delta > 0.0   ? 1.0 / in_clock.delta
                                                 : 60.0;
    glUniform1f(location("iFrameRate"), static_cast<float>(rate));
    glUniform4fv(location("iDate"), 1, date.data());
    const float channelTimes[4] = {time, time, time, time};
    glUniform1fv(location("iChannelTime"), 4, channelTimes);
}
