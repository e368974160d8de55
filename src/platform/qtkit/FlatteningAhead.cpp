// Flattened movies written while their video is still being recorded.

#include "platform/qtkit/FlattenedMovieWriter.h"

#include "platform/qtkit/DeliveryEncoder.h"
#include "platform/qtkit/DeliveryFormats.h"
#include "platform/qtkit/FlattenedMovieWriterImpl.h"
#include "platform/qtkit/LiveMovieFile.h"
#include "platform/qtkit/MovieProbe.h"
#include "platform/qtkit/QTKitLog.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace qtkit {

namespace {

// Pictures waiting between the recording and the encoder that follows it.
constexpr int kPicturesHandedOver = 2;

struct WritingAhead {
    QString path;
    QList<MovieSegment> tracks;
    int followed = 0; // the index of the recorded track
    QVariant copyright;
    const DeliveryFormat* format = nullptr;
    QString comment;
    std::shared_ptr<LiveMovieFile> recording;
    bool fromPictures = false; // the video encoded from the pictures the recording takes
    QString temporaryPath;

    std::atomic<bool> stop{false};
    std::atomic<double> fraction{0.0};
    std::mutex lock;
    std::condition_variable finished;
    bool done = false; // with `lock`
    bool written = false;
    QString error;
    std::thread thread;

    void run() {
        yieldToTheRender();
        QString failure;
        const bool ok = flattening::writeInto(
            temporaryPath, tracks, copyright,
            [this](double part) {
                fraction = part;
                return !stop;
            },
            &failure, *format, comment, recording, [this] { return stop.load(); });
        // The recording no longer waits for this writing to take its pictures.
        if (fromPictures)
            recording->stopFollowingPictures();
        if (!ok)
            QFile::remove(temporaryPath);
        std::lock_guard guard(lock);
        written = ok;
        error = failure;
        done = true;
        finished.notify_all();
    }

    // Stops the writing and removes what it wrote.
    ~WritingAhead() {
        stop = true;
        if (fromPictures)
            recording->stopFollowingPictures();
        if (thread.joinable())
            thread.join();
        if (written)
            QFile::remove(temporaryPath);
    }
};

QString effectiveText(const QVariant& text) {
    return text.isValid() ? text.toString() : QString();
}

bool sameTime(QTTime a, QTTime b) {
    return QTTimeCompare(a, b) == 0;
}

bool sameSegment(const MovieSegment& a, const MovieSegment& b) {
    return QFileInfo(a.file).absoluteFilePath() == QFileInfo(b.file).absoluteFilePath() &&
           a.stream == b.stream && sameTime(a.source.time, b.source.time) &&
           sameTime(a.source.duration, b.source.duration) && sameTime(a.at, b.at);
}

// Whether `ahead`, once its recording finished, writes the movie of these tracks and settings.
bool writes(const WritingAhead& ahead, const QList<MovieSegment>& tracks, const QVariant& copyright,
            const DeliveryFormat& format, const QString& comment) {
    QTTime recorded;
    if (!ahead.recording->finished(&recorded) || tracks.size() != ahead.tracks.size() ||
        effectiveText(copyright) != effectiveText(ahead.copyright) || &format != ahead.format ||
        comment != ahead.comment)
        return false;
    for (qsizetype index = 0; index < tracks.size(); ++index) {
        MovieSegment expected = ahead.tracks[index];
        if (index == ahead.followed)
            expected.source.duration = recorded; // the whole recording
        if (!sameSegment(tracks[index], expected))
            return false;
    }
    return true;
}

struct Registry {
    std::mutex lock;
    std::map<QString, std::unique_ptr<WritingAhead>> writings;
    std::atomic<int> taken{0};
    std::atomic<int> encodedAlong{0};

    std::unique_ptr<WritingAhead> take(const QString& path) {
        std::lock_guard guard(lock);
        const auto found = writings.find(QFileInfo(path).absoluteFilePath());
        if (found == writings.end())
            return nullptr;
        std::unique_ptr<WritingAhead> writing = std::move(found->second);
        writings.erase(found);
        return writing;
    }
};

Registry& registry() {
    static Registry instance; // its destructor stops what is still being written
    return instance;
}

} // namespace

