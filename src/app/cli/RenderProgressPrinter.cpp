#include "app/cli/RenderProgressPrinter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kBarWidth = 30;
constexpr qint64 kRedrawIntervalMs = 100;

QString clockText(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0)
        return QStringLiteral("--:--");
    const auto whole = static_cast<qint64>(std::llround(seconds));
    const qint64 hours = whole / 3600;
    const qint64 minutes = (whole / 60) % 60;
    const qint64 rest = whole % 60;
    if (hours > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(hours)
            .arg(minutes, 2, 10, QLatin1Char('0'))
            .arg(rest, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(minutes).arg(rest, 2, 10, QLatin1Char('0'));
}

} // namespace

RenderProgressPrinter::RenderProgressPrinter(std::FILE* stream, bool interactive,
                                             quint64 totalFrames)
    : mStream(stream), mInteractive(interactive), mTotalFrames(totalFrames) {
    mTimer.start();
}

QString RenderProgressPrinter::formatLine(double fraction, quint64 frames, quint64 totalFrames,
                                          double framesPerSecond, double secondsLeft,
                                          bool withBar) {
    fraction = std::clamp(fraction, 0.0, 1.0);
    const int percent = static_cast<int>(fraction * 100.0);
    QString line;
    if (withBar) {
        const int filled = static_cast<int>(fraction * kBarWidth);
        line = QStringLiteral("[%1%2] ")
                   .arg(QString(filled, QLatin1Char('#')))
                   .arg(QString(kBarWidth - filled, QLatin1Char('-')));
    } else {
        line = QStringLiteral("Rendering: ");
    }
    line += QStringLiteral("%1%  %2/%3 frames  %4 fps  %5 left")
                .arg(percent, 3)
                .arg(frames)
                .arg(totalFrames)
                .arg(framesPerSecond, 0, 'f', 1)
                .arg(clockText(secondsLeft));
    return line;
}

void RenderProgressPrinter::frameWritten(double fraction) {
    ++mFramesWritten;
    if (mInteractive) {
        const qint64 now = mTimer.elapsed();
        if (now - mLastDrawMs < kRedrawIntervalMs && mFramesWritten < mTotalFrames)
            return;
        mLastDrawMs = now;
        print(fraction);
        return;
    }
    const int tenth = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 10.0);
    if (tenth != mLastTenth) {
        mLastTenth = tenth;
        print(fraction);
    }
}

void RenderProgressPrinter::print(double fraction) {
    const double seconds = std::max(mTimer.elapsed(), qint64(1)) / 1000.0;
    const double rate = mFramesWritten / seconds;
    const double left =
        rate > 0 ? static_cast<double>(mTotalFrames - std::min(mFramesWritten, mTotalFrames)) / rate
                 : NAN;
    const QByteArray text =
        formatLine(fraction, mFramesWritten, mTotalFrames, rate, left, mInteractive).toLocal8Bit();
    if (mInteractive) {
        std::fprintf(mStream, "\r%s\x1b[K", text.constData());
        mLineOpen = true;
    } else {
        std::fprintf(mStream, "%s\n", text.constData());
    }
    std::fflush(mStream);
}

void RenderProgressPrinter::framesDone() {
    if (mInteractive && mLineOpen) {
        print(1.0);
        std::fputc('\n', mStream);
        mLineOpen = false;
    }
    std::fprintf(mStream, "Rendered %llu frames in %.1f s; writing the movie...\n",
                 static_cast<unsigned long long>(mFramesWritten), mTimer.elapsed() / 1000.0);
    std::fflush(mStream);
}

void RenderProgressPrinter::stopped() {
    if (mInteractive && mLineOpen) {
        std::fputc('\n', mStream);
        mLineOpen = false;
        std::fflush(mStream);
    }
}
