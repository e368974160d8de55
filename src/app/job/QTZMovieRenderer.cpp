#include "app/job/QTZMovieRenderer.h"

#include "app/job/RenderTiming.h"
#include "interface/USecuritySandbox/USandboxTempFolder.h"
#include "movie/QTKitMovieRecorder/QMovieFlattenerQueueOp.h"
#include "movie/QTKitMovieRecorder/QStillFrameMovieRecorder.h"
#include "movie/QTKitMovieRecorder/QStillFrameRecorderConfig.h"
#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/appkitcore/NSImage.h"
#include "platform/coregraphics/CGColorSpace.h"
#include "platform/foundation/NSError.h"
#include "platform/foundation/NSFileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSOperationQueue.h"
#include "platform/foundation/NSThread.h"
#include "platform/foundation/NSURL.h"
#include "platform/foundation/dispatch.h"
#include "platform/qtkit/QTMovie.h"
#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCCompositionModel.h"
#include "platform/quartzcomposer/QCRenderer.h"
#include "support/CocoaMachDebugLog.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

const std::uint32_t QTZMovieRenderer_PercentDeltaUpdateImage = 5;

NS_IMPLEMENT_CLASS(QTZMovieRenderer, NSObject)

int import_QTZMovieRenderer() {
    return (QTZMovieRenderer::classObject() != nullptr) & import_QStillFrameMovieRecorder() &
           import_QMovieFlattenerQueueOp() & import_USandboxTempFolder();
}

namespace {

// The progress percentage as the frame loop takes it: the fraction times 100, truncated toward
// zero as a 64-bit integer whose low 32 bits are kept. A fraction that no 64-bit integer holds
// (a zero duration gives 0/0) takes the value the processor's conversion gives, the lowest
// 64-bit integer, whose low bits are 0.
std::uint32_t truncatedPercent(double fraction) {
    const double percent = fraction * 100.0;
    constexpr double kLimit = 9223372036854775808.0; // 2^63
    if (!(percent > -kLimit && percent < kLimit))
        return 0;
    return static_cast<std::uint32_t>(
        static_cast<std::uint64_t>(static_cast<std::int64_t>(percent)));
}

// The length of frame `index` in video time-scale units: the units from the frame's start to the
// next frame's start, each rounded to the nearest unit, so that frames of rates that do not
// divide the time scale still add up to the movie's exact length.
std::int32_t frameUnits(std::int64_t index, std::uint32_t framesPerSecond) {
    const std::int64_t scale = kQTTime_VideoTimeScale;
    const std::int64_t rate = framesPerSecond;
    auto startOf = [&](std::int64_t frame) {
        return (2 * frame * scale + rate) / (2 * rate);
    };
    return static_cast<std::int32_t>(
        std::max<std::int64_t>(1, startOf(index + 1) - startOf(index)));
}

} // namespace

std::int64_t QTZMovieRendererFrameCount(double durationSeconds, std::uint32_t framesPerSecond,
                                        bool loop) {
    if (framesPerSecond == 0)
        return 0;
    constexpr double kMostFrames = 1e15;
    const double frames = durationSeconds * static_cast<double>(framesPerSecond);
    if (loop) {
        // The frames before the duration: one that lands a hair below it (a duration typed in
        // decimal) is the end frame itself, and left out.
        const double before = std::ceil(frames - 1e-6);
        if (!(before >= 1))
            return 1;
        return static_cast<std::int64_t>(std::min(before, kMostFrames));
    }
    // A millionth of a frame: a duration typed in decimal lands a hair below the frame it names.
    const double lastFrame = std::floor(frames + 1e-6);
    if (!(lastFrame >= 0))
        return 1;
    return static_cast<std::int64_t>(std::min(lastFrame, kMostFrames)) + 1;
}

QTTime QTZMovieRendererVideoLength(std::int64_t frameCount, std::uint32_t framesPerSecond) {
    const std::int64_t scale = kQTTime_VideoTimeScale;
    if (framesPerSecond == 0 || frameCount <= 0)
        return QTMakeTime(0, std::int32_t(scale));
    const std::int64_t rate = framesPerSecond;
    return QTMakeTime((2 * frameCount * scale + rate) / (2 * rate), std::int32_t(scale));
}

