#include "platform/qtkit/MovieFrameReader.h"

#include "platform/qtkit/FFmpegPtr.h"
#include "platform/qtkit/QTKitLog.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

using namespace qtkit;

namespace {

// Pictures decoded ahead of the caller.
constexpr std::size_t kPicturesAhead = 3;
// A picture starting this close after the time asked for counts as started: a job's frame
// times and a movie's time stamps reach the same instant by different roundings.
constexpr double kStartTolerance = 1e-6;

struct Picture {
    QImage image;
    double start = 0.0;
};

// One pass through the movie: the file, its decoder and the worker that fills the queue.
class DecodingPass {
public:
    bool open(const QString& path, bool bottomRowFirst, QString* out_error) {
        flipped = bottomRowFirst;
        input = openInput(path, out_error);
        if (!input)
            return false;
        stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (stream < 0) {
            *out_error = QStringLiteral("%1 has no video track").arg(path);
            return false;
        }
        decoder = openDecoder(input->streams[stream], 0, out_error);
        if (!decoder)
            return false;
        if (decoder->width <= 0 || decoder->height <= 0) {
            *out_error = QStringLiteral("%1: the video track has no picture size").arg(path);
            return false;
        }
        worker = std::thread([this] { run(); });
        return true;
    }

    ~DecodingPass() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        if (worker.joinable())
            worker.join();
    }

    // The next picture, waiting for the worker; nothing at the end or on an error.
    std::optional<Picture> next(QString* out_error) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return !queue.empty() || ended; });
        if (queue.empty()) {
            if (!error.isEmpty())
                *out_error = error;
            return std::nullopt;
        }
        return queue.front();
    }

    void pop() {
        {
            std::lock_guard lock(mutex);
            queue.pop_front();
        }
        changed.notify_all();
    }

    QSize size() const { return QSize(decoder->width, decoder->height); }

private:
    void run() {
        PacketPtr packet = makePacket();
        FramePtr frame = makeFrame();
        QString failure;
        bool draining = false;
        double lastStart = -1.0;
        for (;;) {
            int code = avcodec_receive_frame(decoder.get(), frame.get());
            if (code >= 0) {
                Picture picture;
                picture.start = startOf(frame.get(), lastStart);
                lastStart = picture.start;
                picture.image = convert(frame.get(), &failure);
                av_frame_unref(frame.get());
                if (picture.image.isNull())
                    break;
                std::unique_lock lock(mutex);
                changed.wait(lock, [this] { return queue.size() < kPicturesAhead || stopping; });
                if (stopping)
                    return;
                queue.push_back(std::move(picture));
                changed.notify_all();
                continue;
            }
            if (code == AVERROR_EOF)
                break;
            if (code != AVERROR(EAGAIN)) {
                failure = avErrorText("cannot decode the movie", code);
                break;
            }
            if (draining)
                break;
            {
                std::lock_guard lock(mutex);
                if (stopping)
                    return;
            }
            code = av_read_frame(input.get(), packet.get());
            if (code == AVERROR_EOF) {
                draining = true;
                avcodec_send_packet(decoder.get(), nullptr);
            } else if (code < 0) {
                failure = avErrorText("cannot read the movie", code);
                break;
            } else {
                if (packet->stream_index == stream)
                    avcodec_send_packet(decoder.get(), packet.get());
                av_packet_unref(packet.get());
            }
        }
        std::lock_guard lock(mutex);
        error = failure;
        ended = true;
        changed.notify_all();
    }

    double startOf(const AVFrame* frame, double previous) const {
        const AVStream* s = input->streams[stream];
        const std::int64_t pts = frame->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE) {
            const double rate = av_q2d(s->avg_frame_rate);
            return previous < 0.0 ? 0.0 : previous + (rate > 0.0 ? 1.0 / rate : 0.0);
        }
        const std::int64_t origin = s->start_time == AV_NOPTS_VALUE ? 0 : s->start_time;
        return static_cast<double>(pts - origin) * av_q2d(s->time_base);
    }

    QImage convert(const AVFrame* frame, QString* out_error) {
        converter.reset(sws_getCachedContext(converter.release(), frame->width, frame->height,
                                             static_cast<AVPixelFormat>(frame->format),
                                             frame->width, frame->height, AV_PIX_FMT_RGBA,
                                             SWS_BICUBIC, nullptr, nullptr, nullptr));
        QImage image(frame->width, frame->height, QImage::Format_RGBA8888);
        if (!converter || image.isNull()) {
            *out_error = QStringLiteral("cannot convert a %1 x %2 picture of the movie")
                             .arg(frame->width)
                             .arg(frame->height);
            return QImage();
        }
        // Bottom row first: the converter writes upwards from the last row.
        const auto stride = static_cast<int>(image.bytesPerLine());
        uint8_t* planes[4] = {flipped ? image.scanLine(image.height() - 1) : image.bits(), nullptr,
                              nullptr, nullptr};
        const int strides[4] = {flipped ? -stride : stride, 0, 0, 0};
        sws_scale(converter.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
        return image;
    }

    InputContextPtr input;
    CodecContextPtr decoder;
    SwsPtr converter;
    int stream = -1;
    bool flipped = false;
    std::thread worker;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Picture> queue;
    bool stopping = false;
    bool ended = false;
    QString error;
};

} // namespace

