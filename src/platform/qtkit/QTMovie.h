#pragma once

#include "platform/foundation/NSObject.h"
#include "platform/qtkit/QTTime.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>

class NSError;
class NSImage;
class QTTrack;

// A movie over FFmpeg. Three kinds:
//  - a writable movie file (initToWritableFile): images added to it become a QuickTime movie with
//    one Animation ("rle ", 32-bit ARGB) track at time scale 600, written in fragments so that
//    every updateMovieFile leaves a complete, playable file; track segments inserted into it
//    make it a reference movie, a small description file naming the segments;
//  - an opened movie file (movieWithFile) of any kind FFmpeg reads, or a reference movie file;
//  - either written flattened (writeToFile) into a self-contained QuickTime movie.
//
// A movie belongs to the thread that made it. To use it on another thread, detach it on the old
// thread and attach it on the new one (inside enterQTKitOnThread / exitQTKitOnThread when the new
// thread is not the main thread). Any other call on a thread the movie is not attached to is
// refused (false, null or an empty value) and logged.
//
// Errors: `out_error`, where offered, receives an autoreleased error of QTKitErrorDomain on
// failure; every failure is also logged.
class QTMovie : public NSObject {
    Q_OBJECT
public:
    // A new, empty, editable movie bound to a new file at `path` (an existing file is replaced).
    // Returns a new object (count 1) or null.
    static QTMovie* initToWritableFile(const QString& path, NSError** out_error);
    // Opens an existing movie file. Returns a new object (count 1) or null.
    static QTMovie* initWithFile(const QString& path, NSError** out_error);
    // As initWithFile, autoreleased.
    static QTMovie* movieWithFile(const QString& path, NSError** out_error);

    // Brackets the use of movies on a thread other than the main thread; nestable.
    static void enterQTKitOnThread();
    static void exitQTKitOnThread();
    bool detachFromCurrentThread();
    bool attachToCurrentThread();

    // QTMovieEditableAttribute (bool) and QTMovieCopyrightAttribute (text) are kept and written
    // into the movie's file; other keys are kept only. A copyright or a number of encoder threads
    // set after the first image of an image movie cannot take effect any more and is refused.
    bool setAttribute(const QVariant& value, const QString& key);
    // Also QTMovieFileNameAttribute: the movie's file.
    QVariant attributeForKey(const QString& key) const;
    void setIdling(bool idling);
    bool isIdling() const;

    // Appends the image's bitmap as the next frame, lasting `duration`. Attributes: the codec
    // QTAddImageCodecType must be "rle " (or absent); QTAddImageCodecQuality is accepted (the
    // codec is lossless). Every image of a movie must have the first image's pixel size.
    bool addImage(NSImage* image, QTTime duration, const QVariantMap& attributes);

    bool canUpdateMovieFile() const;
    // Brings the movie's file up to date with everything added so far. Images encoded on
    // several threads (QTMovieEncoderThreadsAttribute) reach the file on their own, in order, a
    // complete movie after each: the file may trail the images added by those still in flight,
    // and this only reports a failure among those written.
    bool updateMovieFile();
    // Waits until every image added is in the movie's file; false when one could not be
    // written (lastErrorDescription says why).
    bool waitForImagesInFlight();

    QTTime duration() const;
    QTTime currentTime() const;
    void setCurrentTime(QTTime time);

    // The tracks in file order (for a reference movie: in insertion order). Owned by the movie.
    QList<QTTrack*> tracks() const;

    // Adds the part `range` of `track` (of another movie) as a new track starting at `atTime`.
    // Returns the new track (owned by this movie) or null.
    QTTrack* insertSegmentOfTrack(QTTrack* track, QTTimeRange range, QTTime atTime);

    // Writes a self-contained QuickTime movie of this movie's tracks to `path`: each track copied
    // where QuickTime holds its codec, else converted (sound to AAC, pictures to H.264 or MPEG-4).
    // The file is written under a temporary name in the same folder and renamed into place when
    // complete. `attributes` may hold QTMovieFlatten (the copy is always self-contained) and
    // QTMovieExportVideoFormat.
    bool writeToFile(const QString& path, const QVariantMap& attributes, NSError** out_error);
    // Asked during a long operation (writeToFile) with the fraction done so far, on the thread
    // doing it; returning false stops the operation, which then fails and leaves no file behind.
    void setShouldContinueOperation(std::function<bool(double fraction)> shouldContinue);

    // Why the last failed operation failed ("cannot write the movie file: No space left on
    // device"); empty while nothing has failed.
    QString lastErrorDescription() const;

    QString fileName() const;
    // "<QTMovie: 0x...> /path/of/file"
    QString description() const override;

    // Whether the movie is attached to the calling thread; logs the refusal of `operation` if not.
    bool attachedToCurrentThread(const char* operation) const;

    struct Impl;

protected:
    ~QTMovie() override;

private:
    QTMovie();
    bool appendImage(NSImage* image, QTTime duration, const QVariantMap& attributes);

    std::unique_ptr<Impl> mImpl;
};