bool QTZMovieRenderer::renderToMovie() {
    if (mJobThreadActive.load()) {
        NSLog("renderToMovie: a job is still rendering; the new job is refused\n");
        return false;
    }
    RenderJob started = job();
    QString problem = started.validate();
    // A job as long as its sound takes the sound's length before its frames are counted.
    if (problem.isEmpty())
        resolveSoundDuration(started, &problem);
    if (!problem.isEmpty()) {
        NSLog("renderToMovie: %@; the job is refused\n", problem);
        return false;
    }
    // The render thread reads its own copy; the settings may change for the next job meanwhile.
    mRunningJob = std::move(started);
    QStillFrameRecorder_Config_RenderFPS = mRunningJob.framesPerSecond;
    QStillFrameRecorder_Config_EncoderThreads = mRunningJob.encoderThreads;
    mJobThreadActive.store(true);
    mFlattenerResult = FlattenerResult::Pending;
    mAwaitingFlattener = false;
    mCancelRequested.store(false);
    mJobFailureReason.clear();
    mJobRecoverableVideo.clear();
    mJobCancelled = false;
    mJobActive = true;
    renderToMovieUsingMultipleCores();
    return true;
}

void QTZMovieRenderer::cancelRendering() {
    mCancelRequested.store(true);
    std::lock_guard lock(mPropertyLock);
    if (mFlattener)
        mFlattener->stopFlattening();
}

void QTZMovieRenderer::setFlattener(QMovieFlattenerQueueOp* flattener) {
    QMovieFlattenerQueueOp* old = nullptr;
    {
        std::lock_guard lock(mPropertyLock);
        if (flattener)
            flattener->retain();
        old = std::exchange(mFlattener, flattener);
        // A stop asked for before the flattener existed holds for it too.
        if (flattener && mCancelRequested.load())
            flattener->stopFlattening();
    }
    if (old)
        old->release();
}

void QTZMovieRenderer::renderToMovieUsingMultipleCores() {
    QTMovie::enterQTKitOnThread();
    NSThread::detachNewThreadSelector(QStringLiteral("renderMovieOnBackgroundThread:"), this,
                                      nullptr);
    QTMovie::exitQTKitOnThread();
}

void QTZMovieRenderer::renderMovieOnBackgroundThread(NSObject*) {
    bool queuedFlattener = false;
    bool recordedVideo = false;
    QString failure;
    {
        NSAutoreleasePool threadPool;
        NSThread::setThreadPriority(1.0);
        mQueuedFlattener = false;
        mRecordedVideo = false;
        mFrameFailure.clear();
        renderComposition(mRunningJob.compositionURL.get(), mRunningJob.finalMovieFile);
        if (outletRecorder)
            outletRecorder->setMovie(nullptr);
        queuedFlattener = mQueuedFlattener;
        recordedVideo = mRecordedVideo;
        failure = mFrameFailure;
    }
    // The job is over once both its render thread and its flattening (if one was queued) have
    // ended; both reports arrive on the main thread, in either order.
    NSThread::runOnMainThread(
        [self = NSRef<QTZMovieRenderer>(this), queuedFlattener, recordedVideo, failure] {
            self->renderThreadEnded(queuedFlattener, recordedVideo, failure);
        });
}

void QTZMovieRenderer::renderMovieOnMainThread(NSObject*) {
    mRunningJob = job();
    if (const QString problem = mRunningJob.validate(); !problem.isEmpty()) {
        NSLog("renderMovieOnMainThread: %@; nothing is rendered\n", problem);
        return;
    }
    renderComposition(mRunningJob.compositionURL.get(), mRunningJob.finalMovieFile);
}

