#pragma once

#include <QString>

#include <cstdint>
#include <memory>

class NSBitmapImageRep;

namespace qtkit {

// Writes still images as an Animation-codec (qtrle, 32-bit ARGB) QuickTime movie at time scale
// 600, in fragments: each flush() completes the frames so far on disk, so the file is a playable
// movie after every flush and memory does not grow with the number of frames. A failure is
// sticky: after one, every later call refuses.
class ImageMovieWriter {
public:
    ~ImageMovieWriter();
    ImageMovieWriter(const ImageMovieWriter&) = delete;
    ImageMovieWriter& operator=(const ImageMovieWriter&) = delete;

    // Creates the file at `path` for frames of `width` x `height` pixels, with `copyright` as the
    // file's copyright text (none when empty). Null and `out_error` on failure.
    static std::unique_ptr<ImageMovieWriter> create(const QString& path, int width, int height,
                                                    const QString& copyright, int timeScale,
                                                    QString* out_error);

    // Encodes one frame lasting `duration` units of the time scale.
    bool append(const NSBitmapImageRep& bitmap, std::int64_t duration, QString* out_error);
    // Writes the frames appended since the last flush as one fragment and flushes the file.
    bool flush(QString* out_error);
    // Flushes, writes the index and closes the file. Later calls refuse.
    bool finish(QString* out_error);

    int width() const;
    int height() const;

private:
    ImageMovieWriter();
    bool fail(QString* out_error, const QString& text);
    bool drainEncoder(QString* out_error);

    struct Impl;
    std::unique_ptr<Impl> mImpl;
};

} // namespace qtkit
