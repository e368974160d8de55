#include "movie/QTKitMovieRecorder/QMovieFlattenerQueueOp.h"

#include "platform/qtkit/FlattenedMovieWriter.h"

#include "movie/QTKitMovieRecorder/QMovieFlattenerQueueOpDelegate.h"
#include "platform/foundation/NSError.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSThread.h"
#include "platform/qtkit/QTMovie.h"
#include "platform/qtkit/QTMovieAttributes.h"
#include "platform/qtkit/QTTrack.h"
#include "support/CoreMachDebugLog.h"

#include <QFile>
#include <QFileInfo>

NS_IMPLEMENT_CLASS(QMovieFlattenerQueueOp, NSOperation)

int import_QMovieFlattenerQueueOp() {
    return QMovieFlattenerQueueOp::classObject() != nullptr ? 1 : 0;
}

namespace {

constexpr const char kInitFunction[] =
    "-[QMovieFlattenerQueueOp initWithMovieFileName:audioFileName:videoFileName:]";

NSObject* asObject(QMovieFlattenerQueueOpDelegate* delegate) {
    return dynamic_cast<NSObject*>(delegate);
}

// Opens a source movie and detaches it from this thread for the run. Null when there is none.
// An error reported beside the movie is logged as the check of `reportLine` of the initialiser.
QTMovie* openSource(const QString& path, int reportLine) {
    if (path.isNull())
        return nullptr;
    NSError* error = nullptr;
    QTMovie* movie = QTMovie::initWithFile(path, &error);
    if (movie) {
        const NSError* const nil = nullptr;
        if (error == nil)
            movie->detachFromCurrentThread();
        else
            VERIFY_IN_AT(kInitFunction, reportLine, "error==nil", error == nil);
    }
    return movie;
}

} // namespace

QMovieFlattenerQueueOp::QMovieFlattenerQueueOp() = default;

QMovieFlattenerQueueOp::~QMovieFlattenerQueueOp() {
    setRefMovie(nullptr);
    setVideoMovie(nullptr);
    setAudioMovie(nullptr);
    setDelegate(nullptr);
}

QMovieFlattenerQueueOp* QMovieFlattenerQueueOp::movieFlattenerWithMovieFileName(
    const QString& movieFileName, const QString& audioFileName, const QString& videoFileName) {
    auto* operation = new QMovieFlattenerQueueOp;
    operation->initWithMovieFileName(movieFileName, audioFileName, videoFileName);
    return static_cast<QMovieFlattenerQueueOp*>(operation->autorelease());
}

QMovieFlattenerQueueOp* QMovieFlattenerQueueOp::initWithMovieFileName(
    const QString& movieFileName, const QString& audioFileName, const QString& videoFileName) {
    setDelegate(nullptr);
    setSucceeded(false);
    setMovieFileName(movieFileName);
    setAudioFileName(audioFileName);
    setVideoFileName(videoFileName);
    const QFileInfo info(movieFileName);
    {
        std::lock_guard guard(mLock);
        _tempFileName = info.path() + QLatin1Char('/') + info.completeBaseName() +
                        QStringLiteral(".QMovieFlattenerQueueOp");
    }

    NSRef<QTMovie> reference = NSAdopt(QTMovie::initToWritableFile(tempFileName(), nullptr));
    if (reference)
        reference->detachFromCurrentThread();
    setRefMovie(reference.get());
    NSRef<QTMovie> video = NSAdopt(openSource(videoFileName, 61));
    setVideoMovie(video.get());
    NSRef<QTMovie> audio = NSAdopt(openSource(audioFileName, 66));
    setAudioMovie(audio.get());
    return this;
}

#define QMOVIE_FLATTENER_TEXT_PROPERTY(getter, setter, field)                                      \
    QString QMovieFlattenerQueueOp::getter() const {                                               \
        std::lock_guard guard(mLock);                                                              \
        return field;                                                                              \
    }                                                                                              \
    void QMovieFlattenerQueueOp::setter(const QString& value) {                                    \
        std::lock_guard guard(mLock);                                                              \
        field = value;                                                                             \
    }

QMOVIE_FLATTENER_TEXT_PROPERTY(movieFileName, setMovieFileName, _movieFileName)
QMOVIE_FLATTENER_TEXT_PROPERTY(audioFileName, setAudioFileName, _audioFileName)
QMOVIE_FLATTENER_TEXT_PROPERTY(videoFileName, setVideoFileName, _videoFileName)
QMOVIE_FLATTENER_TEXT_PROPERTY(madeWithMetaData, setMadeWithMetaData, _madeWithMetaData)
QMOVIE_FLATTENER_TEXT_PROPERTY(videoFormat, setVideoFormat, _videoFormat)
QMOVIE_FLATTENER_TEXT_PROPERTY(commentMetaData, setCommentMetaData, _commentMetaData)

QString QMovieFlattenerQueueOp::tempFileName() const {
    std::lock_guard guard(mLock);
    return _tempFileName;
}

