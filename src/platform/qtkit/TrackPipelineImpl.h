#pragma once

// The inside of TrackPipeline, shared by the files that implement it.

#include "platform/qtkit/DeliveryEncoder.h"
#include "platform/qtkit/DeliveryFormats.h"
#include "platform/qtkit/FFmpegPtr.h"
#include "platform/qtkit/LiveMovieFile.h"
#include "platform/qtkit/TrackPipeline.h"

#include <atomic>
#include <cstdint>
#include <limits>

namespace qtkit {

namespace trackpipeline {

constexpr std::int64_t kUnlimited = std::numeric_limits<std::int64_t>::max();

inline std::int64_t toTimeBase(QTTime time, AVRational timeBase) {
    return av_rescale_q(time.timeValue, AVRational{1, time.timeScale}, timeBase);
}

inline bool fail(QString* out_error, const QString& text) {
    if (out_error)
        *out_error = text;
    return false;
}

} // namespace trackpipeline

struct TrackPipeline::Impl {
    MovieSegment segment;
    std::unique_ptr<LiveMovieReader> follower; // the input's reader while it follows a recording
    InputContextPtr input;
    AVStream* in = nullptr;
    AVStream* out = nullptr;
    bool copy = true;
    PacketPtr readPacket = makePacket();

    // In the input stream's time base.
    std::int64_t shift = AV_NOPTS_VALUE;
    std::int64_t rangeStart = 0;
    std::int64_t rangeEnd = trackpipeline::kUnlimited;
    std::int64_t at = 0;
    std::int64_t lastDts = AV_NOPTS_VALUE;
    PacketPtr ahead;
    bool aheadValid = false;
    bool sourceOffsetsKnown = false; // the QuickTime reader gives packets as stored, at pos
    std::int64_t lastSourceOffset = -1;

    // Conversion.
    CodecContextPtr decoder;
    CodecContextPtr encoder;
    FramePtr decoded = makeFrame();
    SwrPtr resampler;
    AudioFifoPtr fifo;
    SwsPtr scaler;
    std::int64_t samplesToSkip = 0;
    std::int64_t samplesLeft = trackpipeline::kUnlimited;
    std::int64_t samplesSent = 0;
    std::int64_t firstSample = 0;
    std::int64_t lastVideoPts = AV_NOPTS_VALUE;
    std::int64_t packetsRead = 0; // of the track, into the decoder
    bool inputDone = false;
    bool sourceDone = false;
    bool encoderFlushed = false;

    // Set when the pipeline goes: a recording being followed stops blocking its readers.
    std::atomic<bool> abandoned = false;

    // Pictures encoded as the recording took them, rather than decoded from its file.
    std::shared_ptr<LiveMovieFile> pictureSource;
    std::unique_ptr<DeliveryEncoder> pictures;

    bool openCopy(AVFormatContext* output, QString* out_error);
    bool openDecoder(QString* out_error);
    bool openAudioConversion(AVFormatContext* output, QString* out_error);
    // Encodes the pictures after the recipe of `format`, or, without one, in H.264 (MPEG-4 where
    // there is no H.264 encoder).
    bool openVideoConversion(AVFormatContext* output, const DeliveryFormat* format,
                             QString* out_error);
    // Encodes the decoded pictures after `format`'s recipe through the picture encoder (our own
    // HAP writer, a picture per thread): 1, 0 when the range holds no picture, -1 on failure.
    int openPictureConversion(AVFormatContext* output, const DeliveryFormat& format,
                              QString* out_error);
    // The next picture of the range, decoded and converted to RGBA at `timeScale`: 1, 0 after
    // the last, -1 on failure.
    int nextDecodedPicture(int timeScale, LivePicture* out_picture, QString* out_error);
    // Adds the output's track, encoded after `format`'s recipe from `first` and the pictures
    // of `source` after it.
    bool addEncodedStream(AVFormatContext* output, const DeliveryFormat& format, LivePicture first,
                          DeliveryEncoder::Source source, QString* out_error);
    // Encodes the pictures that `recording` takes after the recipe of `format`.
    bool openPictureEncoding(AVFormatContext* output, const DeliveryFormat& format,
                             std::shared_ptr<LiveMovieFile> recording,
                             std::function<bool()> stopFollowing, QString* out_error);
    int nextEncodedPicture(AVPacket* packet, QString* out_error);

    int nextCopied(AVPacket* packet, QString* out_error);
    // The next packet of the track in the input's time base, moved to the output's timeline.
    int readCopied(AVPacket* packet, QString* out_error);
    int nextConverted(AVPacket* packet, QString* out_error);
    // Reads the next packet of the track into the decoder; false on failure.
    bool feedDecoder(QString* out_error);
    bool feedAudioEncoder(QString* out_error);
    // The next picture of the range into `decoded`, its time in the output's timeline in
    // `timeBase`: 1, 0 after the last, -1 on failure.
    int decodeNextPicture(AVRational timeBase, std::int64_t* out_pts, QString* out_error);
    bool feedVideoEncoder(QString* out_error);
    // A frame of `count` samples in the encoder's format; null and `out_error` on failure.
    FramePtr encoderSamples(int count, QString* out_error);
    bool sendAudioFromFifo(int count, QString* out_error);
    bool resampleIntoFifo(const AVFrame* frame, QString* out_error);
};

} // namespace qtkit
