#pragma once

#include "app/job/RenderJob.h"
#include "movie/QTKitMovieRecorder/QMovieFlattenerQueueOpDelegate.h"
#include "movie/QTKitMovieRecorder/QStillFrameMovieRecorder.h"
#include "platform/appkitcore/NSImage.h"
#include "platform/foundation/NSClass.h"
#include "platform/foundation/NSObject.h"
#include "platform/qtkit/QTTime.h"

#include <QByteArray>
#include <QSizeF>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

class CompositionInputFeed;
class NSBitmapImageRep;
class NSImage;
class NSOperationQueue;
class NSURL;
class QCRenderer;
class QMovieFlattenerQueueOp;

// Renders one composition into one movie: on a thread of its own it renders the composition at
// times 0, 1/fps, 2/fps ... up to the duration (QTZMovieRendererFrameCount), records each frame
// into a temporary video movie, then queues the flattener that joins the sound movie's first track
// and the video into the final movie. Progress and preview reach the main thread by queued calls
// and leave as signals; whoever shows them (the window, the command line) connects to those.
//
// The job is one RenderJob value: the setters below are views onto the job held for the next
// start, and renderToMovie hands the render thread a copy of it, so that nothing the thread
// reads changes under it.
//
// Threads: renderToMovie, updateStatusWithImage, movieFlattenerCompleted and the signals run on
// the main thread; the job body runs on the render thread.
class QTZMovieRenderer : public NSObject, public QMovieFlattenerQueueOpDelegate {
    Q_OBJECT
    NS_DECLARE_CLASS(QTZMovieRenderer)
    Q_PROPERTY(bool isRendering READ isRendering WRITE setIsRendering)
    Q_PROPERTY(NSObject* outletImageView MEMBER outletImageView)
    Q_PROPERTY(QStillFrameMovieRecorder* outletRecorder MEMBER outletRecorder)
    Q_PROPERTY(NSObject* outletProgress MEMBER outletProgress)
    Q_PROPERTY(double outputMovieDuration READ outputMovieDuration WRITE setOutputMovieDuration)
    Q_PROPERTY(QString outputFinalMovieFile READ outputFinalMovieFile WRITE setOutputFinalMovieFile)
    Q_PROPERTY(QSizeF rendererSurfaceSizePixels READ rendererSurfaceSizePixels WRITE
                   setRendererSurfaceSizePixels)
public:
    QTZMovieRenderer();
    ~QTZMovieRenderer() override;
    NSObject* init() override;

    // Outlets, connected once; not retained. The preview and the progress bar are the window's:
    // it shows previewChanged and progressChanged in them.
    NSObject* outletImageView = nullptr;
    QStillFrameMovieRecorder* outletRecorder = nullptr;
    NSObject* outletProgress = nullptr;

    // The job the next renderToMovie starts.
    RenderJob job() const;
    void setJob(RenderJob job);

    // Views onto the held job, for the interface file, bindings and callers that set one
    // setting at a time.
    NSURL* inputCompositionURL() const;
    void setInputCompositionURL(NSURL* url);
    NSURL* inputAudioMovieURL() const;
    void setInputAudioMovieURL(NSURL* url);
    // The final movie's delivery format (DeliveryFormats.h); "animation" by default.
    QString deliveryFormat() const;
    void setDeliveryFormat(const QString& name);
    // The frames a job renders into its movie, 0-based and inclusive (a last frame of -1: to
    // the end); earlier frames keep their times and lengths. The whole job by default.
    std::pair<std::int64_t, std::int64_t> frameRange() const;
    void setFrameRange(std::int64_t first, std::int64_t last);
    // Whether the sound movie's track goes into the final movie (the default); without it the
    // composition still hears the sound, and the movie is video only.
    bool soundInMovie() const;
    void setSoundInMovie(bool included);
    // The job's timing (RenderJob): as long as the sound, a loop, the sound cut at the video's
    // end; all off by default.
    bool durationFromSound() const;
    void setDurationFromSound(bool fromSound);
    bool loops() const;
    void setLoops(bool loop);
    bool cutsSound() const;
    void setCutsSound(bool cut);
    // The final movie's "comment" metadata entry; empty (the default): none.
    QString segmentComment() const;
    void setSegmentComment(const QString& text);
    // Values and files for the composition's inputs, by input name; none by default.
    CompositionInputSettings compositionInputs() const;
    void setCompositionInputs(const CompositionInputSettings& settings);
    QString outputFinalMovieFile() const;
    void setOutputFinalMovieFile(const QString& path);
    double outputMovieDuration() const;
    void setOutputMovieDuration(double seconds);
    // Frames per second, 30 by default; a started job also shows its rate in
    // QStillFrameRecorder_Config_RenderFPS.
    std::uint32_t framesPerSecond() const;
    void setFramesPerSecond(std::uint32_t framesPerSecond);
    QSizeF rendererSurfaceSizePixels() const;
    void setRendererSurfaceSizePixels(QSizeF size);

