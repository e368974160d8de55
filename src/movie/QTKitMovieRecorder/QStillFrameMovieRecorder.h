#pragma once

#include "movie/QTKitMovieRecorder/QMovieFrameRecorderProtocol.h"
#include "platform/foundation/NSClass.h"
#include "platform/foundation/NSObject.h"
#include "platform/qtkit/QTTime.h"
#include "support/CoreMachElapsedTime.h"

#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <mutex>

class NSBitmapImageRep;
class NSImage;
class QTMovie;

// Writes a QuickTime movie from still images, each lasting a whole number of units of
// kQTTime_VideoTimeScale, compressed with the Animation codec on
// QStillFrameRecorder_Config_EncoderThreads threads; the file is brought up to date after every
// frame (with several threads: every frame that has been encoded and written, in order).
// Recording exactly while it holds a movie. Used by one thread at a time.
class QStillFrameMovieRecorder : public NSObject, public QMovieFrameRecorderProtocol {
    Q_OBJECT
    NS_DECLARE_CLASS(QStillFrameMovieRecorder)
public:
    QStillFrameMovieRecorder();
    // Ends any recording first.
    ~QStillFrameMovieRecorder() override;

    NSObject* init() override;
    void awakeFromNib() override;

    // Atomic, retaining.
    QTMovie* movie() const;
    void setMovie(QTMovie* movie);
    // Attributes of every added image; empty when not recording.
    QVariantMap addFrameAttributes() const;
    void setAddFrameAttributes(const QVariantMap& attributes);

    // The "comment" metadata text of the movies recorded from now on; empty: none.
    QString movieComment() const;
    void setMovieComment(const QString& text);

    bool beginRecordingMovieFileURL(NSURL* url) override;
    // Opens a new movie file at `path`. False when already recording, or when no movie file can
    // be made: then an alert describing the error is shown on the main thread, and this thread
    // waits until it is dismissed.
    bool beginRecordingMovieFile(const QString& path);
    bool isRecordingMovie() override;

    // `seconds` in units of kQTTime_VideoTimeScale, truncated, at least 1.
    long calculateElapsedFramesWithFrameDurationSeconds(double seconds);
    // Appends `image` lasting `numberOfFramesInVideoTimeScale` units and updates the file. False
    // when the frame did not reach the file; lastErrorDescription then says why.
    bool addFrameBitmapImage(NSImage* image, std::int32_t numberOfFramesInVideoTimeScale);
    bool addFrameBitmapImageRep(NSBitmapImageRep* bitmap, double frameDurationInSeconds);
    bool addFrameImageRef(const QImage* image, double frameDurationInSeconds) override;

    double getFrameDurationNow() override;
    QTTime getCurrentVideoTime(std::uint64_t hostTime);
    QTTime getCurrentAudioTime(std::uint64_t hostTime);

    // Stops recording and returns the movie with one reference for the caller, or null. Waits
    // until every frame added is in the file; when one could not be written,
    // lastErrorDescription says why.
    QTMovie* endRecordingCopyMovie();
    bool endRecordingMovie() override;

    // Why the last refused append (or the end of the recording) failed; empty when none has.
    QString lastErrorDescription() const;

private:
    mutable std::mutex mLock;
    QTMovie* _movie = nullptr;
    QVariantMap _addFrameAttributes;
    QString _movieComment;
    QString mLastError;
    CoreMachElapsedTime _elapsedTime;
};

int import_QStillFrameMovieRecorder();
