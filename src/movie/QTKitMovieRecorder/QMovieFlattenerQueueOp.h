#pragma once

#include "platform/foundation/NSClass.h"
#include "platform/foundation/NSOperation.h"
#include "platform/qtkit/QTTime.h"

#include <QString>

#include <atomic>
#include <mutex>
#include <optional>

class QMovieFlattenerQueueOpDelegate;
class QTMovie;
class QTTrack;

// Joins the first track of a sound movie and the first track of a video movie into one
// self-contained movie file, on the thread of an operation queue, and tells its delegate on the
// main thread when done.
//
// The sources are opened when the operation is made (on the making thread) and handed to the
// running thread. The result holds the sound track first and the video track second, both from
// time 0; without a sound movie, the video track alone. The final movie is written under a
// temporary name and renamed into place, so a failed run never destroys an earlier movie of that
// name. A successful run deletes the video source (an intermediate made for it); a failed one
// keeps it so that it can be recovered.
class QMovieFlattenerQueueOp : public NSOperation {
    Q_OBJECT
    NS_DECLARE_CLASS(QMovieFlattenerQueueOp)
public:
    QMovieFlattenerQueueOp();
    ~QMovieFlattenerQueueOp() override;

    // A new operation owned by the caller's release scope.
    static QMovieFlattenerQueueOp* movieFlattenerWithMovieFileName(const QString& movieFileName,
                                                                   const QString& audioFileName,
                                                                   const QString& videoFileName);
    // Starts writing, while `videoFileName` is still being recorded, the movie an operation with
    // these names and settings will write once the recording is over, so that its run then only
    // has to take it; anything else that operation ends up writing drops it. False when nothing
    // was started.
    // `soundEnd`, when given, is where an operation whose sound ends with the video
    // (setSoundEndsWithVideo) will end the sound: the recording's length once it is over.
    static bool writeAheadOfRecording(const QString& movieFileName, const QString& audioFileName,
                                      const QString& videoFileName, const QString& madeWith,
                                      const QString& videoFormat, const QString& comment,
                                      std::optional<QTTime> soundEnd = std::nullopt);
    // Drops what writeAheadOfRecording started for `movieFileName` and no run took.
    static void dropWrittenAhead(const QString& movieFileName);

    // Stores the names (a null audio name: no sound movie), creates the reference movie at the
    // temporary file name and opens both sources. Always returns this operation.
    QMovieFlattenerQueueOp* initWithMovieFileName(const QString& movieFileName,
                                                  const QString& audioFileName,
                                                  const QString& videoFileName);

    // Atomic properties; the movies and the delegate are retained (the delegate must be an
    // NSObject).
    QString movieFileName() const;
    void setMovieFileName(const QString& name);
    QString audioFileName() const;
    void setAudioFileName(const QString& name);
    QString videoFileName() const;
    void setVideoFileName(const QString& name);
    QString tempFileName() const;
    // Also moves the (still unused) reference movie to the new name.
    void setTempFileName(const QString& name);
    // A null text: no copyright; any other text, the empty one too, becomes the copyright.
    QString madeWithMetaData() const;
    void setMadeWithMetaData(const QString& text);
    // The delivery format of the final movie's video (DeliveryFormats.h); empty or "animation"
    // copies the recorded video as it is.
    QString videoFormat() const;
    void setVideoFormat(const QString& name);
    // A text for the final movie's "comment" metadata entry; empty: none.
    QString commentMetaData() const;
    void setCommentMetaData(const QString& text);
    // Whether a sound longer than the video ends where the video ends (false by default: the
    // whole sound, the movie lasting as long as it).
    bool soundEndsWithVideo() const;
    void setSoundEndsWithVideo(bool ends);
    QMovieFlattenerQueueOpDelegate* delegate() const;
    void setDelegate(QMovieFlattenerQueueOpDelegate* delegate);
    bool succeeded() const;
    void setSucceeded(bool succeeded);
    QTMovie* refMovie() const;
    void setRefMovie(QTMovie* movie);
    QTMovie* videoMovie() const;
    void setVideoMovie(QTMovie* movie);
    QTMovie* audioMovie() const;
    void setAudioMovie(QTMovie* movie);

    // The run, on the queue's thread.
    void main() override;

    // Any thread: asks a queued or running operation to stop. The run then ends between two
    // packets of the final movie, writes no final movie (an earlier one stays as it was),
    // keeps the video source and still tells its delegate.
    void stopFlattening() { mStopRequested = true; }
    bool isStopRequested() const { return mStopRequested; }
    // Why a finished run failed, in a few words; empty after success.
    QString failureReason() const;

    bool addFirstTrackToRefMovie(QTMovie* refMovie, QTMovie* sourceMovie);
    // The sound movie's first track, whole or, when the sound ends with the video, up to the
    // video's end.
    bool addSoundTrackToRefMovie(QTMovie* refMovie, QTMovie* soundMovie, QTMovie* videoMovie);
    QTTrack* firstMovieTrack(QTMovie* movie);
    bool flattenRefMovie(QTMovie* movie, const QString& fileName);
    // Clean-up and the delegate's call on the main thread.
    void operationCompleted(bool succeeded);

private:
    static void storeMovie(QTMovie** field, QTMovie* movie);

    mutable std::mutex mLock;
    QString _movieFileName;
    QString _audioFileName;
    QString _videoFileName;
    QString _tempFileName;
    QString _madeWithMetaData;
    QString _videoFormat;
    QString _commentMetaData;
    QMovieFlattenerQueueOpDelegate* _delegate = nullptr;
    bool _succeeded = false;
    bool _soundEndsWithVideo = false;
    QTMovie* _refMovie = nullptr;
    QTMovie* _videoMovie = nullptr;
    QTMovie* _audioMovie = nullptr;
    QString mFailureReason;
    std::atomic<bool> mStopRequested{false};

    void setFailureReason(const QString& reason);
};

int import_QMovieFlattenerQueueOp();
