#include "platform/qtkit/ImageMovieWriter.h"

#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/qtkit/AnimationEncoderPool.h"
#include "platform/qtkit/AnimationEncoding.h"
#include "platform/qtkit/DirectFileOutput.h"
#include "platform/qtkit/FFmpegPtr.h"
#include "platform/qtkit/LiveMovieFile.h"
#include "platform/qtkit/QTKitLog.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <QImage>

namespace qtkit {

struct ImageMovieWriter::Impl {
    OutputContextPtr output;
    std::unique_ptr<DirectFileOutput> file; // the output's file; goes before the output
    AVStream* stream = nullptr;
    int width = 0;
    int height = 0;
    AVRational timeBase{1, 600};
    std::int64_t nextPts = 0;
    bool failed = false;
    QString failure; // the first
    bool finished = false;
    std::shared_ptr<LiveMovieFile> live; // the file for readers that follow it

    // Tells followers that the bytes written so far are complete.
    void announceGrowth() {
        if (live && output && output->pb)
            live->grew(avio_tell(output->pb));
    }

    // One thread.
    std::unique_ptr<AnimationSequenceCoder> coder;
    std::int64_t pictures = 0;
    PacketPtr packet;
    bool dirty = false;

    // A pool; declared last, so that its threads stop before the file goes.
    std::unique_ptr<AnimationEncoderPool> pool;
};

ImageMovieWriter::ImageMovieWriter() : mImpl(std::make_unique<Impl>()) {}

ImageMovieWriter::~ImageMovieWriter() {
    if (!mImpl->finished && !mImpl->failed) {
        QString error;
        if (!finish(&error))
            logLine(QStringLiteral("QTMovie: closing %1 failed: %2\n")
                        .arg(QString::fromUtf8(mImpl->output->url), error));
    }
    mImpl->pool.reset();
    if (mImpl->live)
        mImpl->live->end(false, QTMakeTime(0, 600));
}

int ImageMovieWriter::width() const {
    return mImpl->width;
}

int ImageMovieWriter::height() const {
    return mImpl->height;
}

int ImageMovieWriter::encoderThreads() const {
    return mImpl->pool ? mImpl->pool->settings().threads : 1;
}

bool ImageMovieWriter::fail(QString* out_error, const QString& text) {
    if (!mImpl->failed)
        mImpl->failure = text;
    mImpl->failed = true;
    if (out_error)
        *out_error = text;
    return false;
}

bool ImageMovieWriter::refuse(QString* out_error) {
    return fail(out_error, mImpl->failed
                               ? mImpl->failure
                               : QStringLiteral("the movie file can no longer be written"));
}

std::unique_ptr<ImageMovieWriter> ImageMovieWriter::create(const QString& path, int width,
                                                           int height, const QString& copyright,
                                                           const QString& comment, int timeScale,
                                                           int encoderThreads, QString* out_error) {
    installFFmpegLogRouting();
    std::unique_ptr<ImageMovieWriter> writer(new ImageMovieWriter);
    Impl& d = *writer->mImpl;
    auto failWith = [&](const QString& text) {
        d.failed = true; // nothing to finish
        if (out_error)
            *out_error = text;
        return nullptr;
    };
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return failWith(
            QStringLiteral("image size %1x%2 cannot be recorded").arg(width).arg(height));
    d.width = width;
    d.height = height;
    d.timeBase = AVRational{1, timeScale};

    QString error;
    AVFormatContext* raw = nullptr;
    const QByteArray file = path.toUtf8();
    int code = avformat_alloc_output_context2(&raw, nullptr, "mov", file.constData());
    if (code < 0)
        return failWith(avErrorText("cannot make a QuickTime writer", code));
    d.output.reset(raw);
    d.stream = avformat_new_stream(raw, nullptr);
    if (!d.stream)
        return failWith(QStringLiteral("cannot add a video track"));
    d.stream->time_base = d.timeBase;
    setAnimationCodecParameters(d.stream->codecpar, width, height);
    if (!copyright.isEmpty())
        av_dict_set(&raw->metadata, "copyright", copyright.toUtf8().constData(), 0);
    if (!comment.isEmpty())
        av_dict_set(&raw->metadata, "comment", comment.toUtf8().constData(), 0);

    d.file = DirectFileOutput::create(path, &error);
    if (!d.file)
        return failWith(error);
    d.file->attachTo(raw);
    AVDictionary* options = nullptr;
    // An empty index up front, then fragments; every completed fragment leaves a movie that
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
    d.live = LiveMovieFile::announce(path);
    d.announceGrowth();

    if (encoderThreads != 1) {
        const AnimationEncoderPool::Settings settings =
            AnimationEncoderPool::Settings::forPictures(width, height, timeScale, encoderThreads);
        // A machine of one core keeps the encoding on the calling thread.
        if (settings.threads > 1 || encoderThreads > 1) {
            ImageMovieWriter* self = writer.get();
            d.pool = AnimationEncoderPool::create(
                settings,
                [self](AVPacket* packet, bool more, QString* out_packetError) {
                    return self->writePooledPacket(packet, more, out_packetError);
                },
                &error);
            if (!d.pool)
                return failWith(error);
            return writer;
        }
    }
    d.packet = makePacket();
    d.coder = std::make_unique<AnimationSequenceCoder>(width, height);
    if (!d.packet)
        return failWith(QStringLiteral("cannot allocate a packet"));
    return writer;
}

// On the pool's writer thread, the only one using the file while the pool runs.
bool ImageMovieWriter::writePooledPacket(AVPacket* packet, bool more, QString* out_error) {
    Impl& d = *mImpl;
    packet->stream_index = d.stream->index;
    av_packet_rescale_ts(packet, d.timeBase, d.stream->time_base);
    int code = av_write_frame(d.output.get(), packet);
    if (code < 0) {
        *out_error = avErrorText("cannot write a frame", code);
        return false;
    }
    // A fragment per frame: the file holds every frame written.
    code = av_write_frame(d.output.get(), nullptr);
    if (code < 0) {
        *out_error = avErrorText("cannot complete a fragment", code);
        return false;
    }
    if (more)
        return true;
    avio_flush(d.output->pb);
    if (d.output->pb->error < 0) {
        *out_error = avErrorText("cannot write the movie file", d.output->pb->error);
        return false;
    }
    d.announceGrowth();
    return true;
}

bool ImageMovieWriter::append(const NSBitmapImageRep& bitmap, std::int64_t duration,
                              QString* out_error) {
    Impl& d = *mImpl;
    if (d.failed || d.finished)
        return refuse(out_error);
    if (bitmap.pixelsWide() != d.width || bitmap.pixelsHigh() != d.height) {
        if (out_error)
            *out_error = QStringLiteral("image of %1x%2 pixels in a movie of %3x%4")
                             .arg(bitmap.pixelsWide())
                             .arg(bitmap.pixelsHigh())
                             .arg(d.width)
                             .arg(d.height);
        return false;
    }
    if (duration <= 0) {
        if (out_error)
            *out_error = QStringLiteral("frame duration %1 is not positive").arg(duration);
        return false;
    }
    // A movie written along in another format encodes the same picture.
    if (d.live)
        d.live->tookPicture(LivePicture{bitmap.qImage(), d.nextPts, duration, d.timeBase.den});
    if (d.pool) {
        QString error;
        if (!d.pool->submit(bitmap.qImage(), d.nextPts, duration, &error))
            return fail(out_error, error);
        d.nextPts += duration;
        return true;
    }
    if (!d.coder->code(bitmap.qImage(), d.pictures, d.packet.get()))
        return fail(out_error, QStringLiteral("out of memory coding frame %1").arg(d.pictures + 1));
    ++d.pictures;
    AVPacket& packet = *d.packet;
    packet.pts = packet.dts = d.nextPts;
    packet.duration = duration;
    packet.stream_index = d.stream->index;
    d.nextPts += duration;
    av_packet_rescale_ts(&packet, d.timeBase, d.stream->time_base);
    const int code = av_write_frame(d.output.get(), &packet);
    av_packet_unref(&packet);
    if (code < 0)
        return fail(out_error, avErrorText("cannot write a frame", code));
    d.dirty = true;
    return true;
}

bool ImageMovieWriter::flush(QString* out_error) {
    Impl& d = *mImpl;
    if (d.failed || d.finished)
        return refuse(out_error);
    QString error;
    if (d.pool)
        return d.pool->healthy(&error) || fail(out_error, error);
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
    d.announceGrowth();
    return true;
}

bool ImageMovieWriter::flushAll(QString* out_error) {
    Impl& d = *mImpl;
    if (d.failed || d.finished)
        return refuse(out_error);
    QString error;
    if (d.pool)
        return d.pool->drain(&error) || fail(out_error, error);
    return flush(out_error);
}

bool ImageMovieWriter::finish(QString* out_error) {
    Impl& d = *mImpl;
    if (d.failed || d.finished)
        return refuse(out_error);
    if (d.pool) {
        QString error;
        if (!d.pool->drain(&error))
            return fail(out_error, error);
        d.pool.reset(); // its threads are done with the file
    }
    int code = av_write_trailer(d.output.get());
    if (code < 0)
        return fail(out_error, avErrorText("cannot finish the movie file", code));
    d.finished = true;
    avio_flush(d.output->pb);
    d.announceGrowth();
    QString error;
    if (!d.file->close(&error))
        return fail(out_error, error);
    if (d.live)
        d.live->end(true, QTMakeTime(d.nextPts, d.timeBase.den));
    return true;
}

} // namespace qtkit
