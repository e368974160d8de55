#pragma once

#include "platform/qtkit/QTTime.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

struct AVIOContext;

namespace qtkit {

// A picture as the writer of a live movie took it: straight-alpha RGBA, shown from `pts` for
// `duration` units of `timeScale`.
struct LivePicture {
    QImage image;
    std::int64_t pts = 0;
    std::int64_t duration = 0;
    int timeScale = 600;
};

// A movie file while this process writes it, for readers in the process that follow it as it
// grows: its writer says how many bytes from the start are complete (they never change again)
// and, at the end, whether the movie was finished and how long it is.
//
// One reader may also follow the pictures themselves, as the writer takes them, rather than
// decode them from the file. Until someone follows them, the first kKeptPictures are kept; once
// more came, pictures are no longer offered to anyone.
class LiveMovieFile {
public:
    // Announces that `path` is being written from its start, replacing an earlier announcement.
    static std::shared_ptr<LiveMovieFile> announce(const QString& path);
    // The announcement of `path` until its writer ends; null when there is none.
    static std::shared_ptr<LiveMovieFile> find(const QString& path);

    LiveMovieFile(const LiveMovieFile&) = delete;
    LiveMovieFile& operator=(const LiveMovieFile&) = delete;
    ~LiveMovieFile();

    const QString& path() const;

    // The writer's side.
    void grew(std::int64_t completeBytes);
    // The writing is over: `finished` says that the file is a complete movie of `duration`. The
    // announcement is withdrawn.
    void end(bool finished, QTTime duration);

    // Offers a picture to the follower of the pictures. Waits while the follower holds as many
    // as it asked for, so that memory does not grow with the movie.
    void tookPicture(const LivePicture& picture);

    static constexpr int kKeptPictures = 4;

    // The readers' side. Waits until more than `offset` bytes are complete, the writing is over
    // or `stop` (asked every 50 ms) says true; returns the complete bytes.
    std::int64_t waitBeyond(std::int64_t offset, const std::function<bool()>& stop) const;
    // Whether the writing is over with a finished movie, and its length.
    bool finished(QTTime* out_duration = nullptr) const;

    // Follows the pictures from the first on, holding at most `capacity` at once (at least one).
    // False when they are no longer offered or someone else follows them.
    bool followPictures(int capacity);
    // Whether the pictures are followed and not yet given up.
    bool picturesFollowed() const;
    // The next picture: 1 with `out_picture`, 0 after the last of a finished movie, -1 when the
    // writing ended unfinished, the pictures were given up or `stop` (asked every 50 ms) says
    // true.
    int nextPicture(LivePicture* out_picture, const std::function<bool()>& stop);
    // Gives up following the pictures (the writer no longer waits for the follower).
    void stopFollowingPictures();

    struct Impl;

private:
    explicit LiveMovieFile(const QString& path);
    std::unique_ptr<Impl> mImpl;
};

// Reads a live movie file from its start for libavformat as its bytes arrive: reads wait for
// bytes, end where a finished file ends, and fail where the writing ended unfinished or `stop`
// says true. Forward only.
class LiveMovieReader {
public:
    // Null and `out_error` on failure.
    static std::unique_ptr<LiveMovieReader> open(std::shared_ptr<LiveMovieFile> file,
                                                 std::function<bool()> stop, QString* out_error);
    ~LiveMovieReader();
    LiveMovieReader(const LiveMovieReader&) = delete;
    LiveMovieReader& operator=(const LiveMovieReader&) = delete;

    AVIOContext* context() const;

    struct Impl;

private:
    LiveMovieReader();
    std::unique_ptr<Impl> mImpl;
};

} // namespace qtkit
