#include "platform/qtkit/QTMovie.h"

#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/appkitcore/NSImage.h"
#include "platform/foundation/NSError.h"
#include "platform/qtkit/FlattenedMovieWriter.h"
#include "platform/qtkit/ImageMovieWriter.h"
#include "platform/qtkit/MovieProbe.h"
#include "platform/qtkit/QTKitLog.h"
#include "platform/qtkit/QTMovieAttributes.h"
#include "platform/qtkit/QTTrack.h"
#include "platform/qtkit/ReferenceMovieFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <thread>

namespace {

thread_local int tEnterDepth = 0;

bool onMainThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return !application || QThread::currentThread() == application->thread();
}

// Logs `text` and hands it to the caller as an error object.
void setError(NSError** out_error, int code, const QString& path, const QString& text) {
    qtkit::logLine(QStringLiteral("QTMovie: %1\n").arg(text));
    if (out_error)
        *out_error =
            NSError::errorWithDomain(QTKitErrorDomain, code,
                                     {{QString::fromLatin1(NSLocalizedDescriptionKey), text},
                                      {QString::fromLatin1(NSFilePathErrorKey), path}});
}

} // namespace

struct QTMovie::Impl {
    enum class Content { None, Images, Segments, Opened };

    QString path;
    bool writable = false;
    Content content = Content::None;
    std::atomic<std::thread::id> thread{std::this_thread::get_id()};
    bool editable = true;
    QVariant copyright;
    QString comment; // of a movie being written, set before its first image
    int encoderThreads = 1;
    QVariantMap otherAttributes;
    bool idling = true;
    QTTime currentTime = QTMakeTime(0, QTMovieDefaultTimeScale);
    std::unique_ptr<qtkit::ImageMovieWriter> writer;
    std::int64_t imageUnits = 0;
    bool failed = false;
    QString lastError;
    QList<QTTrack*> tracks;
    std::function<bool(double)> shouldContinue;

    // Why nothing more can be written: after a failure its cause, which the refusals after it
    // must not hide.
    QString notWritable() const {
        return failed && !lastError.isEmpty() ? lastError
                                              : QStringLiteral("the movie is not writable");
    }
};

QTMovie::QTMovie() : mImpl(std::make_unique<Impl>()) {}

QTMovie::~QTMovie() {
    mImpl->writer.reset(); // completes the file
    for (QTTrack* track : mImpl->tracks) {
        track->forgetMovie();
        track->release();
    }
}

QTMovie* QTMovie::initToWritableFile(const QString& path, NSError** out_error) {
    if (path.isEmpty()) {
        setError(out_error, QTErrorCannotCreateMovieFile, path,
                 QStringLiteral("no movie file name"));
        return nullptr;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        setError(
            out_error, QTErrorCannotCreateMovieFile, path,
            QStringLiteral("cannot create the movie file %1: %2").arg(path, file.errorString()));
        return nullptr;
    }
    file.close();
    auto* movie = new QTMovie;
    movie->mImpl->path = QFileInfo(path).absoluteFilePath();
    movie->mImpl->writable = true;
    return movie;
}

QTMovie* QTMovie::initWithFile(const QString& path, NSError** out_error) {
    if (path.isEmpty()) {
        setError(out_error, QTErrorCannotOpenMovieFile, path, QStringLiteral("no movie file name"));
        return nullptr;
    }
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QList<qtkit::MovieSegment> segments;
    QVariant copyright;
    bool editable = true;
    qtkit::ReferenceMovie reference;
    QString error;
    if (qtkit::readReferenceMovie(absolute, &reference, &error)) {
        segments = reference.tracks;
        copyright = reference.copyright;
        editable = reference.editable;
    } else if (!error.isEmpty() ||
               !qtkit::probeMovieTracks(absolute, &segments, &copyright, &error)) {
        setError(out_error, QTErrorCannotOpenMovieFile, path,
                 QStringLiteral("cannot open the movie %1: %2").arg(path, error));
        return nullptr;
    }
    auto* movie = new QTMovie;
    Impl& d = *movie->mImpl;
    d.path = absolute;
    d.content = Impl::Content::Opened;
    d.copyright = copyright;
    d.editable = editable;
    for (const qtkit::MovieSegment& segment : segments)
        d.tracks.append(new QTTrack(movie, segment));
    return movie;
}

QTMovie* QTMovie::movieWithFile(const QString& path, NSError** out_error) {
    QTMovie* movie = initWithFile(path, out_error);
    return movie ? static_cast<QTMovie*>(movie->autorelease()) : nullptr;
}

void QTMovie::enterQTKitOnThread() {
    ++tEnterDepth;
}

