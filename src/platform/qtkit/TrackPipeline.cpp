#include "platform/qtkit/TrackPipeline.h"

#include "platform/qtkit/FFmpegPtr.h"
#include "platform/qtkit/FlattenedMovieWriter.h"
#include "platform/qtkit/MovieProbe.h"
#include "platform/qtkit/QTKitLog.h"
#include "platform/qtkit/TrackPipelineImpl.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

namespace qtkit {

using namespace trackpipeline;

TrackPipeline::TrackPipeline() : mImpl(std::make_unique<Impl>()) {}
TrackPipeline::~TrackPipeline() {
    // The encoder's threads may wait for the next picture: they are let go first.
    if (mImpl->pictureSource)
        mImpl->pictureSource->stopFollowingPictures();
    mImpl->abandoned = true;
    mImpl->pictures.reset();
}

bool TrackPipeline::copies() const {
    return mImpl->copy;
}

AVStream* TrackPipeline::outputStream() const {
    return mImpl->out;
}

std::unique_ptr<TrackPipeline> TrackPipeline::create(const MovieSegment& segment,
                                                     AVFormatContext* output, QString* out_error,
                                                     const DeliveryFormat* videoFormat,
                                                     std::shared_ptr<LiveMovieFile> recording,
                                                     std::function<bool()> stopFollowing) {
    std::unique_ptr<TrackPipeline> pipeline(new TrackPipeline);
    Impl& d = *pipeline->mImpl;
    d.segment = segment;
    if (recording && videoFormat && videoFormat->encodes() &&
        segment.mediaType == QLatin1String("vide") && recording->picturesFollowed()) {
        if (!d.openPictureEncoding(output, *videoFormat, std::move(recording),
                                   std::move(stopFollowing), out_error))
            return nullptr;
        return pipeline;
    }
    if (recording) {
        // Our threads may read it too (pictures encoded a picture per thread).
        auto stop = [&d, stopFollowing = std::move(stopFollowing)] {
            return d.abandoned || (stopFollowing && stopFollowing());
        };
        d.follower = LiveMovieReader::open(std::move(recording), std::move(stop), out_error);
        if (!d.follower)
            return nullptr;
    }
    d.input = openInput(segment.file, out_error, d.follower ? d.follower->context() : nullptr);
    if (!d.input)
        return nullptr;
    if (segment.stream < 0 || unsigned(segment.stream) >= d.input->nb_streams ||
        !isTrackStream(d.input->streams[segment.stream])) {
        fail(out_error, QStringLiteral("%1 has no track %2").arg(segment.file).arg(segment.stream));
        return nullptr;
    }
    d.in = d.input->streams[segment.stream];
    for (unsigned index = 0; index < d.input->nb_streams; ++index)
        if (int(index) != segment.stream)
            d.input->streams[index]->discard = AVDISCARD_ALL;

    const AVRational base = d.in->time_base;
    d.rangeStart = std::max<std::int64_t>(0, toTimeBase(segment.source.time, base));
    // A range reaching the stream's known end takes everything, however long the stream
    // turns out to be (lengths of some formats are only estimates).
    const QTTime end = QTMakeTime(
        QTMakeTimeScaled(segment.source.time, segment.source.duration.timeScale).timeValue +
            segment.source.duration.timeValue,
        segment.source.duration.timeScale);
    if (!d.follower && QTTimeCompare(end, streamDuration(d.input.get(), d.in)) < 0)
        d.rangeEnd = d.rangeStart + toTimeBase(segment.source.duration, base);
    d.at = std::max<std::int64_t>(0, toTimeBase(segment.at, base));

    const AVCodecParameters* parameters = d.in->codecpar;
    const bool encodeVideo =
        parameters->codec_type == AVMEDIA_TYPE_VIDEO && videoFormat && videoFormat->encodes();
    d.copy = !encodeVideo && quickTimeHoldsCodec(parameters->codec_id) &&
             avformat_query_codec(output->oformat, parameters->codec_id, FF_COMPLIANCE_NORMAL) == 1;
    bool ok = false;
    if (d.copy)
        ok = d.openCopy(output, out_error);
    else if (parameters->codec_type == AVMEDIA_TYPE_AUDIO)
        ok = d.openAudioConversion(output, out_error);
    else if (parameters->codec_type == AVMEDIA_TYPE_VIDEO)
        ok = d.openVideoConversion(output, encodeVideo ? videoFormat : nullptr, out_error);
    else
        ok = fail(out_error, QStringLiteral("a %1 track cannot be stored in a QuickTime movie")
                                 .arg(QString::fromUtf8(avcodec_get_name(parameters->codec_id))));
    if (!ok)
        return nullptr;
    av_dict_copy(&d.out->metadata, d.in->metadata, 0);
    av_dict_set(&d.out->metadata, "handler_name", nullptr, 0);
    av_dict_set(&d.out->metadata, "encoder", nullptr, 0);
    return pipeline;
}

bool TrackPipeline::Impl::openDecoder(QString* out_error) {
    const AVCodec* codec = avcodec_find_decoder(in->codecpar->codec_id);
    if (!codec)
        return fail(
            out_error,
            QStringLiteral("no decoder for %1").arg(avcodec_get_name(in->codecpar->codec_id)));
    decoder.reset(avcodec_alloc_context3(codec));
    int code = avcodec_parameters_to_context(decoder.get(), in->codecpar);
    if (code < 0)
        return fail(out_error, avErrorText("cannot set up the decoder", code));
    decoder->pkt_timebase = in->time_base;
    code = avcodec_open2(decoder.get(), codec, nullptr);
    if (code < 0)
        return fail(out_error, avErrorText("cannot open the decoder", code));
    return true;
}

namespace {

// What a video track that QuickTime cannot hold is converted to when no format is asked for.
const DeliveryFormat kConversion{.encoder = "libx264", .encoderOptions = "preset=veryfast:crf=18"};

} // namespace

bool TrackPipeline::Impl::openVideoConversion(AVFormatContext* output, const DeliveryFormat* format,
                                              QString* out_error) {
    if (!openDecoder(out_error))
        return false;
    if (format && format->hapTexture) {
        const int got = openPictureConversion(output, *format, out_error);
        if (got != 0)
            return got > 0;
        // No picture in the range: FFmpeg's encoder makes the empty track.
    }
    const DeliveryFormat& recipe = format ? *format : kConversion;
    const AVCodec* codec = avcodec_find_encoder_by_name(recipe.encoder);
    // Without a format any encoder will do: MPEG-4 at a fixed quality is the last resort.
    const bool lastResort = !codec && !format;
    if (lastResort)
        codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (!codec)
        return fail(out_error, !format
                                   ? QStringLiteral("no video encoder")
                                   : QStringLiteral("no %1 encoder for %2")
                                         .arg(QString::fromLatin1(recipe.encoder), format->name));
    const AVPixelFormat pixelFormat = av_get_pix_fmt(recipe.pixelFormat);
    if (pixelFormat == AV_PIX_FMT_NONE)
        return fail(
            out_error,
            QStringLiteral("unknown pixel format %1").arg(QString::fromLatin1(recipe.pixelFormat)));
    encoder.reset(avcodec_alloc_context3(codec));
    AVCodecContext* e = encoder.get();
    e->width = decoder->width;
    e->height = decoder->height;
    e->sample_aspect_ratio = decoder->sample_aspect_ratio;
    e->pix_fmt = pixelFormat;
    e->time_base = in->time_base.den <= 65535 ? in->time_base : AVRational{1, 600};
    e->framerate = in->avg_frame_rate;
    // Every core: ProRes and HAP encode slices at once, x264 whole frames.
    e->thread_count = 0;
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (!lastResort && std::strlen(recipe.codecTag) == 4)
        e->codec_tag =
            MKTAG(recipe.codecTag[0], recipe.codecTag[1], recipe.codecTag[2], recipe.codecTag[3]);
    AVDictionary* options = nullptr;
    if (lastResort) {
        e->flags |= AV_CODEC_FLAG_QSCALE;
        e->global_quality = FF_QP2LAMBDA * 2;
    } else {
        if (av_dict_parse_string(&options, recipe.encoderOptions, "=", ":", 0) < 0) {
            av_dict_free(&options);
            return fail(out_error, QStringLiteral("unreadable encoder options %1")
                                       .arg(QString::fromLatin1(recipe.encoderOptions)));
        }
        if (recipe.perCoreOption[0])
            av_dict_set_int(&options, recipe.perCoreOption, encoderCores(), 0);
    }
    const int code = avcodec_open2(e, codec, &options);
    av_dict_free(&options);
    if (code < 0)
        return fail(out_error, avErrorText("cannot open the video encoder", code));
    out = avformat_new_stream(output, nullptr);
    if (!out)
        return fail(out_error, QStringLiteral("cannot add a track"));
    avcodec_parameters_from_context(out->codecpar, e);
    out->time_base = e->time_base;
    out->avg_frame_rate = in->avg_frame_rate;
    return true;
}

int TrackPipeline::Impl::openPictureConversion(AVFormatContext* output,
                                               const DeliveryFormat& format, QString* out_error) {
    const int timeScale =
        in->time_base.num == 1 && in->time_base.den <= 65535 ? in->time_base.den : 600;
    LivePicture first;
    const int got = nextDecodedPicture(timeScale, &first, out_error);
    if (got <= 0)
        return got;
    auto source = [this, timeScale](LivePicture* out_picture, QString* out_why) {
        return nextDecodedPicture(timeScale, out_picture, out_why);
    };
    if (!addEncodedStream(output, format, std::move(first), std::move(source), out_error))
        return -1;
    out->avg_frame_rate = in->avg_frame_rate;
    return 1;
}

int TrackPipeline::Impl::nextDecodedPicture(int timeScale, LivePicture* out_picture,
                                            QString* out_error) {
    std::int64_t pts = 0;
    const int got = decodeNextPicture(AVRational{1, timeScale}, &pts, out_error);
    if (got <= 0)
        return got;
    const AVFrame* d = decoded.get();
    QImage image(d->width, d->height, QImage::Format_RGBA8888);
    if (image.isNull()) {
        av_frame_unref(decoded.get());
        fail(out_error, QStringLiteral("no memory for a picture"));
        return -1;
    }
    if (!scaler)
        scaler.reset(sws_getContext(d->width, d->height, AVPixelFormat(d->format), d->width,
                                    d->height, AV_PIX_FMT_RGBA, SWS_BICUBIC, nullptr, nullptr,
                                    nullptr));
    std::uint8_t* const target[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int stride[4] = {int(image.bytesPerLine()), 0, 0, 0};
    const int result =
        scaler ? sws_scale(scaler.get(), d->data, d->linesize, 0, d->height, target, stride)
               : AVERROR(EINVAL);
    const std::int64_t length = av_rescale_q(d->pkt_duration, in->time_base, {1, timeScale});
    av_frame_unref(decoded.get());
    if (result < 0) {
        fail(out_error, avErrorText("cannot convert a picture", result));
        return -1;
    }
    *out_picture = {std::move(image), pts, std::max<std::int64_t>(1, length), timeScale};
    return 1;
}

int TrackPipeline::next(AVPacket* packet, QString* out_error) {
    if (mImpl->pictures)
        return mImpl->nextEncodedPicture(packet, out_error);
    return mImpl->copy ? mImpl->nextCopied(packet, out_error)
                       : mImpl->nextConverted(packet, out_error);
}

bool TrackPipeline::Impl::openPictureEncoding(AVFormatContext* output, const DeliveryFormat& format,
                                              std::shared_ptr<LiveMovieFile> recording,
                                              std::function<bool()> stopFollowing,
                                              QString* out_error) {
    copy = false;
    pictureSource = recording;
    const QString unfinished =
        QStringLiteral("the recording of %1 ended unfinished or was stopped").arg(segment.file);
    LivePicture first;
    if (recording->nextPicture(&first, stopFollowing) <= 0)
        return fail(out_error, unfinished);
    auto source = [recording, stopFollowing, unfinished](LivePicture* out_picture,
                                                         QString* out_why) {
        const int got = recording->nextPicture(out_picture, stopFollowing);
        if (got < 0 && out_why)
            *out_why = unfinished;
        return got;
    };
    return addEncodedStream(output, format, std::move(first), std::move(source), out_error);
}

bool TrackPipeline::Impl::addEncodedStream(AVFormatContext* output, const DeliveryFormat& format,
                                           LivePicture first, DeliveryEncoder::Source source,
                                           QString* out_error) {
    auto withFirst = [source = std::move(source), pending = std::optional<LivePicture>(first)](
                         LivePicture* out_picture, QString* out_why) mutable {
        if (!pending)
            return source(out_picture, out_why);
        *out_picture = std::move(*pending);
        pending.reset();
        return 1;
    };
    pictures = DeliveryEncoder::create(format, first, std::move(withFirst),
                                       output->oformat->flags & AVFMT_GLOBALHEADER, out_error);
    if (!pictures)
        return false;
    out = avformat_new_stream(output, nullptr);
    if (!out)
        return fail(out_error, QStringLiteral("cannot add a track"));
    const AVCodecContext* e = pictures->context();
    avcodec_parameters_from_context(out->codecpar, e);
    out->time_base = e->time_base;
    out->avg_frame_rate = e->framerate;
    return true;
}

int TrackPipeline::Impl::nextEncodedPicture(AVPacket* packet, QString* out_error) {
    const int got = pictures->next(packet, out_error);
    if (got == 1) {
        packet->stream_index = out->index;
        av_packet_rescale_ts(packet, pictures->context()->time_base, out->time_base);
    }
    return got;
}

int TrackPipeline::Impl::nextConverted(AVPacket* packet, QString* out_error) {
    for (;;) {
        const int code = avcodec_receive_packet(encoder.get(), packet);
        if (code == 0) {
            packet->stream_index = out->index;
            av_packet_rescale_ts(packet, encoder->time_base, out->time_base);
            return 1;
        }
        if (code == AVERROR_EOF)
            return 0;
        if (code != AVERROR(EAGAIN)) {
            fail(out_error, avErrorText("the encoder failed", code));
            return -1;
        }
        const bool fed = encoder->codec_type == AVMEDIA_TYPE_AUDIO ? feedAudioEncoder(out_error)
                                                                   : feedVideoEncoder(out_error);
        if (!fed)
            return -1;
    }
}

bool TrackPipeline::Impl::feedDecoder(QString* out_error) {
    if (inputDone)
        return true;
    for (;;) {
        const int code = av_read_frame(input.get(), readPacket.get());
        if (code == AVERROR_EOF) {
            inputDone = true;
            avcodec_send_packet(decoder.get(), nullptr);
            return true;
        }
        if (code < 0)
            return fail(out_error, avErrorText("cannot read the source movie", code));
        if (readPacket->stream_index != in->index) {
            av_packet_unref(readPacket.get());
            continue;
        }
        const int sent = avcodec_send_packet(decoder.get(), readPacket.get());
        av_packet_unref(readPacket.get());
        ++packetsRead;
        // A damaged stretch of sound is skipped; a damaged picture would be a frame missing
        // from the movie.
        if (sent == AVERROR_INVALIDDATA && decoder->codec_type == AVMEDIA_TYPE_AUDIO) {
            logLine(QStringLiteral("QTMovie: skipped a damaged packet of %1\n").arg(segment.file));
            continue;
        }
        if (sent == AVERROR_INVALIDDATA)
            return fail(out_error, QStringLiteral("%1: picture %2 is damaged and cannot be decoded")
                                       .arg(segment.file)
                                       .arg(packetsRead));
        if (sent < 0)
            return fail(out_error, avErrorText("the decoder refused a packet", sent));
        return true;
    }
}

int TrackPipeline::Impl::decodeNextPicture(AVRational timeBase, std::int64_t* out_pts,
                                           QString* out_error) {
    for (;;) {
        if (sourceDone)
            return 0;
        const int code = avcodec_receive_frame(decoder.get(), decoded.get());
        if (code == AVERROR_EOF) {
            sourceDone = true;
            return 0;
        }
        if (code == AVERROR(EAGAIN)) {
            if (!feedDecoder(out_error))
                return -1;
            continue;
        }
        if (code < 0) {
            fail(out_error, avErrorText("the decoder failed", code));
            return -1;
        }
        std::int64_t time = decoded->best_effort_timestamp;
        if (time == AV_NOPTS_VALUE)
            time = lastVideoPts == AV_NOPTS_VALUE ? 0 : lastVideoPts + 1;
        if (shift == AV_NOPTS_VALUE)
            shift = in->start_time != AV_NOPTS_VALUE ? in->start_time : time;
        const std::int64_t showTime = time - shift;
        if (showTime < rangeStart || (rangeEnd != kUnlimited && showTime >= rangeEnd)) {
            av_frame_unref(decoded.get());
            continue;
        }
        std::int64_t pts = av_rescale_q(showTime - rangeStart + at, in->time_base, timeBase);
        if (lastVideoPts != AV_NOPTS_VALUE && pts <= lastVideoPts)
            pts = lastVideoPts + 1;
        lastVideoPts = pts;
        *out_pts = pts;
        return 1;
    }
}

bool TrackPipeline::Impl::feedVideoEncoder(QString* out_error) {
    AVCodecContext* e = encoder.get();
    std::int64_t pts = 0;
    const int got = decodeNextPicture(e->time_base, &pts, out_error);
    if (got < 0)
        return false;
    if (got == 0) {
        if (encoderFlushed)
            return fail(out_error, QStringLiteral("the video encoder did not finish"));
        encoderFlushed = true;
        const int code = avcodec_send_frame(e, nullptr);
        return code >= 0 || code == AVERROR_EOF
                   ? true
                   : fail(out_error, avErrorText("cannot flush the video encoder", code));
    }
    if (!scaler)
        scaler.reset(sws_getContext(decoded->width, decoded->height, AVPixelFormat(decoded->format),
                                    e->width, e->height, e->pix_fmt, SWS_BICUBIC, nullptr, nullptr,
                                    nullptr));
    FramePtr frame = makeFrame();
    frame->format = e->pix_fmt;
    frame->width = e->width;
    frame->height = e->height;
    int result = scaler ? av_frame_get_buffer(frame.get(), 0) : AVERROR(EINVAL);
    if (result >= 0)
        result = sws_scale(scaler.get(), decoded->data, decoded->linesize, 0, decoded->height,
                           frame->data, frame->linesize);
    av_frame_unref(decoded.get());
    if (result < 0)
        return fail(out_error, avErrorText("cannot convert a picture", result));
    frame->pts = pts;
    result = avcodec_send_frame(e, frame.get());
    if (result < 0)
        return fail(out_error, avErrorText("the video encoder refused a picture", result));
    return true;
}

} // namespace qtkit