    QCRenderer* renderer() const;
    void setRenderer(QCRenderer* renderer);
    double frameTime() const { return mFrameTime; }
    void setFrameTime(double seconds) { mFrameTime = seconds; }
    NSOperationQueue* flattenerQueue() const;
    void setFlattenerQueue(NSOperationQueue* queue);
    std::uint32_t lastPercentUpdate() const { return mLastPercentUpdate; }
    void setLastPercentUpdate(std::uint32_t percent) { mLastPercentUpdate = percent; }
    bool isRendering() const { return mIsRendering.load(); }
    void setIsRendering(bool rendering) { mIsRendering.store(rendering); }

    // Names derived from the composition, computed on each call.
    QString inputCompositionPath() const;
    QString outputTempVideoFile() const;
    QString outputTempMovieFile() const;

    // Starts the held job and returns at once. Refused, with a log line, while another job
    // renders or when the job does not validate (RenderJob::validate). Returns whether a render
    // thread was started.
    bool renderToMovie();
    // Any thread: stops the running job between two frames, or its flattening between two
    // packets. The frames recorded so far stay a playable movie, which goes to the Trash as
    // after a failed job; no final movie is written. The job then ends as usual, with
    // renderJobFinished(false).
    void cancelRendering();
    void renderToMovieUsingMultipleCores();
    Q_INVOKABLE void renderMovieOnBackgroundThread(NSObject* argument);
    Q_INVOKABLE void renderMovieOnMainThread(NSObject* argument);
    void renderComposition(NSURL* composition, const QString& toMovieOutputFile);
    // Loads the composition into a new off-screen renderer. False, with a log line and no
    // renderer left, when the data is not a composition or no renderer can be made (the
    // shader compiler's log among the reasons); `out_error`, when given, receives the reason.
    bool openCompositionData(const QByteArray& data, QString* out_error = nullptr);
    // Makes the job's feed of the composition's inputs for the loaded renderer. False, with the
    // reason and no renderer left, when an input setting does not fit or its file cannot be read.
    bool openInputFeed(QString* out_error);
    // Records the job's frames into the temporary movie at `path`; mFrameFailure says why it
    // stopped short.
    void renderVideoTrackToTemporaryMooV(const QString& path);
    // Main thread; takes over the reference handed with the image, which previewChanged shows.
    void updateStatusWithImage(NSImage* image);
    void combineVideoAndAudioTracksIntoFlattenedMovie(const QString& path);
    // Stops and removes the final movie written along the recording when no flattening took it.
    void dropWrittenAhead();
    void movieFlattenerCompleted(QMovieFlattenerQueueOp* operation) override;

    // Main thread, valid from renderJobFinished until the next job starts: why the last job
    // wrote no movie (empty when it did), whether it was cancelled, and where its recorded video
    // went for recovery (empty when nothing was kept).
    QString lastJobFailureReason() const { return mJobFailureReason; }
    bool lastJobWasCancelled() const { return mJobCancelled; }
    QString lastJobRecoverableVideo() const { return mJobRecoverableVideo; }
    // Main thread: from a started renderToMovie until its renderJobFinished, through the
    // rendering and the writing of the movie.
    bool isJobActive() const { return mJobActive; }

Q_SIGNALS:
    // Main thread: the job is over. `movieWritten` is true when the final movie was written.
    void renderJobFinished(bool movieWritten);
    // Main thread: the frame the running job has reached, as a fraction of its duration from 0
    // to 1; 1 once every frame is recorded.
    void progressChanged(double fraction);
    // Main thread: a frame to show as the job's preview, every five percent.
    void previewChanged(NSImage* image);

private:
    // The pieces of renderVideoTrackToTemporaryMooV, on the render thread. Each sets
    // mFrameFailure when it fails.
    struct VideoRecording;
    bool beginVideoRecording(QStillFrameMovieRecorder* recorder, const QString& path);
    // The frames recorded: those of the job's range (with the earlier ones rendered first where
    // kept buffers carry them), until one fails or the job is cancelled.
    std::int64_t recordFrames(const VideoRecording& recording);
    // Prepares the inputs and renders the frame at `time`; with `out_bitmap`, also takes its
    // picture, which the caller then owns.
    bool renderFrame(QCRenderer* renderer, std::int64_t frameIndex, double time,
                     NSBitmapImageRep** out_bitmap);
    // Adds the rendered picture to the recording as frame `frameIndex`; gives up `bitmap`.
    bool addRenderedFrame(const VideoRecording& recording, NSBitmapImageRep* bitmap,
                          std::int64_t frameIndex, double time);
    // Where the flattening ends a sound cut at the video's end: the whole job's video length;
    // nothing when the sound is not cut.
    std::optional<QTTime> cutSoundEnd() const;
    // Posts the progress, and now and then the picture, to the window.
    void showFrameProgress(NSImage* image, double time);