void QTMovie::exitQTKitOnThread() {
    if (tEnterDepth == 0) {
        qtkit::logLine(QStringLiteral("QTMovie: exitQTKitOnThread without enterQTKitOnThread\n"));
        return;
    }
    --tEnterDepth;
}

bool QTMovie::attachedToCurrentThread(const char* operation) const {
    if (mImpl->thread.load() == std::this_thread::get_id())
        return true;
    qtkit::logLine(QStringLiteral("QTMovie: %1 refused: %2 is not attached to this thread\n")
                       .arg(QString::fromUtf8(operation), description()));
    return false;
}

bool QTMovie::detachFromCurrentThread() {
    if (!attachedToCurrentThread("-[QTMovie detachFromCurrentThread]"))
        return false;
    mImpl->thread.store(std::thread::id());
    return true;
}

bool QTMovie::attachToCurrentThread() {
    const std::thread::id here = std::this_thread::get_id();
    if (mImpl->thread.load() == here)
        return true;
    if (!onMainThread() && tEnterDepth == 0) {
        qtkit::logLine(QStringLiteral("QTMovie: -[QTMovie attachToCurrentThread] refused: %1 "
                                      "outside enterQTKitOnThread\n")
                           .arg(description()));
        return false;
    }
    std::thread::id detached;
    if (!mImpl->thread.compare_exchange_strong(detached, here)) {
        qtkit::logLine(QStringLiteral("QTMovie: -[QTMovie attachToCurrentThread] refused: %1 is "
                                      "attached to another thread\n")
                           .arg(description()));
        return false;
    }
    return true;
}

bool QTMovie::setAttribute(const QVariant& value, const QString& key) {
    if (!attachedToCurrentThread("-[QTMovie setAttribute:forKey:]"))
        return false;
    Impl& d = *mImpl;
    if (key == QTMovieEditableAttribute) {
        d.editable = value.toBool();
    } else if (key == QTMovieCopyrightAttribute) {
        if (d.writer && value.toString() != d.copyright.toString()) {
            qtkit::logLine(QStringLiteral("QTMovie: the copyright of %1 is already written\n")
                               .arg(description()));
            return false;
        }
        d.copyright = value.isValid() ? QVariant(value.toString()) : QVariant();
    } else if (key == QTMovieCommentAttribute) {
        if (d.writer) {
            qtkit::logLine(QStringLiteral("QTMovie: the comment of %1 is already written\n")
                               .arg(description()));
            return false;
        }
        d.comment = value.toString();
    } else if (key == QTMovieEncoderThreadsAttribute) {
        bool isNumber = false;
        const int threads = value.toInt(&isNumber);
        if (!isNumber || threads < 0 || (d.writer && threads != d.encoderThreads)) {
            qtkit::logLine(QStringLiteral("QTMovie: %1 encoder threads refused for %2\n")
                               .arg(value.toString(), description()));
            return false;
        }
        d.encoderThreads = threads;
    } else if (key == QTMovieFileNameAttribute) {
        return false;
    } else {
        d.otherAttributes.insert(key, value);
    }
    return true;
}

QVariant QTMovie::attributeForKey(const QString& key) const {
    if (!attachedToCurrentThread("-[QTMovie attributeForKey:]"))
        return {};
    if (key == QTMovieEditableAttribute)
        return mImpl->editable;
    if (key == QTMovieCopyrightAttribute)
        return mImpl->copyright;
    if (key == QTMovieFileNameAttribute)
        return mImpl->path;
    if (key == QTMovieEncoderThreadsAttribute)
        return mImpl->encoderThreads;
    return mImpl->otherAttributes.value(key);
}

void QTMovie::setIdling(bool idling) {
    if (attachedToCurrentThread("-[QTMovie setIdling:]"))
        mImpl->idling = idling;
}

bool QTMovie::isIdling() const {
    return mImpl->idling;
}

bool QTMovie::addImage(NSImage* image, QTTime duration, const QVariantMap& attributes) {
    if (!attachedToCurrentThread("-[QTMovie addImage:forDuration:withAttributes:]"))
        return false;
    const bool added = appendImage(image, duration, attributes);
    return added;
}