struct MovieFrameReader::Impl {
    QString path;
    bool bottomRowFirst = false;
    std::unique_ptr<DecodingPass> pass;
    Picture current;
    double lastTime = 0.0;
    QSize size;
};

std::unique_ptr<MovieFrameReader> MovieFrameReader::open(const QString& path, QString* out_error,
                                                         bool bottomRowFirst) {
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    impl->bottomRowFirst = bottomRowFirst;
    impl->pass = std::make_unique<DecodingPass>();
    QString error;
    if (!impl->pass->open(path, bottomRowFirst, &error)) {
        if (out_error)
            *out_error = error;
        return nullptr;
    }
    impl->size = impl->pass->size();
    return std::unique_ptr<MovieFrameReader>(new MovieFrameReader(std::move(impl)));
}

MovieFrameReader::MovieFrameReader(std::unique_ptr<Impl> impl) : mImpl(std::move(impl)) {}
MovieFrameReader::~MovieFrameReader() = default;

QSize MovieFrameReader::size() const {
    return mImpl->size;
}

QImage MovieFrameReader::frameAtTime(double seconds, QString* out_error) {
    Impl& d = *mImpl;
    QString error;
    if (seconds < d.lastTime) {
        d.pass.reset();
        d.current = Picture();
        auto pass = std::make_unique<DecodingPass>();
        if (!pass->open(d.path, d.bottomRowFirst, &error)) {
            if (out_error)
                *out_error = error;
            return QImage();
        }
        d.pass = std::move(pass);
    }
    d.lastTime = seconds;
    for (;;) {
        const std::optional<Picture> next = d.pass->next(&error);
        // A movie that breaks off shows no frozen picture: the job learns why.
        if (!next && !error.isEmpty()) {
            if (out_error)
                *out_error = error;
            return QImage();
        }
        if (!next)
            break;
        if (!d.current.image.isNull() && next->start > seconds + kStartTolerance)
            break;
        d.current = *next;
        d.pass->pop();
    }
    if (d.current.image.isNull() && out_error)
        *out_error = error.isEmpty() ? QStringLiteral("%1 has no pictures").arg(d.path) : error;
    return d.current.image;
}

std::optional<QSize> QTMoviePictureSize(const QString& path, std::int64_t maxPixels,
                                        QString* out_error) {
    const auto refuse = [out_error](const QString& why) {
        if (out_error)
            *out_error = why;
        return std::optional<QSize>();
    };
    installFFmpegLogRouting();
    AVFormatContext* raw = nullptr;
    int code = avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr);
    if (code < 0)
        return refuse(avErrorText("cannot open movie file", code));
    InputContextPtr input(raw);
    const auto sizeOf = [&input]() -> std::optional<QSize> {
        const int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (stream < 0)
            return std::nullopt;
        const AVCodecParameters* parameters = input->streams[stream]->codecpar;
        if (parameters->width <= 0 || parameters->height <= 0)
            return std::nullopt;
        return QSize(parameters->width, parameters->height);
    };
    if (const std::optional<QSize> size = sizeOf())
        return size;
    // The headers leave the size to the pictures: the decoders that look for it refuse pictures
    // over the limit rather than take their memory.
    std::vector<AVDictionary*> options(input->nb_streams, nullptr);
    for (AVDictionary*& streamOptions : options)
        av_dict_set_int(&streamOptions, "max_pixels", std::max<std::int64_t>(1, maxPixels), 0);
    code = avformat_find_stream_info(input.get(), options.data());
    for (AVDictionary*& streamOptions : options)
        av_dict_free(&streamOptions);
    if (code < 0)
        return refuse(avErrorText("cannot read the movie's streams", code));
    if (const std::optional<QSize> size = sizeOf())
        return size;
    return refuse(QStringLiteral("%1 has no video track with a picture size").arg(path));
}