void QTZMovieRenderer::renderThreadEnded(bool queuedFlattener, bool recordedVideo,
                                         const QString& failure) {
    mJobThreadActive.store(false);
    if (!queuedFlattener) {
        mJobCancelled = mCancelRequested.load();
        mJobFailureReason = mJobCancelled       ? QStringLiteral("the job was cancelled")
                            : failure.isEmpty() ? QStringLiteral("no movie was rendered")
                                                : failure;
        // Only this job's own recording: a file of that name may belong to the flattening of
        // an earlier job.
        if (recordedVideo)
            trashTemporaryVideo();
        finishJob(false);
    } else if (mFlattenerResult != FlattenerResult::Pending)
        finishJob(mFlattenerResult == FlattenerResult::Written);
    else
        mAwaitingFlattener = true;
}

void QTZMovieRenderer::renderComposition(NSURL* composition, const QString& toMovieOutputFile) {
    NSLog("renderComposition:%@\n", composition);
    if (!outletRecorder)
        return;
    setIsRendering(true);
    if (flattenerQueue() == nullptr) {
        QString readError;
        // A FIFO or a device is refused rather than waited on.
        const std::optional<QByteArray> data =
            QCReadCompositionFile(composition ? composition->path() : QString(), &readError);
        if (data) {
            QString error;
            if (openCompositionData(*data, &error) && openInputFeed(&error)) {
                mFinalMovieFile = toMovieOutputFile;
                mWritingAhead = false;
                renderVideoTrackToTemporaryMooV(runningTempVideoFile());
                mInputFeed.reset();
                // A movie that misses frames is no result: it is kept for recovery instead.
                if (mFrameFailure.isEmpty() && !mCancelRequested.load())
                    combineVideoAndAudioTracksIntoFlattenedMovie(toMovieOutputFile);
                else
                    dropWrittenAhead();
            } else {
                mFrameFailure = error;
            }
        } else {
            NSLog("renderComposition: cannot read %@ (%@)\n", composition, readError);
            mFrameFailure = readError;
        }
    }
    setIsRendering(false);
}

bool QTZMovieRenderer::openCompositionData(const QByteArray& data, QString* out_error) {
    NSLog("self.outputTempMovieFile:%@\n", runningTempMovieFile());
    NSLog("self.outputTempVideoFile:%@\n", runningTempVideoFile());
    const QString compositionPath = mRunningJob.compositionPath();
    // A failed load leaves no renderer: an earlier job's composition must not be rendered under
    // this job's name.
    setRenderer(nullptr);
    QString error;
    QCComposition* composition = QCComposition::compositionWithData(data, compositionPath, &error);
    if (!composition) {
        // The reason says itself whether the file is no composition or one that cannot be
        // used (a picture it imports, say).
        if (out_error)
            *out_error = QStringLiteral("%1: %2").arg(QFileInfo(compositionPath).fileName(), error);
        NSLog("openCompositionData: %@ is not a composition\n", compositionPath);
        return false;
    }
    CGColorSpaceRef colorSpace = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
    if (!colorSpace) {
        if (out_error)
            *out_error = QStringLiteral("no generic RGB colour space");
        NSLog("openCompositionData: no generic RGB colour space\n");
        return false;
    }
    QCRenderer* renderer =
        QCRenderer::initOffScreenWithSize(mRunningJob.sizePixels, colorSpace, composition, &error);
    CGColorSpaceRelease(colorSpace);
    if (!renderer) {
        if (out_error)
            *out_error = QStringLiteral("%1 cannot be rendered: %2")
                             .arg(QFileInfo(compositionPath).fileName(), error);
        NSLog("openCompositionData: no renderer for %@\n", composition);
        return false;
    }
    renderer->setFrameRate(mRunningJob.framesPerSecond);
    setRenderer(renderer);
    renderer->release();
    return true;
}

bool QTZMovieRenderer::openInputFeed(QString* out_error) {
    mInputFeed.reset();
    QCRenderer* renderer = this->renderer();
    QString error;
    mInputFeed = CompositionInputFeed::create(renderer->composition()->model(), mRunningJob.inputs,
                                              mRunningJob.soundMoviePath(),
                                              mRunningJob.durationSeconds, &error);
    if (!mInputFeed) {
        NSLog("openInputFeed: %@\n", error);
        *out_error = error;
        setRenderer(nullptr);
    }
    return mInputFeed != nullptr;
}