bool QTMovie::appendImage(NSImage* image, QTTime duration, const QVariantMap& attributes) {
    Impl& d = *mImpl;
    auto refuse = [&](const QString& why) {
        d.lastError = why;
        qtkit::logLine(
            QStringLiteral("QTMovie: cannot add an image to %1: %2\n").arg(description(), why));
        return false;
    };
    if (!d.writable || d.failed)
        return refuse(d.notWritable());
    if (d.content == Impl::Content::Segments)
        return refuse(QStringLiteral("the movie is a reference movie"));
    const QVariant codec = attributes.value(QTAddImageCodecType);
    if (codec.isValid() && codec.toString() != QTCodecTypeAnimation)
        return refuse(QStringLiteral("codec \"%1\" is not supported").arg(codec.toString()));
    NSBitmapImageRep* bitmap = image ? image->bitmapRepresentation() : nullptr;
    if (!bitmap)
        return refuse(QStringLiteral("no bitmap"));
    const QTTime units = QTMakeTimeScaled(duration, QTMovieDefaultTimeScale);
    if (units.timeValue <= 0)
        return refuse(QStringLiteral("duration %1 is too short").arg(QTStringFromTime(duration)));

    QString error;
    if (!d.writer) {
        d.writer = qtkit::ImageMovieWriter::create(
            d.path, bitmap->pixelsWide(), bitmap->pixelsHigh(),
            d.copyright.isValid() ? d.copyright.toString() : QString(), d.comment,
            QTMovieDefaultTimeScale, d.encoderThreads, &error);
        if (!d.writer) {
            d.failed = true;
            return refuse(error);
        }
        d.content = Impl::Content::Images;
        qtkit::MovieSegment segment;
        segment.file = d.path;
        segment.stream = 0;
        segment.mediaType = QTMediaTypeVideo;
        segment.codecName = QStringLiteral("qtrle");
        segment.source = QTMakeTimeRange(QTMakeTime(0, QTMovieDefaultTimeScale),
                                         QTMakeTime(0, QTMovieDefaultTimeScale));
        segment.at = QTMakeTime(0, QTMovieDefaultTimeScale);
        d.tracks.append(new QTTrack(this, segment));
    }
    if (!d.writer->append(*bitmap, units.timeValue, &error))
        return refuse(error);
    d.imageUnits += units.timeValue;
    d.tracks.first()->setSourceDuration(QTMakeTime(d.imageUnits, QTMovieDefaultTimeScale));
    return true;
}

bool QTMovie::canUpdateMovieFile() const {
    return attachedToCurrentThread("-[QTMovie canUpdateMovieFile]") && mImpl->writable &&
           !mImpl->failed;
}

bool QTMovie::updateMovieFile() {
    if (!attachedToCurrentThread("-[QTMovie updateMovieFile]"))
        return false;
    Impl& d = *mImpl;
    QString error;
    bool ok = false;
    if (!d.writable || d.failed) {
        error = d.notWritable();
    } else if (d.content == Impl::Content::Images) {
        ok = d.writer->flush(&error);
        d.failed = !ok;
    } else {
        qtkit::ReferenceMovie reference;
        for (const QTTrack* track : d.tracks)
            reference.tracks.append(track->segment());
        reference.copyright = d.copyright;
        reference.editable = d.editable;
        ok = qtkit::writeReferenceMovie(d.path, reference, &error);
    }
    if (!ok) {
        d.lastError = error;
        qtkit::logLine(QStringLiteral("QTMovie: cannot update %1: %2\n").arg(description(), error));
    }
    return ok;
}

bool QTMovie::waitForImagesInFlight() {
    if (!attachedToCurrentThread("-[QTMovie waitForImagesInFlight]"))
        return false;
    Impl& d = *mImpl;
    if (!d.writer)
        return !d.failed;
    QString error;
    if (d.failed)
        error = d.notWritable();
    else if (!d.writer->flushAll(&error))
        d.failed = true;
    if (error.isEmpty())
        return true;
    d.lastError = error;
    qtkit::logLine(QStringLiteral("QTMovie: cannot update %1: %2\n").arg(description(), error));
    return false;
}

QTTime QTMovie::duration() const {
    if (!attachedToCurrentThread("-[QTMovie duration]"))
        return QTMakeTime(0, QTMovieDefaultTimeScale);
    if (mImpl->content == Impl::Content::Images)
        return QTMakeTime(mImpl->imageUnits, QTMovieDefaultTimeScale);
    QTTime longest = QTMakeTime(0, QTMovieDefaultTimeScale);
    for (const QTTrack* track : mImpl->tracks) {
        const QTTimeRange range = track->range();
        const QTTime end =
            QTMakeTime(QTMakeTimeScaled(range.time, range.duration.timeScale).timeValue +
                           range.duration.timeValue,
                       range.duration.timeScale);
        if (QTTimeCompare(end, longest) > 0)
            longest = end;
    }
    return longest;
}

QTTime QTMovie::currentTime() const {
    return mImpl->currentTime;
}

void QTMovie::setCurrentTime(QTTime time) {
    if (attachedToCurrentThread("-[QTMovie setCurrentTime:]"))
        mImpl->currentTime = time;
}

