#include "app/job/RenderJob.h"

#include "app/job/QTZMovieRenderer.h"
#include "movie/QTKitMovieRecorder/QStillFrameRecorderConfig.h"
#include "platform/qtkit/DeliveryFormats.h"

#include <cmath>

namespace {

QString filePathOf(const NSRef<NSURL>& url) {
    NSURL* fileURL = url ? url->filePathURL() : nullptr;
    return fileURL ? fileURL->path() : QString();
}

} // namespace

QString RenderJob::frameRateProblem(std::uint32_t framesPerSecond) {
    if (framesPerSecond == 0)
        return QStringLiteral("the frame rate is 0");
    // Faster rates would give frames that last no time unit at all.
    const auto scale = static_cast<std::uint32_t>(kQTTime_VideoTimeScale);
    if (framesPerSecond > scale)
        return QStringLiteral("%1 frames per second is more than the video time scale of %2")
            .arg(framesPerSecond)
            .arg(scale);
    return {};
}

QString RenderJob::durationProblem(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0 || seconds > kRenderJob_MaxDurationSeconds)
        return QStringLiteral("a duration of %1 seconds cannot be rendered (at most %2)")
            .arg(seconds, 0, 'f', 6)
            .arg(kRenderJob_MaxDurationSeconds, 0, 'f', 6);
    return {};
}

QString RenderJob::validate() const {
    if (QString problem = frameRateProblem(framesPerSecond); !problem.isEmpty())
        return problem;
    if (QString problem = durationProblem(durationSeconds); !problem.isEmpty())
        return problem;
    if (durationFromSound && soundMoviePath().isEmpty())
        return QStringLiteral("the movie is to last as long as the sound, and there is no sound");
    if (!deliveryFormatNamed(deliveryFormat))
        return QStringLiteral("there is no movie format \"%1\"").arg(deliveryFormat);
    if (firstFrame < 0 || (lastFrame >= 0 && lastFrame < firstFrame))
        return QStringLiteral("frames %1 to %2 are no range of the job")
            .arg(firstFrame)
            .arg(lastFrame);
    if (encoderThreads < 0 || encoderThreads > kRenderJob_MaxEncoderThreads)
        return QStringLiteral("%1 encoder threads cannot be used (0 to %2)")
            .arg(encoderThreads)
            .arg(kRenderJob_MaxEncoderThreads);
    return {};
}

QString RenderJob::compositionPath() const {
    return filePathOf(compositionURL);
}

QString RenderJob::soundMoviePath() const {
    return filePathOf(soundMovieURL);
}

std::int64_t RenderJob::frameCount() const {
    return QTZMovieRendererFrameCount(durationSeconds, framesPerSecond, loop);
}
