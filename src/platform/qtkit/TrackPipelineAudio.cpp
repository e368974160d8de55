// The sound tracks that are converted: decoded, resampled and encoded in AAC.

#include "platform/qtkit/TrackPipelineImpl.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>

namespace qtkit {

using namespace trackpipeline;

bool TrackPipeline::Impl::openAudioConversion(AVFormatContext* output, QString* out_error) {
    if (!openDecoder(out_error))
        return false;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec)
        return fail(out_error, QStringLiteral("no AAC encoder"));
    encoder.reset(avcodec_alloc_context3(codec));
    AVCodecContext* e = encoder.get();

    int rate = decoder->sample_rate > 0 ? decoder->sample_rate : 48000;
    if (const int* rates = codec->supported_samplerates) {
        int best = rates[0];
        for (; *rates; ++rates)
            if (std::abs(*rates - rate) < std::abs(best - rate))
                best = *rates;
        rate = best;
    }
    e->sample_rate = rate;
    e->sample_fmt = AV_SAMPLE_FMT_FLTP;
    AVChannelLayout source;
    if (decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || decoder->ch_layout.nb_channels <= 0)
        av_channel_layout_default(&source, std::max(1, decoder->ch_layout.nb_channels));
    else
        av_channel_layout_copy(&source, &decoder->ch_layout);
    bool supported = false;
    for (const AVChannelLayout* layout = codec->ch_layouts; layout && layout->nb_channels; ++layout)
        supported = supported || av_channel_layout_compare(layout, &source) == 0;
    if (supported)
        av_channel_layout_copy(&e->ch_layout, &source);
    else
        av_channel_layout_default(&e->ch_layout, source.nb_channels == 1 ? 1 : 2);
    e->bit_rate = std::min<std::int64_t>(96000LL * e->ch_layout.nb_channels, 320000);
    e->time_base = AVRational{1, rate};
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int code = avcodec_open2(e, codec, nullptr);
    if (code < 0) {
        av_channel_layout_uninit(&source);
        return fail(out_error, avErrorText("cannot open the AAC encoder", code));
    }
    SwrContext* raw = nullptr;
    code = swr_alloc_set_opts2(&raw, &e->ch_layout, e->sample_fmt, e->sample_rate, &source,
                               decoder->sample_fmt, decoder->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&source);
    resampler.reset(raw);
    if (code >= 0)
        code = swr_init(raw);
    if (code < 0)
        return fail(out_error, avErrorText("cannot set up the resampler", code));
    fifo.reset(av_audio_fifo_alloc(e->sample_fmt, e->ch_layout.nb_channels, 4096));
    if (!fifo)
        return fail(out_error, QStringLiteral("cannot allocate a sample buffer"));

    const AVRational samples{1, rate};
    samplesToSkip = av_rescale_q(rangeStart, in->time_base, samples);
    if (rangeEnd != kUnlimited)
        samplesLeft = av_rescale_q(rangeEnd - rangeStart, in->time_base, samples);
    firstSample = av_rescale_q(at, in->time_base, samples);

    out = avformat_new_stream(output, nullptr);
    if (!out)
        return fail(out_error, QStringLiteral("cannot add a track"));
    avcodec_parameters_from_context(out->codecpar, e);
    out->time_base = e->time_base;
    return true;
}

FramePtr TrackPipeline::Impl::encoderSamples(int count, QString* out_error) {
    const AVCodecContext* e = encoder.get();
    FramePtr frame = makeFrame();
    if (!frame) {
        fail(out_error, QStringLiteral("cannot allocate samples"));
        return nullptr;
    }
    frame->format = e->sample_fmt;
    frame->sample_rate = e->sample_rate;
    frame->nb_samples = count;
    av_channel_layout_copy(&frame->ch_layout, &e->ch_layout);
    const int code = av_frame_get_buffer(frame.get(), 0);
    if (code < 0) {
        fail(out_error, avErrorText("cannot allocate samples", code));
        return nullptr;
    }
    return frame;
}

bool TrackPipeline::Impl::resampleIntoFifo(const AVFrame* frame, QString* out_error) {
    AVCodecContext* e = encoder.get();
    const int capacity = swr_get_out_samples(resampler.get(), frame ? frame->nb_samples : 0);
    if (capacity <= 0)
        return true;
    FramePtr converted = encoderSamples(capacity, out_error);
    if (!converted)
        return false;
    const int produced =
        swr_convert(resampler.get(), converted->data, capacity,
                    frame ? const_cast<const std::uint8_t**>(frame->extended_data) : nullptr,
                    frame ? frame->nb_samples : 0);
    if (produced < 0)
        return fail(out_error, avErrorText("resampling failed", produced));
    std::int64_t first = std::min<std::int64_t>(samplesToSkip, produced);
    samplesToSkip -= first;
    std::int64_t count = std::min<std::int64_t>(produced - first, samplesLeft);
    if (count <= 0)
        return true;
    samplesLeft -= count;
    void* planes[AV_NUM_DATA_POINTERS] = {};
    const int bytes = av_get_bytes_per_sample(e->sample_fmt);
    for (int plane = 0; plane < e->ch_layout.nb_channels && plane < AV_NUM_DATA_POINTERS; ++plane)
        planes[plane] = converted->extended_data[plane] + first * bytes;
    const int code = av_audio_fifo_write(fifo.get(), planes, int(count));
    if (code < count)
        return fail(out_error, QStringLiteral("cannot buffer samples"));
    return true;
}

bool TrackPipeline::Impl::sendAudioFromFifo(int count, QString* out_error) {
    FramePtr frame = encoderSamples(count, out_error);
    if (!frame)
        return false;
    if (av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(frame->data), count) < count)
        return fail(out_error, QStringLiteral("cannot read buffered samples"));
    frame->pts = firstSample + samplesSent;
    samplesSent += count;
    const int code = avcodec_send_frame(encoder.get(), frame.get());
    if (code < 0)
        return fail(out_error, avErrorText("the AAC encoder refused samples", code));
    return true;
}

bool TrackPipeline::Impl::feedAudioEncoder(QString* out_error) {
    const int frameSize = encoder->frame_size > 0 ? encoder->frame_size : 1024;
    for (;;) {
        if (av_audio_fifo_size(fifo.get()) >= frameSize)
            return sendAudioFromFifo(frameSize, out_error);
        if (sourceDone || samplesLeft == 0) {
            sourceDone = true;
            if (const int rest = av_audio_fifo_size(fifo.get()); rest > 0)
                return sendAudioFromFifo(rest, out_error);
            if (encoderFlushed)
                return fail(out_error, QStringLiteral("the AAC encoder did not finish"));
            encoderFlushed = true;
            const int code = avcodec_send_frame(encoder.get(), nullptr);
            return code >= 0 || code == AVERROR_EOF
                       ? true
                       : fail(out_error, avErrorText("cannot flush the AAC encoder", code));
        }
        const int code = avcodec_receive_frame(decoder.get(), decoded.get());
        if (code == 0) {
            const bool ok = resampleIntoFifo(decoded.get(), out_error);
            av_frame_unref(decoded.get());
            if (!ok)
                return false;
        } else if (code == AVERROR_EOF) {
            if (!resampleIntoFifo(nullptr, out_error))
                return false;
            sourceDone = true;
        } else if (code == AVERROR(EAGAIN)) {
            if (!feedDecoder(out_error))
                return false;
        } else {
            return fail(out_error, avErrorText("the decoder failed", code));
        }
    }
}

} // namespace qtkit
