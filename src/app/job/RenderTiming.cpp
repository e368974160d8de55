#include "app/job/RenderTiming.h"

#include "app/job/QTZMovieRenderer.h"
#include "app/job/RenderJob.h"
#include "platform/qtkit/MovieProbe.h"

#include <cmath>

std::optional<double> soundDurationSeconds(const QString& path, QString* out_error) {
    QList<qtkit::MovieSegment> tracks;
    QVariant copyright;
    QString error;
    if (!qtkit::probeMovieTracks(path, &tracks, &copyright, &error)) {
        if (out_error)
            *out_error = error;
        return std::nullopt;
    }
    if (tracks.isEmpty()) {
        if (out_error)
            *out_error = QStringLiteral("%1 has no track").arg(path);
        return std::nullopt;
    }
    const double seconds = QTTimeInSeconds(tracks.first().source.duration);
    if (!std::isfinite(seconds) || seconds <= 0) {
        if (out_error)
            *out_error = QStringLiteral("the length of %1 is not known").arg(path);
        return std::nullopt;
    }
    return seconds;
}

bool resolveSoundDuration(RenderJob& job, QString* out_error) {
    if (!job.durationFromSound)
        return true;
    const QString sound = job.soundMoviePath();
    if (sound.isEmpty()) {
        *out_error =
            QStringLiteral("the movie is to last as long as the sound, and there is no sound");
        return false;
    }
    QString error;
    const std::optional<double> seconds = soundDurationSeconds(sound, &error);
    if (!seconds) {
        *out_error = QStringLiteral("the sound's length cannot be read: %1").arg(error);
        return false;
    }
    if (const QString problem = RenderJob::durationProblem(*seconds); !problem.isEmpty()) {
        *out_error = QStringLiteral("the sound is too long for a movie: %1").arg(problem);
        return false;
    }
    job.durationSeconds = *seconds;
    return true;
}

double jobVideoSeconds(const RenderJob& job) {
    return QTTimeInSeconds(QTZMovieRendererVideoLength(job.frameCount(), job.framesPerSecond));
}

QString longSoundWarning(const RenderJob& job, const QString& cure) {
    const QString sound = job.movieSoundPath();
    if (job.cutSound || sound.isEmpty())
        return {};
    const std::optional<double> soundSeconds = soundDurationSeconds(sound);
    const double videoSeconds = jobVideoSeconds(job);
    if (!soundSeconds || *soundSeconds <= kRenderTiming_LongSoundRatio * videoSeconds)
        return {};
    return QStringLiteral("the sound (%1 s) lasts more than %2 times as long as the video (%3 s): "
                          "players built on GStreamer then take the video for a preview picture "
                          "and skip it; %4 ends the sound with the video")
        .arg(*soundSeconds, 0, 'f', 2)
        .arg(kRenderTiming_LongSoundRatio)
        .arg(videoSeconds, 0, 'f', 2)
        .arg(cure);
}
