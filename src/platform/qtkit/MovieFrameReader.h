#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

// Reads the pictures of a movie's first video track in order, for a caller that asks for
// growing times: each call decodes only up to the picture shown at the time asked for. A
// worker thread decodes the next pictures ahead while the caller works.
class MovieFrameReader {
public:
    // Nothing, with the reason in `out_error`, when the file cannot be read or has no video
    // track that can be decoded.
    // Pictures come top row first, or with `bottomRowFirst` bottom row first, as OpenGL's
    // textures take them.
    static std::unique_ptr<MovieFrameReader> open(const QString& path, QString* out_error,
                                                  bool bottomRowFirst = false);
    ~MovieFrameReader();
    MovieFrameReader(const MovieFrameReader&) = delete;
    MovieFrameReader& operator=(const MovieFrameReader&) = delete;

    // The picture shown at `seconds` after the movie's start (8-bit RGBA, straight alpha): the
    // last picture that starts at or before it, the first one before that, the last one after
    // the end. A time earlier than the one before reads the movie again from its start. A null
    // image, with the reason in `out_error`, when the movie cannot be decoded.
    QImage frameAtTime(double seconds, QString* out_error);

    QSize size() const;

private:
    struct Impl;
    explicit MovieFrameReader(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> mImpl;
};

// The picture size of the first video track of `path`, from the file's headers, without decoding
// a picture where they give it; where they do not, no picture of more than `maxPixels` pixels is
// decoded to find it. Nothing, with the reason in `out_error`, when the file cannot be read or
// has no video track with a size.
std::optional<QSize> QTMoviePictureSize(const QString& path, std::int64_t maxPixels,
                                        QString* out_error);