    // Main thread: the render thread has ended; `queuedFlattener` tells whether a flattening is
    // part of the job, `recordedVideo` whether the job began its temporary video, `failure` why
    // the job failed before any flattening (empty if it did not).
    void renderThreadEnded(bool queuedFlattener, bool recordedVideo, const QString& failure);
    // Main thread: shows the progress of the running job.
    void showProgress(double fraction);
    // The temporary video and movie of the started job.
    QString runningTempVideoFile() const;
    QString runningTempMovieFile() const;
    // Main thread: moves the job's recorded video to the Trash, keeping where it went.
    void trashTemporaryVideo();
    void setFlattener(QMovieFlattenerQueueOp* flattener);

    // Updates the held job under the lock.
    template <class Change>
    void changeJob(Change change) {
        std::lock_guard lock(mPropertyLock);
        change(mJob);
    }

    mutable std::mutex mPropertyLock;
    RenderJob mJob;
    // The started job: written by renderToMovie before its render thread starts, read by that
    // thread and by the main thread until the next start.
    RenderJob mRunningJob;
    // The running job's feed of the composition's inputs (render thread only).
    std::unique_ptr<CompositionInputFeed> mInputFeed;
    QCRenderer* mRenderer = nullptr;
    double mFrameTime = 0.0;
    NSOperationQueue* mFlattenerQueue = nullptr;
    std::uint32_t mLastPercentUpdate = 0xFFFFFFFFu;
    std::atomic<bool> mIsRendering{false};
    // Set from the start of a job until its render thread ends: a second start is refused.
    std::atomic<bool> mJobThreadActive{false};
    // Whether the current job queued a flattener, and why its frames failed (render thread only).
    bool mQueuedFlattener = false;
    bool mRecordedVideo = false;
    QString mFrameFailure;
    // The final movie of the current job, and whether it is being written along the recording.
    QString mFinalMovieFile;
    std::atomic<bool> mWritingAhead{false};
    std::atomic<bool> mCancelRequested{false};
    // The queued flattener, retained while it may still run; under mPropertyLock.
    QMovieFlattenerQueueOp* mFlattener = nullptr;
    // The last job's outcome (main thread only).
    QString mJobFailureReason;
    QString mJobRecoverableVideo;
    bool mJobCancelled = false;
    bool mJobActive = false;
    // Main thread: the job is over.
    void finishJob(bool movieWritten);
    // Main thread only: how the job's flattening ended, for a render thread that ends after it.
    enum class FlattenerResult { Pending = 1, Written, Failed };
    FlattenerResult mFlattenerResult = FlattenerResult::Pending;
    bool mAwaitingFlattener = false;
};

// The number of frames a job renders: frame k shows time k/fps and is rendered when that time
// does not pass the duration by more than a millionth of a frame (a duration typed in decimal
// may land a hair below a frame's time); at least one, none at a rate of 0.
// A loop leaves out the frame at the duration: frames whose time lies a millionth of a frame or
// more before it, duration x fps of them where that is whole; at least one.
std::int64_t QTZMovieRendererFrameCount(double durationSeconds, std::uint32_t framesPerSecond,
                                        bool loop = false);
// The length of a job's video: its frames' units of the video time scale (frame starts are
// rounded to whole units, so the frames end at the unit nearest to frameCount / fps).
QTTime QTZMovieRendererVideoLength(std::int64_t frameCount, std::uint32_t framesPerSecond);

// The refresh step of the preview, in percent.
extern const std::uint32_t QTZMovieRenderer_PercentDeltaUpdateImage;

int import_QTZMovieRenderer();
