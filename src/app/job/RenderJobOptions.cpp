#include "app/job/RenderJobOptions.h"

#include "app/job/QTZMovieRenderer.h"
#include "app/job/RenderSegments.h"
#include "platform/foundation/NSURL.h"
#include "platform/qtkit/DeliveryFormats.h"

#include <QDir>
#include <QFileInfo>

QString RenderJobOptions::finalMoviePath() const {
    if (isSegment())
        return QDir(outputFolder)
            .filePath(
                renderSegmentFileName(compositionPath, quint64(firstFrame), quint64(lastFrame)));
    const DeliveryFormat* delivery = deliveryFormatNamed(format);
    const QString name = QFileInfo(compositionPath).completeBaseName() + QLatin1Char('.') +
                         (delivery ? delivery->extension : QStringLiteral("mov"));
    return QDir(outputFolder).filePath(name);
}

RenderJob RenderJobOptions::job() const {
    RenderJob job;
    job.compositionURL = NSRef<NSURL>(NSURL::fileURLWithPath(compositionPath, false));
    if (!audioPath.isEmpty())
        job.soundMovieURL = NSRef<NSURL>(NSURL::fileURLWithPath(audioPath, false));
    job.sizePixels = size;
    job.framesPerSecond = framesPerSecond;
    job.durationSeconds = durationSeconds;
    job.inputs = inputs;
    job.deliveryFormat = format;
    job.finalMovieFile = finalMoviePath();
    job.encoderThreads = encoderThreads;
    job.durationFromSound = durationFromSound;
    job.loop = loop;
    job.cutSound = cutSound;
    if (isSegment()) {
        job.firstFrame = firstFrame;
        job.lastFrame = lastFrame;
        // A segment is video only: the join adds the sound.
        job.soundInMovie = false;
    }
    return job;
}

quint64 RenderJobOptions::frameCount() const {
    return quint64(QTZMovieRendererFrameCount(durationSeconds, framesPerSecond, loop));
}
