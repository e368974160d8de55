#include "platform/qtkit/DeliveryEncoder.h"

#include "platform/qtkit/DeliveryFormats.h"
#include "platform/qtkit/FFmpegPtr.h"
#include "platform/qtkit/HapFrames.h"
#include "platform/qtkit/LiveMovieFile.h"
#include "platform/qtkit/QTKitLog.h"

extern "C" {
#include <libavutil/cpu.h>
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace qtkit {

namespace {

// Bytes of pictures, converted pictures and packets that the threads of one movie may hold.
constexpr std::int64_t kInFlightBudgetBytes = std::int64_t(2) << 30;

bool failWith(QString* out_error, const QString& text) {
    if (out_error)
        *out_error = text;
    return false;
}

// An encoder of the format's recipe for pictures of `width` x `height` at `timeScale`, with
// `threads` threads of its own (0: as many as the encoder likes).
CodecContextPtr openEncoder(const DeliveryFormat& format, int width, int height, int timeScale,
                            AVRational frameRate, int threads, bool globalHeader,
                            QString* out_error) {
    const AVCodec* codec = avcodec_find_encoder_by_name(format.encoder);
    if (!codec) {
        failWith(out_error, QStringLiteral("no %1 encoder for %2")
                                .arg(QString::fromLatin1(format.encoder), format.name));
        return nullptr;
    }
    const AVPixelFormat pixelFormat = av_get_pix_fmt(format.pixelFormat);
    if (pixelFormat == AV_PIX_FMT_NONE) {
        failWith(
            out_error,
            QStringLiteral("unknown pixel format %1").arg(QString::fromLatin1(format.pixelFormat)));
        return nullptr;
    }
    CodecContextPtr encoder(avcodec_alloc_context3(codec));
    if (!encoder) {
        failWith(out_error, QStringLiteral("no memory for an encoder"));
        return nullptr;
    }
    AVCodecContext* e = encoder.get();
    e->width = width;
    e->height = height;
    e->sample_aspect_ratio = AVRational{1, 1};
    e->pix_fmt = pixelFormat;
    e->time_base = AVRational{1, timeScale};
    e->framerate = frameRate;
    e->thread_count = threads;
    if (globalHeader)
        e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (std::strlen(format.codecTag) == 4)
        e->codec_tag =
            MKTAG(format.codecTag[0], format.codecTag[1], format.codecTag[2], format.codecTag[3]);
    // Our own HAP writer encodes; the context only describes the track.
    if (format.hapTexture)
        return encoder;
    AVDictionary* options = nullptr;
    if (av_dict_parse_string(&options, format.encoderOptions, "=", ":", 0) < 0) {
        av_dict_free(&options);
        failWith(out_error, QStringLiteral("unreadable encoder options %1")
                                .arg(QString::fromLatin1(format.encoderOptions)));
        return nullptr;
    }
    // The pieces of a picture stay those of the machine's cores, whoever encodes them.
    if (format.perCoreOption[0])
        av_dict_set_int(&options, format.perCoreOption, encoderCores(), 0);
    const int code = avcodec_open2(e, codec, &options);
    av_dict_free(&options);
    if (code < 0) {
        failWith(out_error, avErrorText("cannot open the video encoder", code));
        return nullptr;
    }
    return encoder;
}

// Whether `picture` is an RGBA picture of the encoder's size; false and `out_error` if not.
bool pictureFits(const QImage& picture, const AVCodecContext* e, QString* out_error) {
    if (picture.width() == e->width && picture.height() == e->height &&
        picture.format() == QImage::Format_RGBA8888)
        return true;
    return failWith(out_error, QStringLiteral("a picture of %1x%2 pixels in a movie of %3x%4")
                                   .arg(picture.width())
                                   .arg(picture.height())
                                   .arg(e->width)
                                   .arg(e->height));
}

// Converts straight-alpha RGBA pictures into an encoder's pixel format.
class PictureConverter {
public:
    PictureConverter(const AVCodecContext* encoder) : mEncoder(encoder) {}

    // `picture` as a frame of the encoder's format (sharing its pixels where the format is
    // RGBA); null and `out_error` on failure. The frame is valid until the next call.
    AVFrame* convert(const QImage& picture, QString* out_error) {
        const AVCodecContext* e = mEncoder;
        if (!pictureFits(picture, e, out_error))
            return nullptr;
        if (!mFrame)
            mFrame = makeFrame();
        AVFrame* frame = mFrame.get();
        if (!frame) {
            failWith(out_error, QStringLiteral("no memory for a picture"));
            return nullptr;
        }
        if (e->pix_fmt == AV_PIX_FMT_RGBA) {
            av_frame_unref(frame);
            frame->format = AV_PIX_FMT_RGBA;
            frame->width = e->width;
            frame->height = e->height;
            // The frame holds the picture (shared, not copied): the encoder only reads it.
            auto* held = new QImage(picture);
            frame->buf[0] = av_buffer_create(
                const_cast<std::uint8_t*>(held->constBits()), std::size_t(held->sizeInBytes()),
                [](void* opaque, std::uint8_t*) { delete static_cast<QImage*>(opaque); }, held,
                AV_BUFFER_FLAG_READONLY);
            if (!frame->buf[0]) {
                delete held;
                failWith(out_error, QStringLiteral("no memory for a picture"));
                return nullptr;
            }
            frame->data[0] = frame->buf[0]->data;
            frame->linesize[0] = int(held->bytesPerLine());
            return frame;
        }
        if (!mScaler)
            mScaler.reset(sws_getContext(e->width, e->height, AV_PIX_FMT_RGBA, e->width, e->height,
                                         e->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
        // An encoder that keeps the frame (for later pictures) gets a new one.
        if (!frame->buf[0] || av_frame_make_writable(frame) < 0) {
            av_frame_unref(frame);
            frame->format = e->pix_fmt;
            frame->width = e->width;
            frame->height = e->height;
            if (av_frame_get_buffer(frame, 0) < 0) {
                failWith(out_error, QStringLiteral("no memory for a picture"));
                return nullptr;
            }
        }
        const std::uint8_t* source[4] = {picture.constBits(), nullptr, nullptr, nullptr};
        const int sourceStride[4] = {int(picture.bytesPerLine()), 0, 0, 0};
        const int result = mScaler ? sws_scale(mScaler.get(), source, sourceStride, 0, e->height,
                                               frame->data, frame->linesize)
                                   : AVERROR(EINVAL);
        if (result < 0) {
            failWith(out_error, avErrorText("cannot convert a picture", result));
            return nullptr;
        }
        return frame;
    }

private:
    const AVCodecContext* mEncoder;
    SwsPtr mScaler;
    FramePtr mFrame;
};

struct Worker {
    const DeliveryFormat* format = nullptr;
    CodecContextPtr encoder;
    std::unique_ptr<PictureConverter> converter;
    std::thread thread;
};

// Writes the RGBA picture as one HAP frame of `format` (one with hapTexture) into `packet`, a key
// frame; false and `out_error` on failure.
bool encodeHapPicture(const DeliveryFormat& format, const QImage& picture, AVPacket* packet,
                      QString* out_error) {
    const int width = picture.width(), height = picture.height();
    const auto texture = hap::Texture(format.hapTexture);
    const int chunks = format.perCoreOption[0] ? encoderCores() : 1;
    const std::size_t most = hap::maxFrameBytes(texture, width, height, chunks);
    if (most > std::size_t(INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE))
        return failWith(out_error, QStringLiteral("a picture too large for a HAP frame"));
    av_packet_unref(packet);
    if (av_new_packet(packet, int(most)) < 0)
        return failWith(out_error, QStringLiteral("no memory for a packet"));
    const std::size_t written =
        hap::encodeFrame(texture, {picture.constBits(), picture.bytesPerLine(), width, height},
                         chunks, packet->data);
    av_shrink_packet(packet, int(written));
    packet->flags |= AV_PKT_FLAG_KEY;
    return true;
}

} // namespace

int encoderCores() {
    return std::clamp(av_cpu_count(), 1, 64);
}

void yieldToTheRender() {
    // Measured on 2 cores: a 640x480 HAP job in 0.8 of the time, H.264 unchanged. The render and
    // the renderer's threads form the chain every picture waits on; the encoders, with pictures
    // queued, fill the gaps it leaves. Relative to the process's main thread, so that a job
    // started with nice(1) keeps its place among other programs, and a thread started by a
    // thread that already yielded does not go down twice.
    constexpr int kEncoderNiceness = 5;
    errno = 0;
    const int process = ::getpriority(PRIO_PROCESS, ::getpid());
    if (errno == 0)
        ::setpriority(PRIO_PROCESS, ::gettid(), std::min(process + kEncoderNiceness, 19));
}

struct DeliveryEncoder::Impl {
    Source source;
    std::vector<std::unique_ptr<Worker>> workers; // one without threads of its own: in order
    int maxInFlight = 1;
    bool threaded = false;

    // One encoder in picture order.
    bool flushed = false;
    bool failedAlone = false;
    QString failureAlone;

    // Threads: the source is asked by one at a time, in the order of `taken`.
    std::mutex sourceLock;
    std::mutex lock;
    std::condition_variable space; // a packet went out, or the encoder stops
    std::condition_variable ready; // a packet is encoded, the pictures ended or one failed
    std::map<std::int64_t, PacketPtr> packets;
    std::int64_t taken = 0;
    std::int64_t handedOn = 0;
    bool sourceEnded = false;
    bool stopping = false;
    bool failed = false;
    QString failure;

    // With `lock` held.
    void fail(const QString& text) {
        if (!failed)
            failure = text;
        failed = true;
        space.notify_all();
        ready.notify_all();
    }

    // Converts and encodes one picture into `packet`: the encoder makes one packet of each.
    static bool encodeAlone(Worker& worker, const LivePicture& picture, AVPacket* packet,
                            QString* out_error);
    void encode(Worker& worker);
    int nextInOrder(AVPacket* packet, QString* out_error);
    int nextFromThreads(AVPacket* packet, QString* out_error);
};

DeliveryEncoder::DeliveryEncoder() : mImpl(std::make_unique<Impl>()) {}

DeliveryEncoder::~DeliveryEncoder() {
    {
        std::lock_guard guard(mImpl->lock);
        mImpl->stopping = true;
        mImpl->space.notify_all();
        mImpl->ready.notify_all();
    }
    for (auto& worker : mImpl->workers)
        if (worker->thread.joinable())
            worker->thread.join();
}

std::unique_ptr<DeliveryEncoder> DeliveryEncoder::create(const DeliveryFormat& format,
                                                         const LivePicture& first, Source source,
                                                         bool globalHeader, QString* out_error) {
    installFFmpegLogRouting();
    const int width = first.image.width();
    const int height = first.image.height();
    if (!format.encodes() || width <= 0 || height <= 0 || first.timeScale <= 0 ||
        first.duration <= 0 || !source) {
        failWith(out_error, QStringLiteral("nothing to encode %1 from").arg(format.name));
        return nullptr;
    }
    const AVCodec* codec = avcodec_find_encoder_by_name(format.encoder);
    const AVCodecDescriptor* descriptor = codec ? avcodec_descriptor_get(codec->id) : nullptr;
    const bool intraOnly =
        format.hapTexture || (descriptor && (descriptor->props & AV_CODEC_PROP_INTRA_ONLY));
    AVRational frameRate{0, 1};
    av_reduce(&frameRate.num, &frameRate.den, first.timeScale, first.duration, INT_MAX);
    std::unique_ptr<DeliveryEncoder> encoder(new DeliveryEncoder);
    Impl& d = *encoder->mImpl;
    d.source = std::move(source);
    const int cores = encoderCores();
    // An encoder with `threads` of its own (0: as many as it likes) and its converter.
    const auto addWorker = [&](int threads) {
        auto worker = std::make_unique<Worker>();
        worker->format = &format;
        worker->encoder = openEncoder(format, width, height, first.timeScale, frameRate, threads,
                                      globalHeader, out_error);
        if (!worker->encoder)
            return false;
        worker->converter = std::make_unique<PictureConverter>(worker->encoder.get());
        d.workers.push_back(std::move(worker));
        return true;
    };
    if (!intraOnly) {
        if (!addWorker(0))
            return nullptr;
        d.maxInFlight = 1;
        return encoder;
    }
    // Per thread at most: a picture, its conversion and the packets of three.
    const std::int64_t pictureBytes = std::int64_t(width) * height * 4;
    const int convertedBytes =
        av_image_get_buffer_size(av_get_pix_fmt(format.pixelFormat), width, height, 1);
    const std::int64_t threadBytes = 4 * pictureBytes + std::max(0, convertedBytes);
    const int threads = int(std::clamp<std::int64_t>(kInFlightBudgetBytes / threadBytes, 1, cores));
    d.maxInFlight = 2 * threads;
    d.threaded = true;
    for (int index = 0; index < threads; ++index) {
        if (!addWorker(1))
            return nullptr;
    }
    for (auto& worker : d.workers)
        worker->thread = std::thread([&d, raw = worker.get()] { d.encode(*raw); });
    return encoder;
}

bool DeliveryEncoder::Impl::encodeAlone(Worker& worker, const LivePicture& picture,
                                        AVPacket* packet, QString* out_error) {
    const AVCodecContext* e = worker.encoder.get();
    if (worker.format->hapTexture) {
        if (!pictureFits(picture.image, e, out_error) ||
            !encodeHapPicture(*worker.format, picture.image, packet, out_error))
            return false;
    } else {
        AVFrame* frame = worker.converter->convert(picture.image, out_error);
        if (!frame)
            return false;
        frame->pts = picture.pts;
        int code = avcodec_send_frame(worker.encoder.get(), frame);
        if (code < 0)
            return failWith(out_error, avErrorText("the video encoder refused a picture", code));
        code = avcodec_receive_packet(worker.encoder.get(), packet);
        if (code < 0)
            return failWith(out_error, avErrorText("the video encoder failed", code));
    }
    packet->pts = packet->dts = picture.pts;
    packet->duration = picture.duration;
    return true;
}

void DeliveryEncoder::Impl::encode(Worker& worker) {
    yieldToTheRender();
    for (;;) {
        {
            std::unique_lock guard(lock);
            space.wait(guard, [&] {
                return stopping || failed || sourceEnded || taken - handedOn < maxInFlight;
            });
            if (stopping || failed || sourceEnded)
                return;
        }
        LivePicture picture;
        std::int64_t index = 0;
        {
            std::lock_guard order(sourceLock);
            {
                std::lock_guard guard(lock);
                if (stopping || failed || sourceEnded)
                    return;
            }
            QString error;
            const int got = source(&picture, &error);
            std::lock_guard guard(lock);
            if (got <= 0) {
                sourceEnded = true;
                if (got < 0)
                    fail(error);
                ready.notify_all();
                return;
            }
            index = taken++;
        }
        QString error;
        PacketPtr packet = makePacket();
        const bool encoded = packet && encodeAlone(worker, picture, packet.get(), &error);
        picture.image = QImage();
        std::lock_guard guard(lock);
        if (!encoded) {
            fail(packet ? error : QStringLiteral("cannot allocate a packet"));
            return;
        }
        packets.emplace(index, std::move(packet));
        if (index == handedOn)
            ready.notify_all();
    }
}

const AVCodecContext* DeliveryEncoder::context() const {
    return mImpl->workers.front()->encoder.get();
}

int DeliveryEncoder::pictureThreads() const {
    return mImpl->threaded ? int(mImpl->workers.size()) : 1;
}

int DeliveryEncoder::maxPicturesInFlight() const {
    return mImpl->maxInFlight;
}

int DeliveryEncoder::next(AVPacket* packet, QString* out_error) {
    return mImpl->threaded ? mImpl->nextFromThreads(packet, out_error)
                           : mImpl->nextInOrder(packet, out_error);
}

int DeliveryEncoder::Impl::nextFromThreads(AVPacket* packet, QString* out_error) {
    std::unique_lock guard(lock);
    ready.wait(guard, [&] {
        return failed || (!packets.empty() && packets.begin()->first == handedOn) ||
               (sourceEnded && handedOn == taken);
    });
    if (failed) {
        failWith(out_error, failure);
        return -1;
    }
    if (packets.empty() || packets.begin()->first != handedOn)
        return 0;
    av_packet_move_ref(packet, packets.begin()->second.get());
    packets.erase(packets.begin());
    ++handedOn;
    space.notify_all();
    return 1;
}

int DeliveryEncoder::Impl::nextInOrder(AVPacket* packet, QString* out_error) {
    const auto failAlone = [&](const QString& text) {
        if (!failedAlone)
            failureAlone = text;
        failedAlone = true;
        failWith(out_error, failureAlone);
        return -1;
    };
    if (failedAlone)
        return failAlone(failureAlone);
    Worker& worker = *workers.front();
    AVCodecContext* e = worker.encoder.get();
    for (;;) {
        int code = avcodec_receive_packet(e, packet);
        if (code == 0)
            return 1;
        if (code == AVERROR_EOF)
            return 0;
        if (code != AVERROR(EAGAIN))
            return failAlone(avErrorText("the video encoder failed", code));
        if (flushed)
            return failAlone(QStringLiteral("the video encoder did not finish"));
        LivePicture picture;
        QString error;
        const int got = source(&picture, &error);
        if (got < 0)
            return failAlone(error);
        if (got == 0) {
            flushed = true;
            code = avcodec_send_frame(e, nullptr);
            if (code < 0 && code != AVERROR_EOF)
                return failAlone(avErrorText("cannot flush the video encoder", code));
            continue;
        }
        AVFrame* frame = worker.converter->convert(picture.image, &error);
        if (!frame)
            return failAlone(error);
        frame->pts = picture.pts;
        code = avcodec_send_frame(e, frame);
        if (code < 0)
            return failAlone(avErrorText("the video encoder refused a picture", code));
    }
}

} // namespace qtkit
