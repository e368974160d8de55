#pragma once

#include <QString>

#include <cstdint>
#include <memory>

class NSBitmapImageRep;
struct AVPacket;

namespace qtkit {

// Writes still images as an Animation-codec (qtrle, 32-bit ARGB) QuickTime movie at time scale
// 600, in fragments, so that memory does not grow with the number of frames.
//
// With one encoder thread, append() encodes on the calling thread and each flush() completes the
// frames so far on disk: the file is a playable movie after every flush. With more, append()
// hands the image to an encoder pool and returns while earlier frames are encoded and written;
// every frame written completes a fragment, so the file is a playable movie holding every frame
// written so far, trailing the appended ones by at most the frames in flight. Both write the same
// packets.
//
// A failure is sticky: after one, every later call refuses. A failure of the pool is reported by
// the next call after it happened.
class ImageMovieWriter {
public:
    ~ImageMovieWriter();
    ImageMovieWriter(const ImageMovieWriter&) = delete;
    ImageMovieWriter& operator=(const ImageMovieWriter&) = delete;

    // Creates the file at `path` for frames of `width` x `height` pixels, with `copyright` as the
    // file's copyright text and `comment` as its comment (none when empty), encoded on
    // `encoderThreads` threads (0: one per processor core; 1: on the calling thread). Null and
    // `out_error` on failure.
    static std::unique_ptr<ImageMovieWriter> create(const QString& path, int width, int height,
                                                    const QString& copyright,
                                                    const QString& comment, int timeScale,
                                                    int encoderThreads, QString* out_error);

    // Encodes one frame lasting `duration` units of the time scale.
    bool append(const NSBitmapImageRep& bitmap, std::int64_t duration, QString* out_error);
    // One thread: writes the frames appended since the last flush as one fragment and flushes
    // the file. A pool: reports a failure of the frames in flight, without waiting for them.
    bool flush(QString* out_error);
    // Waits until every appended frame is in the file; then, like flush(), the file holds them.
    bool flushAll(QString* out_error);
    // Writes every frame, the index, and closes the file. Later calls refuse.
    bool finish(QString* out_error);

    int width() const;
    int height() const;
    // Threads that encode the frames (1: the calling thread).
    int encoderThreads() const;

private:
    ImageMovieWriter();
    bool fail(QString* out_error, const QString& text);
    // Refuses a call after a failure (with its text) or once finished.
    bool refuse(QString* out_error);
    bool writePooledPacket(AVPacket* packet, bool more, QString* out_error);

    struct Impl;
    std::unique_ptr<Impl> mImpl;
};

} // namespace qtkit