QList<QTTrack*> QTMovie::tracks() const {
    if (!attachedToCurrentThread("-[QTMovie tracks]"))
        return {};
    return mImpl->tracks;
}

QTTrack* QTMovie::insertSegmentOfTrack(QTTrack* track, QTTimeRange range, QTTime atTime) {
    if (!attachedToCurrentThread("-[QTMovie insertSegmentOfTrack:timeRange:atTime:]"))
        return nullptr;
    Impl& d = *mImpl;
    auto refuse = [&](const QString& why) {
        d.lastError = why;
        qtkit::logLine(QStringLiteral("QTMovie: cannot insert a segment into %1: %2\n")
                           .arg(description(), why));
        return nullptr;
    };
    if (!d.writable || d.failed)
        return refuse(d.notWritable());
    if (d.content == Impl::Content::Images)
        return refuse(QStringLiteral("the movie holds images"));
    if (!track || !track->movie())
        return refuse(QStringLiteral("no track"));
    if (track->movie() == this)
        return refuse(QStringLiteral("the track belongs to this movie"));
    if (!track->movie()->attachedToCurrentThread("-[QTMovie insertSegmentOfTrack:...] source"))
        return nullptr;
    if (range.duration.timeValue <= 0 || range.time.timeValue < 0 || atTime.timeValue < 0)
        return refuse(
            QStringLiteral("empty or negative range %1").arg(QTStringFromTimeRange(range)));

    // The range is in the source movie's time; the track starts at its own insertion time.
    const qtkit::MovieSegment& source = track->segment();
    const int scale = range.duration.timeScale;
    const std::int64_t trackStart = QTMakeTimeScaled(source.at, scale).timeValue;
    const std::int64_t trackEnd =
        trackStart + QTMakeTimeScaled(source.source.duration, scale).timeValue;
    const std::int64_t from = std::max(QTMakeTimeScaled(range.time, scale).timeValue, trackStart);
    const std::int64_t to = std::min(
        QTMakeTimeScaled(range.time, scale).timeValue + range.duration.timeValue, trackEnd);
    if (to <= from)
        return refuse(
            QStringLiteral("range %1 misses the track").arg(QTStringFromTimeRange(range)));
    qtkit::MovieSegment segment = source;
    segment.source.time = QTMakeTime(
        QTMakeTimeScaled(source.source.time, scale).timeValue + (from - trackStart), scale);
    segment.source.duration = QTMakeTime(to - from, scale);
    // Whole tracks keep their exact length.
    if (from == trackStart && to == trackEnd)
        segment.source = source.source;
    segment.at = QTMakeTime(QTMakeTimeScaled(atTime, scale).timeValue +
                                (from - QTMakeTimeScaled(range.time, scale).timeValue),
                            scale);
    if (from == QTMakeTimeScaled(range.time, scale).timeValue)
        segment.at = atTime;
    d.content = Impl::Content::Segments;
    auto* inserted = new QTTrack(this, segment);
    d.tracks.append(inserted);
    return inserted;
}

bool QTMovie::writeToFile(const QString& path, const QVariantMap& attributes, NSError** out_error) {
    if (!attachedToCurrentThread("-[QTMovie writeToFile:withAttributes:error:]")) {
        setError(out_error, QTErrorWrongThread, path,
                 QStringLiteral("the movie is not attached to this thread"));
        return false;
    }
    Impl& d = *mImpl;
    QString error;
    if (QFileInfo(path).absoluteFilePath() == d.path)
        error = QStringLiteral("a movie cannot be written over its own file");
    else if (d.writer && !d.writer->flushAll(&error))
        d.failed = true;
    if (error.isEmpty()) {
        QList<qtkit::MovieSegment> segments;
        for (const QTTrack* track : d.tracks)
            segments.append(track->segment());
        if (qtkit::writeFlattenedMovie(path, segments, d.copyright, d.shouldContinue, &error,
                                       attributes.value(QTMovieExportVideoFormat).toString(),
                                       attributes.value(QTMovieExportComment).toString()))
            return true;
    }
    d.lastError = error;
    setError(out_error, QTErrorCannotWriteMovieFile, path,
             QStringLiteral("cannot write %1 to %2: %3").arg(description(), path, error));
    return false;
}

QString QTMovie::lastErrorDescription() const {
    return mImpl->lastError;
}

void QTMovie::setShouldContinueOperation(std::function<bool(double)> shouldContinue) {
    mImpl->shouldContinue = std::move(shouldContinue);
}

QString QTMovie::fileName() const {
    return mImpl->path;
}

QString QTMovie::description() const {
    return QStringLiteral("<QTMovie: 0x%1> %2")
        .arg(reinterpret_cast<quintptr>(this), 0, 16)
        .arg(mImpl->path);
}
