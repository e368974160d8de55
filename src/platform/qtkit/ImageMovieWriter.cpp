#include "platform/qtkit/ImageMovieWriter.h"

#include "platform/appkit/NSBitmapImageRep.h"
#include "platform/qtkit/FFmpegPtr.h"
#include "platform/qtkit/QTKitLog.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <map>

namespace qtkit {

struct ImageMovieWriter::Impl {
    OutputContextPtr output;
    CodecContextPtr encoder;
    FramePtr frame;
    PacketPtr packet;
    AVStream* stream = nullptr;
    std::int64_t nextPts = 0;
    std::map<std::int64_t, std::int64_t> durations; // pts -> duration of frames in the encoder
    bool failed = false;
    bool finished = false;
    bool dirty = false;
};

ImageMovieWriter::ImageMovieWriter() : mImpl(std::make_unique<Impl>()) {}

ImageMovieWriter::~ImageMovieWriter() {
    if (!mImpl->finished && !mImpl->failed) {
        QString error;
        if (!finish(&error))
            logLine(QStringLiteral("QTMovie: closing %1 failed: %2\n")
                        .arg(QString::fromUtf8(mImpl->output->url), error));
    }
}

int ImageMovieWriter::width() const {
    return mImpl->encoder->width;
}

int ImageMovieWriter::height() const {
    return mImpl->encoder->height;
}

bool ImageMovieWriter::fail(QString* out_error, const QString& text) {
    mImpl->failed = true;
    if (out_error)
        *out_error = text;
    return false;
}

std::unique_ptr<ImageMovieWriter> ImageMovieWriter::create(const QString& path, int width,
                                                           int height, const QString& copyright,
                                                           int timeScale, QString* out_error) {
    installFFmpegLogRouting();
    std::unique_ptr<ImageMovieWriter> writer(new ImageMovieWriter);
    Impl& d = *writer->mImpl;
    auto failWith = [&](const QString& text) {
        if (out_error)
            *out_error = text;
        return nullptr;
    };
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return failWith(
            QStringLiteral("image size %1x%2 cannot be recorded").arg(width).arg(height));

    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_QTRLE);
    if (!codec)
        return failWith(QStringLiteral("the Animation (qtrle) encoder is not available"));
    d.encoder.reset(avcodec_alloc_context3(codec));
    d.encoder->width = width;
    d.encoder->height = height;
    d.encoder->pix_fmt = AV_PIX_FMT_ARGB;
    d.encoder->time_base = AVRational{1, timeScale};
    d.encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVFormatContext* raw = nullptr;
    const QByteArray file = path.toUtf8();
    int code = avformat_alloc_output_context2(&raw, nullptr, "mov", file.constData());
    if (code < 0)
        return failWith(avErrorText("cannot make a QuickTime writer", code));
    d.output.reset(raw);
    code = avcodec_open2(d.encoder.get(), codec, nullptr);
    if (code < 0)
        return failWith(avErrorText("cannot open the Animation encoder", code));
    d.stream = avformat_new_stream(raw, nullptr);
    if (!d.stream)
        return failWith(QStringLiteral("cannot add a video track"));
    d.stream->time_base = d.encoder->time_base;
    avcodec_parameters_from_context(d.stream->codecpar, d.encoder.get());
    if (!copyright.isEmpty())
        av_dict_set(&raw->metadata, "copyright", copyright.toUtf8().constData(), 0);

    code = avio_open(&raw->pb, file.constData(), AVIO_FLAG_WRITE);
    if (code < 0)
        return failWith(avErrorText("cannot create the movie file", code));
    AVDictionary* options = nullptr;
    // An empty index up front, then one fragment per flush; every flush leaves a movie that
    // readers open. Fragments are also cut at 32 MiB so that memory stays bounded when flushes
    // are rare.
    av_dict_set(&options, "movflags", "empty_moov+frag_custom", 0);
    av_dict_set_int(&options, "frag_size", 32 << 20, 0);
    av_dict_set_int(&options, "video_track_timescale", timeScale, 0);
    av_dict_set_int(&options, "movie_timescale", timeScale, 0);
    code = avformat_write_header(raw, &options);
    av_dict_free(&options);
    if (code < 0)
        return failWith(avErrorText("cannot write the movie header", code));
    avio_flush(raw->pb);