// What every frame of one recording shares.
struct QTZMovieRenderer::VideoRecording {
    QStillFrameMovieRecorder* recorder;
    QString path;
    std::uint32_t framesPerSecond;
    QSizeF size;
    QCRenderer* renderer;
};

void QTZMovieRenderer::renderVideoTrackToTemporaryMooV(const QString& path) {
    QStillFrameMovieRecorder* recorder = outletRecorder;
    if (!recorder || !beginVideoRecording(recorder, path))
        return;
    const std::int64_t framesRecorded = recordFrames(
        {recorder, path, mRunningJob.framesPerSecond, mRunningJob.sizePixels, this->renderer()});
    recorder->endRecordingMovie();
    // Frames still being encoded when the loop ended are in the file now, or failed it.
    if (mFrameFailure.isEmpty() && !recorder->lastErrorDescription().isEmpty())
        mFrameFailure = QStringLiteral("the last frames could not be written: %1")
                            .arg(recorder->lastErrorDescription());
    if (!mFrameFailure.isEmpty() || mCancelRequested.load()) {
        // A recording without a single frame recovers nothing: it is removed, not trashed.
        if (framesRecorded == 0 && QFile::remove(path))
            mRecordedVideo = false;
        return;
    }

    // The last frame's time is at most the duration, so the bar would stop short of its end.
    dispatch_async(dispatch_get_main_queue(),
                   [self = NSRef<QTZMovieRenderer>(this)] { self->showProgress(1.0); });
}

void QTZMovieRenderer::showProgress(double fraction) {
    // A job of no duration starts at 0/0; a frame a hair past the duration shows as its end.
    Q_EMIT progressChanged(std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0));
}

bool QTZMovieRenderer::beginVideoRecording(QStillFrameMovieRecorder* recorder,
                                           const QString& path) {
    if (path.isEmpty()) {
        mFrameFailure = QStringLiteral("this process has no temporary folder for the video");
        return false;
    }
    NSURL* url = NSURL::fileURLWithPath(path, false);
    if (!url || !recorder->beginRecordingMovieFileURL(url)) {
        mFrameFailure = QStringLiteral("cannot create the temporary movie %1").arg(path);
        return false;
    }
    mRecordedVideo = true;
    return true;
}

std::int64_t QTZMovieRenderer::recordFrames(const VideoRecording& recording) {
    std::int64_t framesRecorded = 0;
    const std::int64_t firstFrame = mRunningJob.firstFrame;
    const std::int64_t lastFrame = mRunningJob.lastFrame;
    const std::int64_t frameCount = mRunningJob.frameCount();
    const std::int64_t endFrame =
        lastFrame >= 0 ? std::min<std::int64_t>(lastFrame + 1, frameCount) : frameCount;
    // Frames before the range are rendered only when kept buffers carry them into later ones.
    bool keepsBuffers = false;
    for (const QCCompositionModel::Pass& pass :
         recording.renderer ? recording.renderer->composition()->model().passes
                            : std::vector<QCCompositionModel::Pass>())
        keepsBuffers = keepsBuffers || pass.persistent;
    setFrameTime(0.0);
    for (std::int64_t frameIndex = 0; frameIndex < endFrame; ++frameIndex) {
        if (mCancelRequested.load())
            break;
        NSAutoreleasePool framePool;
        // Frame k shows time k/fps exactly, however many frames came before it.
        const double time =
            static_cast<double>(frameIndex) / static_cast<double>(recording.framesPerSecond);
        setFrameTime(time);
        const bool recorded = frameIndex >= firstFrame;
        if (!recorded && !keepsBuffers)
            continue;
        NSBitmapImageRep* bitmap = nullptr;
        if (!renderFrame(recording.renderer, frameIndex, time, recorded ? &bitmap : nullptr))
            break;
        if (!recorded)
            continue;
        if (!addRenderedFrame(recording, bitmap, frameIndex, time))
            break;
        ++framesRecorded;
    }
    return framesRecorded;
}

