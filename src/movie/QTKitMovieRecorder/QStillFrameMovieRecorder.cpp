#include "movie/QTKitMovieRecorder/QStillFrameMovieRecorder.h"

#include "movie/QTKitMovieRecorder/QStillFrameRecorderConfig.h"
#include "platform/appkitcore/NSAlert.h"
#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/appkitcore/NSImage.h"
#include "platform/foundation/NSError.h"
#include "platform/foundation/NSURL.h"
#include "platform/qtkit/QTMovie.h"
#include "platform/qtkit/QTMovieAttributes.h"
#include "support/CocoaMachDebugLog.h"

#include <QImage>

#include <cmath>
#include <limits>

NS_IMPLEMENT_CLASS(QStillFrameMovieRecorder, NSObject)

int import_QStillFrameMovieRecorder() {
    return QStillFrameMovieRecorder::classObject() != nullptr ? 1 : 0;
}

namespace {

const QString kMadeWith = QStringLiteral("Made with Pixmoth");

} // namespace

QStillFrameMovieRecorder::QStillFrameMovieRecorder() = default;

QStillFrameMovieRecorder::~QStillFrameMovieRecorder() {
    endRecordingMovie();
    setMovie(nullptr);
}

NSObject* QStillFrameMovieRecorder::init() {
    setMovie(nullptr);
    setAddFrameAttributes({});
    return this;
}

void QStillFrameMovieRecorder::awakeFromNib() {
    setMovie(nullptr);
    setAddFrameAttributes({});
}

QTMovie* QStillFrameMovieRecorder::movie() const {
    std::lock_guard guard(mLock);
    return _movie;
}

void QStillFrameMovieRecorder::setMovie(QTMovie* movie) {
    if (movie)
        movie->retain();
    QTMovie* previous = nullptr;
    {
        std::lock_guard guard(mLock);
        previous = std::exchange(_movie, movie);
    }
    if (previous)
        previous->release();
}

QVariantMap QStillFrameMovieRecorder::addFrameAttributes() const {
    std::lock_guard guard(mLock);
    return _addFrameAttributes;
}

void QStillFrameMovieRecorder::setAddFrameAttributes(const QVariantMap& attributes) {
    std::lock_guard guard(mLock);
    _addFrameAttributes = attributes;
}

QString QStillFrameMovieRecorder::movieComment() const {
    std::lock_guard guard(mLock);
    return _movieComment;
}

void QStillFrameMovieRecorder::setMovieComment(const QString& text) {
    std::lock_guard guard(mLock);
    _movieComment = text;
}

bool QStillFrameMovieRecorder::beginRecordingMovieFileURL(NSURL* url) {
    return beginRecordingMovieFile(url ? url->path() : QString());
}

bool QStillFrameMovieRecorder::beginRecordingMovieFile(const QString& path) {
    if (isRecordingMovie())
        return false;
    NSError* error = nullptr;
    NSRef<QTMovie> created = NSAdopt(QTMovie::initToWritableFile(path, &error));
    setMovie(created.get());
    if (created && !error) {
        created->setAttribute(true, QTMovieEditableAttribute);
        created->setAttribute(kMadeWith, QTMovieCopyrightAttribute);
        if (const QString comment = movieComment(); !comment.isEmpty())
            created->setAttribute(comment, QTMovieCommentAttribute);
        created->setAttribute(QStillFrameRecorder_Config_EncoderThreads,
                              QTMovieEncoderThreadsAttribute);
        created->setIdling(false);
        setAddFrameAttributes({{QTAddImageCodecType, QTCodecTypeAnimation},
                               {QTAddImageCodecQuality, qlonglong(1024)}});
        _elapsedTime.Start();
        std::lock_guard guard(mLock);
        mLastError.clear();
        return true;
    }
    if (created)
        VERIFIED_NSERROR_IN("-[QStillFrameMovieRecorder beginRecordingMovieFile:]", error);
    NSAlert::alertWithError(error)->runModal();
    return false;
}

bool QStillFrameMovieRecorder::isRecordingMovie() {
    return movie() != nullptr;
}

long QStillFrameMovieRecorder::calculateElapsedFramesWithFrameDurationSeconds(double seconds) {
    const double units = seconds * double(kQTTime_VideoTimeScale);
    // A frame lasts at least one unit, also for durations that are no number or out of range.
    if (!(units >= 1.0))
        return 1;
    if (units >= double(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return long(units);
}

bool QStillFrameMovieRecorder::addFrameBitmapImage(NSImage* image,
                                                   std::int32_t numberOfFramesInVideoTimeScale) {
    NSRef<QTMovie> recording(movie());
    if (!recording || !image)
        return false;
    bool ok = recording->addImage(
        image, QTMakeTime(numberOfFramesInVideoTimeScale, kQTTime_VideoTimeScale),
        addFrameAttributes());
    if (recording->canUpdateMovieFile())
        ok = recording->updateMovieFile() && ok;
    if (!ok) {
        std::lock_guard guard(mLock);
        mLastError = recording->lastErrorDescription();
    }
    return ok;
}

QString QStillFrameMovieRecorder::lastErrorDescription() const {
    std::lock_guard guard(mLock);
    return mLastError;
}

bool QStillFrameMovieRecorder::addFrameBitmapImageRep(NSBitmapImageRep* bitmap,
                                                      double frameDurationInSeconds) {
    if (!isRecordingMovie() || !bitmap)
        return false;
    const long units = calculateElapsedFramesWithFrameDurationSeconds(frameDurationInSeconds);
    NSRef<NSImage> image = NSAdopt(new NSImage(QSizeF(bitmap->pixelsWide(), bitmap->pixelsHigh())));
    image->addRepresentation(bitmap);
    return addFrameBitmapImage(image.get(), std::int32_t(units));
}

bool QStillFrameMovieRecorder::addFrameImageRef(const QImage* image,
                                                double frameDurationInSeconds) {
    if (!image || image->isNull())
        return false;
    NSRef<NSBitmapImageRep> bitmap = NSAdopt(new NSBitmapImageRep(*image));
    return addFrameBitmapImageRep(bitmap.get(), frameDurationInSeconds);
}

double QStillFrameMovieRecorder::getFrameDurationNow() {
    const double seconds = double(_elapsedTime.Elapsed_nsec()) / 1000.0 / 1000.0 / 1000.0;
    _elapsedTime.Start();
    return seconds;
}

QTTime QStillFrameMovieRecorder::getCurrentVideoTime(std::uint64_t hostTime) {
    return QTMakeTime(std::int64_t(hostTime), kQTTime_VideoTimeScale);
}

QTTime QStillFrameMovieRecorder::getCurrentAudioTime(std::uint64_t hostTime) {
    return QTMakeTime(std::int64_t(hostTime), kQTTime_AudioTimeScale);
}

QTMovie* QStillFrameMovieRecorder::endRecordingCopyMovie() {
    NSRef<QTMovie> recording(movie());
    if (!recording)
        return nullptr;
    setMovie(nullptr);
    // Frames still being encoded on other threads reach the file first; one that cannot is
    // reported like a refused append.
    if (!recording->waitForImagesInFlight()) {
        std::lock_guard guard(mLock);
        mLastError = recording->lastErrorDescription();
    }
    recording->setCurrentTime(recording->duration());
    recording->updateMovieFile();
    setAddFrameAttributes({});
    return recording.take();
}

bool QStillFrameMovieRecorder::endRecordingMovie() {
    const NSRef<QTMovie> recording = NSAdopt(endRecordingCopyMovie());
    return bool(recording);
}