    d.frame = makeFrame();
    d.frame->format = AV_PIX_FMT_ARGB;
    d.frame->width = width;
    d.frame->height = height;
    code = av_frame_get_buffer(d.frame.get(), 0);
    if (code < 0)
        return failWith(avErrorText("cannot allocate a frame", code));
    d.packet = makePacket();
    return writer;
}

bool ImageMovieWriter::drainEncoder(QString* out_error) {
    Impl& d = *mImpl;
    for (;;) {
        int code = avcodec_receive_packet(d.encoder.get(), d.packet.get());
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return true;
        if (code < 0)
            return fail(out_error, avErrorText("the Animation encoder failed", code));
        auto found = d.durations.find(d.packet->pts);
        if (found != d.durations.end()) {
            d.packet->duration = found->second;
            d.durations.erase(found);
        }
        d.packet->stream_index = d.stream->index;
        av_packet_rescale_ts(d.packet.get(), d.encoder->time_base, d.stream->time_base);
        code = av_write_frame(d.output.get(), d.packet.get());
        av_packet_unref(d.packet.get());
        if (code < 0)
            return fail(out_error, avErrorText("cannot write a frame", code));
        d.dirty = true;
    }
}

bool ImageMovieWriter::append(const NSBitmapImageRep& bitmap, std::int64_t duration,
                              QString* out_error) {
    Impl& d = *mImpl;
    if (d.failed || d.finished)
        return fail(out_error, QStringLiteral("the movie file can no longer be written"));
    if (bitmap.pixelsWide() != d.encoder->width || bitmap.pixelsHigh() != d.encoder->height) {
        if (out_error)
            *out_error = QStringLiteral("image of %1x%2 pixels in a movie of %3x%4")
                             .arg(bitmap.pixelsWide())
                             .arg(bitmap.pixelsHigh())
                             .arg(d.encoder->width)
                             .arg(d.encoder->height);
        return false;
    }
    if (duration <= 0) {
        if (out_error)
            *out_error = QStringLiteral("frame duration %1 is not positive").arg(duration);
        return false;
    }
    int code = av_frame_make_writable(d.frame.get());
    if (code < 0)
        return fail(out_error, avErrorText("cannot reuse the frame", code));
    // Straight-alpha RGBA bytes to ARGB bytes, row by row.
    const int width = d.encoder->width;
    for (int y = 0; y < d.encoder->height; ++y) {
        const std::uint8_t* source = bitmap.bitmapData() + y * bitmap.bytesPerRow();
        std::uint8_t* target = d.frame->data[0] + y * d.frame->linesize[0];
        for (int x = 0; x < width; ++x, source += 4, target += 4) {
            target[0] = source[3];
            target[1] = source[0];
            target[2] = source[1];
            target[3] = source[2];
        }
    }
    d.frame->pts = d.nextPts;
    d.durations[d.nextPts] = duration;
    d.nextPts += duration;
    code = avcodec_send_frame(d.encoder.get(), d.frame.get());
    if (code < 0)
        return fail(out_error, avErrorText("the Animation encoder refused a frame", code));
    return drainEncoder(out_error);
}

bool ImageMovieWriter::flush(QString* out_error) {
    Impl& d = *mImpl;
    if (d.failed || d.finished)
        return fail(out_error, QStringLiteral("the movie file can no longer be written"));
    if (d.dirty) {
        // A null packet completes the current fragment.
        const int code = av_write_frame(d.output.get(), nullptr);
        if (code < 0)
            return fail(out_error, avErrorText("cannot complete a fragment", code));
        d.dirty = false;
    }
    avio_flush(d.output->pb);
    if (d.output->pb->error < 0)
        return fail(out_error, avErrorText("cannot write the movie file", d.output->pb->error));
    return true;
}

bool ImageMovieWriter::finish(QString* out_error) {
    Impl& d = *mImpl;
    if (d.failed || d.finished)
        return fail(out_error, QStringLiteral("the movie file can no longer be written"));
    int code = avcodec_send_frame(d.encoder.get(), nullptr);
    if (code < 0 && code != AVERROR_EOF)
        return fail(out_error, avErrorText("cannot flush the Animation encoder", code));
    if (!drainEncoder(out_error))
        return false;
    code = av_write_trailer(d.output.get());
    if (code < 0)
        return fail(out_error, avErrorText("cannot finish the movie file", code));
    code = avio_closep(&d.output->pb);
    d.finished = true;
    if (code < 0)
        return fail(out_error, avErrorText("cannot close the movie file", code));
    return true;
}

} // namespace qtkit