void QMovieFlattenerQueueOp::setTempFileName(const QString& name) {
    const QString previous = tempFileName();
    {
        std::lock_guard guard(mLock);
        _tempFileName = name;
    }
    NSRef<QTMovie> reference(refMovie());
    if (!reference || name == previous)
        return;
    // The reference movie has not been used yet: make it again at the new name, so that no file
    // is left at the old one.
    NSRef<QTMovie> moved = NSAdopt(QTMovie::initToWritableFile(name, nullptr));
    if (moved)
        moved->detachFromCurrentThread();
    setRefMovie(moved.get());
    reference.reset();
    QFile::remove(previous);
}

QMovieFlattenerQueueOpDelegate* QMovieFlattenerQueueOp::delegate() const {
    std::lock_guard guard(mLock);
    return _delegate;
}

void QMovieFlattenerQueueOp::setDelegate(QMovieFlattenerQueueOpDelegate* delegate) {
    if (NSObject* object = asObject(delegate))
        object->retain();
    QMovieFlattenerQueueOpDelegate* previous = nullptr;
    {
        std::lock_guard guard(mLock);
        previous = std::exchange(_delegate, delegate);
    }
    if (NSObject* object = asObject(previous))
        object->release();
}

bool QMovieFlattenerQueueOp::soundEndsWithVideo() const {
    std::lock_guard guard(mLock);
    return _soundEndsWithVideo;
}

void QMovieFlattenerQueueOp::setSoundEndsWithVideo(bool ends) {
    std::lock_guard guard(mLock);
    _soundEndsWithVideo = ends;
}

bool QMovieFlattenerQueueOp::succeeded() const {
    std::lock_guard guard(mLock);
    return _succeeded;
}

void QMovieFlattenerQueueOp::setSucceeded(bool succeeded) {
    std::lock_guard guard(mLock);
    _succeeded = succeeded;
}

void QMovieFlattenerQueueOp::storeMovie(QTMovie** field, QTMovie* movie) {
    if (movie)
        movie->retain();
    QTMovie* previous = std::exchange(*field, movie);
    if (previous)
        previous->release();
}

QTMovie* QMovieFlattenerQueueOp::refMovie() const {
    std::lock_guard guard(mLock);
    return _refMovie;
}

void QMovieFlattenerQueueOp::setRefMovie(QTMovie* movie) {
    std::lock_guard guard(mLock);
    storeMovie(&_refMovie, movie);
}

QTMovie* QMovieFlattenerQueueOp::videoMovie() const {
    std::lock_guard guard(mLock);
    return _videoMovie;
}

void QMovieFlattenerQueueOp::setVideoMovie(QTMovie* movie) {
    std::lock_guard guard(mLock);
    storeMovie(&_videoMovie, movie);
}

QTMovie* QMovieFlattenerQueueOp::audioMovie() const {
    std::lock_guard guard(mLock);
    return _audioMovie;
}

void QMovieFlattenerQueueOp::setAudioMovie(QTMovie* movie) {
    std::lock_guard guard(mLock);
    storeMovie(&_audioMovie, movie);
}

bool QMovieFlattenerQueueOp::writeAheadOfRecording(
    const QString& movieFileName, const QString& audioFileName, const QString& videoFileName,
    const QString& madeWith, const QString& videoFormat, const QString& comment,
    std::optional<QTTime> soundEnd) {
    // The run puts the sound's first track before the video's, both from time 0 (the video
    // whole), into a reference movie with the made-with text as its copyright.
    return qtkit::beginFlatteningAhead(movieFileName, audioFileName, videoFileName,
                                       madeWith.isNull() ? QVariant() : QVariant(madeWith),
                                       videoFormat, comment, soundEnd);
}

void QMovieFlattenerQueueOp::dropWrittenAhead(const QString& movieFileName) {
    qtkit::dropFlatteningAhead(movieFileName);
}

namespace {

// "the output folder … is gone" when the final movie's folder was removed during the job: the
// reason any write there fails, whatever the failure itself says. Empty while it is there.
QString outputFolderGone(const QString& movieFileName) {
    const QString folder = QFileInfo(movieFileName).absolutePath();
    return movieFileName.isEmpty() || QFileInfo(folder).isDir()
               ? QString()
               : QStringLiteral("the output folder %1 is gone").arg(folder);
}

} // namespace

