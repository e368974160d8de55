// The tracks whose packets go into the new movie as they are.

#include "platform/qtkit/TrackPipelineImpl.h"

#include "platform/qtkit/MovieProbe.h"

#include <cstring>

namespace qtkit {

using namespace trackpipeline;

std::int64_t TrackPipeline::sourceOffset() const {
    return mImpl->lastSourceOffset;
}

bool TrackPipeline::Impl::openCopy(AVFormatContext* output, QString* out_error) {
    out = avformat_new_stream(output, nullptr);
    if (!out)
        return fail(out_error, QStringLiteral("cannot add a track"));
    const int code = avcodec_parameters_copy(out->codecpar, in->codecpar);
    if (code < 0)
        return fail(out_error, avErrorText("cannot copy the track's parameters", code));
    out->codecpar->codec_tag = 0;
    out->time_base = in->time_base;
    out->avg_frame_rate = in->avg_frame_rate;
    out->sample_aspect_ratio = in->sample_aspect_ratio;
    // Animation pictures as recorded: the QuickTime reader hands their stored bytes over as
    // they are (it rewrites those of some other kinds, captions and encrypted samples).
    sourceOffsetsKnown = in->codecpar->codec_id == AV_CODEC_ID_QTRLE &&
                         std::strcmp(input->iformat->name, "mov,mp4,m4a,3gp,3g2,mj2") == 0;
    return true;
}

int TrackPipeline::Impl::nextCopied(AVPacket* packet, QString* out_error) {
    // One packet is read ahead: a packet lasts until the next one starts. Readers of fragmented
    // movies do not report sample durations, and the muxer takes the last sample's duration from
    // its packet.
    if (!ahead) {
        ahead = makePacket();
        const int got = readCopied(ahead.get(), out_error);
        if (got <= 0)
            return got;
        aheadValid = true;
    }
    if (!aheadValid)
        return 0;
    av_packet_move_ref(packet, ahead.get());
    lastSourceOffset = sourceOffsetsKnown ? packet->pos : -1;
    packet->pos = -1;
    const int got = readCopied(ahead.get(), out_error);
    if (got < 0)
        return -1;
    aheadValid = got == 1;
    if (aheadValid && ahead->dts > packet->dts) {
        packet->duration = ahead->dts - packet->dts;
    } else if (!aheadValid && in->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        const std::int64_t length =
            rangeEnd != kUnlimited ? rangeEnd - rangeStart
                                   : toTimeBase(streamDuration(input.get(), in), in->time_base);
        if (at + length > packet->dts)
            packet->duration = at + length - packet->dts;
    }
    packet->stream_index = out->index;
    av_packet_rescale_ts(packet, in->time_base, out->time_base);
    return 1;
}

int TrackPipeline::Impl::readCopied(AVPacket* packet, QString* out_error) {
    for (;;) {
        const int code = av_read_frame(input.get(), packet);
        if (code == AVERROR_EOF)
            return 0;
        if (code < 0) {
            fail(out_error, avErrorText("cannot read the source movie", code));
            return -1;
        }
        if (packet->stream_index != in->index) {
            av_packet_unref(packet);
            continue;
        }
        if (packet->dts == AV_NOPTS_VALUE)
            packet->dts = packet->pts != AV_NOPTS_VALUE
                              ? packet->pts
                              : (lastDts == AV_NOPTS_VALUE ? 0 : lastDts + 1);
        if (packet->pts == AV_NOPTS_VALUE)
            packet->pts = packet->dts;
        lastDts = packet->dts;
        if (shift == AV_NOPTS_VALUE)
            shift = in->start_time != AV_NOPTS_VALUE ? in->start_time : packet->pts;
        const std::int64_t decodeTime = packet->dts - shift;
        const std::int64_t showTime = packet->pts - shift;
        if (rangeEnd != kUnlimited && decodeTime >= rangeEnd) {
            av_packet_unref(packet);
            return 0;
        }
        const bool beforeStart = packet->duration > 0 ? showTime + packet->duration <= rangeStart
                                                      : showTime < rangeStart;
        if (beforeStart || (rangeEnd != kUnlimited && showTime >= rangeEnd)) {
            av_packet_unref(packet);
            continue;
        }
        // Uncompressed sound ends on the range's last sample: the packet that crosses the end
        // keeps the samples before it. (Compressed packets are kept whole.)
        // (Readers of some containers give such packets no duration: their size tells it.)
        const AVCodecParameters* parameters = in->codecpar;
        const int bytesPerFrame = parameters->block_align > 0
                                      ? parameters->block_align
                                      : av_get_bits_per_sample(parameters->codec_id) / 8 *
                                            parameters->ch_layout.nb_channels;
        if (rangeEnd != kUnlimited && parameters->codec_type == AVMEDIA_TYPE_AUDIO &&
            av_get_bits_per_sample(parameters->codec_id) > 0 && bytesPerFrame > 0 &&
            parameters->sample_rate > 0) {
            const AVRational sampleTime{1, parameters->sample_rate};
            const std::int64_t samples =
                av_rescale_q(rangeEnd - showTime, in->time_base, sampleTime);
            if (samples > 0 && samples * bytesPerFrame < packet->size) {
                av_shrink_packet(packet, int(samples * bytesPerFrame));
                packet->duration = av_rescale_q(samples, sampleTime, in->time_base);
            }
        }
        const std::int64_t offset = at - rangeStart - shift;
        packet->pts += offset;
        packet->dts += offset;
        return 1;
    }
}

} // namespace qtkit