bool QTZMovieRenderer::renderFrame(QCRenderer* renderer, std::int64_t frameIndex, double time,
                                   NSBitmapImageRep** out_bitmap) {
    QString feedError;
    if (mInputFeed && !mInputFeed->prepareFrame(renderer, time, &feedError)) {
        mFrameFailure = feedError;
        return false;
    }
    if (renderer && renderer->renderAtTime(time)) {
        if (!out_bitmap)
            return true;
        *out_bitmap = renderer->createSnapshotImageOfType(QStringLiteral("NSBitmapImageRep"));
        if (*out_bitmap)
            return true;
    }
    mFrameFailure =
        QStringLiteral("frame %1 (at %2 s) could not be rendered").arg(frameIndex + 1).arg(time);
    if (renderer && !renderer->lostReason().isEmpty())
        mFrameFailure += QStringLiteral(": ") + renderer->lostReason();
    return false;
}

bool QTZMovieRenderer::addRenderedFrame(const VideoRecording& recording, NSBitmapImageRep* bitmap,
                                        std::int64_t frameIndex, double time) {
    auto* image = new NSImage(recording.size);
    image->addRepresentation(bitmap);
    const std::int32_t units = frameUnits(frameIndex, recording.framesPerSecond);
    showFrameProgress(image, time);

    const bool added = recording.recorder->addFrameBitmapImage(image, units);
    image->release();
    bitmap->release();
    if (!added) {
        // Every later frame would fail alike; what was recorded stays a playable movie.
        mFrameFailure = QStringLiteral("frame %1 could not be written: %2")
                            .arg(frameIndex + 1)
                            .arg(recording.recorder->lastErrorDescription());
        return false;
    }
    // Once the recording's file exists, the final movie is written along with it, so that
    // little is left to write and flush when the last frame is in.
    if (!mWritingAhead && !mFinalMovieFile.isEmpty()) {
        mWritingAhead = QMovieFlattenerQueueOp::writeAheadOfRecording(
            mFinalMovieFile, mRunningJob.movieSoundPath(), recording.path, QString(""),
            mRunningJob.deliveryFormat, mRunningJob.segmentComment, cutSoundEnd());
    }
    return true;
}

std::optional<QTTime> QTZMovieRenderer::cutSoundEnd() const {
    if (!mRunningJob.cutSound)
        return std::nullopt;
    // The recording's length once every frame of the job is in it.
    return QTZMovieRendererVideoLength(mRunningJob.frameCount(), mRunningJob.framesPerSecond);
}

void QTZMovieRenderer::showFrameProgress(NSImage* image, double time) {
    const double fraction = time / mRunningJob.durationSeconds;
    const std::uint32_t percent = truncatedPercent(fraction);
    if (percent % QTZMovieRenderer_PercentDeltaUpdateImage == 0 && percent != lastPercentUpdate()) {
        setLastPercentUpdate(percent);
        NSThread::runOnMainThread(
            [self = NSRef<QTZMovieRenderer>(this), preview = NSRef<NSImage>(image)]() mutable {
                self->updateStatusWithImage(preview.take());
            });
    }
    dispatch_async(dispatch_get_main_queue(), [self = NSRef<QTZMovieRenderer>(this), fraction] {
        self->showProgress(fraction);
    });
}

void QTZMovieRenderer::updateStatusWithImage(NSImage* image) {
    if (!image)
        return;
    Q_EMIT previewChanged(image);
    // The reference handed over with the image is given up even when nothing shows it, so that
    // no preview leaks.
    image->release();
}

