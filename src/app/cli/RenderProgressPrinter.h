#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

// Shows the progress of one render job: on a terminal a bar redrawn in place (percent, frames,
// frames per second, time left); otherwise one plain line at each tenth of the job.
class RenderProgressPrinter {
public:
    RenderProgressPrinter(std::FILE* stream, bool interactive, quint64 totalFrames);

    // One more frame was written; `fraction` is the job's progress from 0 to 1.
    void frameWritten(double fraction);
    // The frame phase is over; the movie is being assembled.
    void framesDone();
    // The job ended early: a progress bar still drawn gets its line ended.
    void stopped();

    quint64 framesWritten() const { return mFramesWritten; }

    // The text of one progress report, without line control characters.
    static QString formatLine(double fraction, quint64 frames, quint64 totalFrames,
                              double framesPerSecond, double secondsLeft, bool withBar);

private:
    void print(double fraction);

    std::FILE* mStream;
    bool mInteractive;
    quint64 mTotalFrames;
    quint64 mFramesWritten = 0;
    int mLastTenth = -1;
    qint64 mLastDrawMs = -1000;
    bool mLineOpen = false;
    QElapsedTimer mTimer;
};
