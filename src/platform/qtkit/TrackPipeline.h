#pragma once

#include "platform/qtkit/MovieSegment.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

struct AVFormatContext;
struct DeliveryFormat;
struct AVPacket;
struct AVStream;

namespace qtkit {

class LiveMovieFile;

// Turns one track segment into the packets of one track of an output movie: read from the
// segment's file and either copied as they are or decoded and encoded again. Timestamps come out
// in the output stream's time base, the segment's first sample at its insertion time.
class TrackPipeline {
public:
    ~TrackPipeline();
    TrackPipeline(const TrackPipeline&) = delete;
    TrackPipeline& operator=(const TrackPipeline&) = delete;

    // Opens the segment's file and adds the track's stream to `output` (before its header is
    // written). A video track is encoded after the recipe of `videoFormat` when that encodes;
    // a track the output's container cannot hold is converted. Null and `out_error` on failure.
    //
    // With `recording`, the segment's file is that recording, read whole as it grows, until it
    // ends or `stopFollowing` says true.
    static std::unique_ptr<TrackPipeline> create(const MovieSegment& segment,
                                                 AVFormatContext* output, QString* out_error,
                                                 const DeliveryFormat* videoFormat = nullptr,
                                                 std::shared_ptr<LiveMovieFile> recording = {},
                                                 std::function<bool()> stopFollowing = {});

    // Whether the packets are copied rather than converted.
    bool copies() const;
    AVStream* outputStream() const;

    // The next packet, once the output's header is written: 1 with `packet` filled, 0 at the
    // end of the track, -1 on failure with `out_error` set.
    int next(AVPacket* packet, QString* out_error);
    // Where the bytes of the packet `next` gave last lie, unchanged, in the segment's file:
    // their offset there, or -1 when they are not known to (a converted track, a reader of
    // another kind than QuickTime's).
    std::int64_t sourceOffset() const;

private:
    TrackPipeline();
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};

} // namespace qtkit