void QMovieFlattenerQueueOp::main() {
    NSAutoreleasePool pool;
    setSucceeded(false);
    setFailureReason({});
    NSRef<QTMovie> reference(refMovie());
    NSRef<QTMovie> video(videoMovie());
    NSRef<QTMovie> audio(audioMovie());
    // A sound movie that was named but could not be opened fails the run; without one, the
    // video is written alone.
    const bool soundReady = audio || audioFileName().isNull();
    if (isStopRequested())
        setFailureReason(QStringLiteral("stopped before the movie was written"));
    else if (const QString gone = outputFolderGone(movieFileName()); !gone.isEmpty())
        setFailureReason(gone);
    else if (!reference)
        setFailureReason(
            QStringLiteral("cannot create the temporary movie %1").arg(tempFileName()));
    else if (!video)
        setFailureReason(QStringLiteral("cannot open the video %1").arg(videoFileName()));
    else if (!soundReady)
        setFailureReason(QStringLiteral("cannot open the sound movie %1").arg(audioFileName()));
    else {
        QTMovie::enterQTKitOnThread();
        reference->attachToCurrentThread();
        video->attachToCurrentThread();
        if (audio)
            audio->attachToCurrentThread();

        reference->setAttribute(true, QTMovieEditableAttribute);
        const QString madeWith = madeWithMetaData();
        if (!madeWith.isNull())
            reference->setAttribute(madeWith, QTMovieCopyrightAttribute);
        reference->setShouldContinueOperation([this](double) { return !isStopRequested(); });
        bool assembled =
            !audio || addSoundTrackToRefMovie(reference.get(), audio.get(), video.get());
        if (assembled && audio)
            reference->updateMovieFile();
        assembled = assembled && addFirstTrackToRefMovie(reference.get(), video.get());
        if (assembled) {
            reference->updateMovieFile();
            // Only a written final movie counts as success.
            setSucceeded(flattenRefMovie(reference.get(), movieFileName()));
        }
        if (!succeeded()) {
            const QString folderGone = outputFolderGone(movieFileName());
            if (isStopRequested())
                setFailureReason(QStringLiteral("stopped while the movie was written"));
            else if (!folderGone.isEmpty())
                setFailureReason(folderGone);
            else
                setFailureReason(assembled ? reference->lastErrorDescription()
                                           : QStringLiteral("a source movie has no track"));
        }

        if (audio)
            audio->detachFromCurrentThread();
        video->detachFromCurrentThread();
        reference->detachFromCurrentThread();
        QTMovie::exitQTKitOnThread();
    }
    QFile::remove(tempFileName());
    operationCompleted(succeeded());
}

QString QMovieFlattenerQueueOp::failureReason() const {
    std::lock_guard guard(mLock);
    return mFailureReason;
}

void QMovieFlattenerQueueOp::setFailureReason(const QString& reason) {
    std::lock_guard guard(mLock);
    mFailureReason = reason;
}

bool QMovieFlattenerQueueOp::addFirstTrackToRefMovie(QTMovie* refMovie, QTMovie* sourceMovie) {
    if (!sourceMovie || !refMovie)
        return false;
    QTTrack* track = firstMovieTrack(sourceMovie);
    if (!track)
        return false;
    const QTTimeRange range = QTMakeTimeRange(QTZeroTime, sourceMovie->duration());
    return refMovie->insertSegmentOfTrack(track, range, QTZeroTime) != nullptr;
}

bool QMovieFlattenerQueueOp::addSoundTrackToRefMovie(QTMovie* refMovie, QTMovie* soundMovie,
                                                     QTMovie* videoMovie) {
    if (!soundEndsWithVideo() || !soundMovie || !videoMovie || !refMovie)
        return addFirstTrackToRefMovie(refMovie, soundMovie);
    QTTrack* track = firstMovieTrack(soundMovie);
    if (!track)
        return false;
    // The range is in the video's own time scale, so that the sound ends on the video's last
    // unit; a sound no longer than the video stays whole.
    const QTTime videoEnd = videoMovie->duration();
    const QTTime soundEnd = soundMovie->duration();
    const QTTime end = QTTimeCompare(videoEnd, soundEnd) < 0 ? videoEnd : soundEnd;
    return refMovie->insertSegmentOfTrack(track, QTMakeTimeRange(QTZeroTime, end), QTZeroTime) !=
           nullptr;
}

QTTrack* QMovieFlattenerQueueOp::firstMovieTrack(QTMovie* movie) {
    if (!movie)
        return nullptr;
    const QList<QTTrack*> tracks = movie->tracks();
    return tracks.isEmpty() ? nullptr : tracks.first();
}

bool QMovieFlattenerQueueOp::flattenRefMovie(QTMovie* movie, const QString& fileName) {
    NSLog("QMovieFlattenerQueueOp::flattenRefMovie:%@ toFileName:%@\n", movie, fileName);
    for (QTTrack* track : movie->tracks()) {
        const QTTimeRange range = QTTimeRangeValue(track->attributeForKey(QTTrackRangeAttribute));
        NSLog("QMovieFlattenerQueueOp::flattenRefMovie: track:%@ duration:%@\n", track,
              QTStringFromTimeRange(range));
    }
    NSError* error = nullptr;
    return movie->writeToFile(fileName,
                              {{QTMovieFlatten, true},
                               {QTMovieExportVideoFormat, videoFormat()},
                               {QTMovieExportComment, commentMetaData()}},
                              &error);
}

void QMovieFlattenerQueueOp::operationCompleted(bool succeeded) {
    // The video source is this run's intermediate: gone after success, kept after a failure so
    // that it can still be recovered.
    if (succeeded)
        QFile::remove(videoFileName());
    QMovieFlattenerQueueOpDelegate* target = delegate();
    if (!target)
        return;
    // The posted call keeps this operation and its delegate alive until it has run (or was not
    // posted at all).
    NSThread::runOnMainThread([self = NSRef<QMovieFlattenerQueueOp>(this), target,
                               keptTarget = NSRef<NSObject>(asObject(target))] {
        target->movieFlattenerCompleted(self.get());
    });
}
