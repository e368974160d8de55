#pragma once

#include "platform/qtkit/QTTime.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

struct AVIOContext;

namespace qtkit {

// A movie file while this process writes it, for readers in the process that follow it as it
// grows: its writer says how many bytes from the start are complete (they never change again)
// and, at the end, whether the movie was finished and how long it is.
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

    // The readers' side. Waits until more than `offset` bytes are complete, the writing is over
    // or `stop` (asked every 50 ms) says true; returns the complete bytes.
    std::int64_t waitBeyond(std::int64_t offset, const std::function<bool()>& stop) const;
    // Whether the writing is over with a finished movie, and its length.
    bool finished(QTTime* out_duration = nullptr) const;

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