void QTZMovieRenderer::combineVideoAndAudioTracksIntoFlattenedMovie(const QString& path) {
    if (flattenerQueue())
        return;
    auto* queue = new NSOperationQueue();
    queue->setMaxConcurrentOperationCount(1);
    setFlattenerQueue(queue);
    queue->release();

    QMovieFlattenerQueueOp* flattener = QMovieFlattenerQueueOp::movieFlattenerWithMovieFileName(
        path, mRunningJob.movieSoundPath(), runningTempVideoFile());
    if (!flattener) {
        // Without an operation nothing would ever drop the queue, and no later job could start.
        NSLog("combineVideoAndAudioTracksIntoFlattenedMovie: no flattener for %@\n", path);
        setFlattenerQueue(nullptr);
        return;
    }
    flattener->setDelegate(this);
    flattener->setMadeWithMetaData(QString(""));
    flattener->setVideoFormat(mRunningJob.deliveryFormat);
    flattener->setCommentMetaData(mRunningJob.segmentComment);
    flattener->setSoundEndsWithVideo(mRunningJob.cutSound);
    flattener->setTempFileName(runningTempMovieFile());
    setFlattener(flattener);
    flattenerQueue()->addOperation(flattener);
    mQueuedFlattener = true;
}

void QTZMovieRenderer::dropWrittenAhead() {
    if (mWritingAhead)
        QMovieFlattenerQueueOp::dropWrittenAhead(mFinalMovieFile);
    mWritingAhead = false;
}

void QTZMovieRenderer::movieFlattenerCompleted(QMovieFlattenerQueueOp* operation) {
    NSAutoreleasePool pool;
    dropWrittenAhead();
    setFlattenerQueue(nullptr);
    setFlattener(nullptr);
    const bool written = operation && operation->succeeded();
    mJobCancelled = !written && mCancelRequested.load();
    mJobFailureReason = written ? QString()
                        : mJobCancelled
                            ? QStringLiteral("the job was cancelled")
                            : QStringLiteral("the movie could not be written: %1")
                                  .arg(operation ? operation->failureReason() : QString());
    NSFileManager* fileManager = NSFileManager::defaultManager();
    if (fileManager->respondsToSelector(QStringLiteral("trashItemAtURL:resultingItemURL:error:"))) {
        static const char* const kFunction = "-[QTZMovieRenderer movieFlattenerCompleted:]";
        // The flattener normally removes both files itself: only a file still there and not
        // moved is a failure worth a report.
        const auto failed = [](const NSError* error) {
            return error && error->code() != NSFileNoSuchFileError;
        };
        NSError* error = nullptr;
        NSURL* trashed = nullptr;
        fileManager->trashItemAtURL(NSURL::fileURLWithPath(runningTempVideoFile(), false), &trashed,
                                    &error);
        if (failed(error))
            __VerifiedNSErrorNilBody(error, "QTZMovieRenderer", kFunction, 187, " SOURCE error");
        if (trashed && !written)
            mJobRecoverableVideo = trashed->path();
        error = nullptr;
        fileManager->trashItemAtURL(NSURL::fileURLWithPath(runningTempMovieFile(), false), nullptr,
                                    &error);
        if (failed(error))
            __VerifiedNSErrorNilBody(error, "QTZMovieRenderer", kFunction, 189, " SOURCE error");
    }
    if (mAwaitingFlattener) {
        mAwaitingFlattener = false;
        finishJob(written);
    } else {
        mFlattenerResult = written ? FlattenerResult::Written : FlattenerResult::Failed;
    }
}

void QTZMovieRenderer::finishJob(bool movieWritten) {
    mJobActive = false;
    Q_EMIT renderJobFinished(movieWritten);
}

void QTZMovieRenderer::trashTemporaryVideo() {
    const QString video = runningTempVideoFile();
    if (video.isEmpty() || !QFileInfo::exists(video))
        return;
    NSAutoreleasePool pool;
    NSError* error = nullptr;
    NSURL* trashed = nullptr;
    NSFileManager::defaultManager()->trashItemAtURL(NSURL::fileURLWithPath(video, false), &trashed,
                                                    &error);
    if (trashed)
        mJobRecoverableVideo = trashed->path();
    else
        NSLog("renderComposition: cannot keep %@ in the Trash: %@\n", video, error);
}