bool beginFlatteningAhead(const QString& path, const QString& soundFile,
                          const QString& recordedFile, const QVariant& copyright,
                          const QString& videoFormat, const QString& comment,
                          std::optional<QTTime> soundEnd) {
    dropFlatteningAhead(path);
    const DeliveryFormat* format = deliveryFormatOrDefault(videoFormat);
    std::shared_ptr<LiveMovieFile> recording = LiveMovieFile::find(recordedFile);
    if (!format || !recording)
        return false;
    auto writing = std::make_unique<WritingAhead>();
    if (!soundFile.isEmpty()) {
        QList<MovieSegment> sound;
        QVariant ignored;
        QString error;
        if (!probeMovieTracks(soundFile, &sound, &ignored, &error) || sound.isEmpty())
            return false;
        MovieSegment first = sound.first();
        first.at = QTZeroTime;
        // Cut as the flattener cuts it: in the end's own time scale.
        if (soundEnd && soundEnd->timeValue > 0 &&
            QTTimeCompare(*soundEnd, first.source.duration) < 0)
            first.source = QTMakeTimeRange(QTMakeTime(0, soundEnd->timeScale), *soundEnd);
        writing->tracks.append(first);
    }
    MovieSegment video;
    video.file = recording->path();
    video.mediaType = QStringLiteral("vide");
    video.codecName = QStringLiteral("qtrle");
    video.source = QTMakeTimeRange(QTMakeTime(0, 600), QTMakeTime(0, 600));
    video.at = QTZeroTime;
    writing->followed = int(writing->tracks.size());
    writing->tracks.append(video);
    writing->path = path;
    writing->copyright = copyright;
    writing->format = format;
    writing->comment = comment;
    writing->recording = std::move(recording);
    writing->temporaryPath = flattening::temporarySibling(path);
    // A format that encodes takes the pictures as they are rendered, rather than decode them
    // again from the recording.
    writing->fromPictures =
        format->encodes() && writing->recording->followPictures(kPicturesHandedOver);
    WritingAhead* raw = writing.get();
    writing->thread = std::thread([raw] { raw->run(); });
    Registry& all = registry();
    std::lock_guard guard(all.lock);
    all.writings[QFileInfo(path).absoluteFilePath()] = std::move(writing);
    return true;
}

void dropFlatteningAhead(const QString& path) {
    registry().take(path); // destroyed here: stopped, its file removed
}

int flatteningsTakenAhead() {
    return registry().taken;
}

int flatteningsEncodedAlong() {
    return registry().encodedAlong;
}

flattening::Ahead flattening::takeWrittenAhead(const QString& path,
                                               const QList<MovieSegment>& tracks,
                                               const QVariant& copyright,
                                               const std::function<bool(double)>& shouldContinue,
                                               const DeliveryFormat& format, const QString& comment,
                                               QString* out_temporaryPath, QString* out_error) {
    std::unique_ptr<WritingAhead> ahead = registry().take(path);
    if (!ahead || !writes(*ahead, tracks, copyright, format, comment))
        return Ahead::None;
    std::unique_lock guard(ahead->lock);
    for (;;) {
        if (shouldContinue && !shouldContinue(ahead->done ? 1.0 : ahead->fraction.load())) {
            if (out_error)
                *out_error = QStringLiteral("the writing was stopped");
            guard.unlock();
            return Ahead::Stopped; // `ahead` goes, with what it wrote
        }
        if (ahead->done)
            break;
        ahead->finished.wait_for(guard, std::chrono::milliseconds(50));
    }
    if (!ahead->written) {
        logLine(QStringLiteral("QTMovie: writing %1 along its recording failed (%2); writing it "
                               "again\n")
                    .arg(path, ahead->error));
        return Ahead::None;
    }
    ahead->written = false; // the caller's now
    *out_temporaryPath = ahead->temporaryPath;
    ++registry().taken;
    if (ahead->fromPictures)
        ++registry().encodedAlong;
    return Ahead::Taken;
}

} // namespace qtkit
