#include "platform/qtkit/MovieInspector.h"

#include "common/RunChild.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <memory>

namespace lumenreel::test {

namespace {

struct InputCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;

Input open(const QString& path, QString* error) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr) < 0) {
        *error = QStringLiteral("cannot open");
        return nullptr;
    }
    Input input(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) {
        *error = QStringLiteral("no stream info");
        return nullptr;
    }
    return input;
}

} // namespace

InspectedMovie inspectMovie(const QString& path) {
    InspectedMovie movie;
    Input input = open(path, &movie.error);
    if (!input)
        return movie;
    movie.opened = true;
    if (const AVDictionaryEntry* brand = av_dict_get(input->metadata, "major_brand", nullptr, 0))
        movie.majorBrand = QString::fromUtf8(brand->value);
    if (const AVDictionaryEntry* text = av_dict_get(input->metadata, "copyright", nullptr, 0)) {
        movie.copyright = QString::fromUtf8(text->value);
        movie.hasCopyright = true;
    }
    for (unsigned index = 0; index < input->nb_streams; ++index) {
        const AVStream* stream = input->streams[index];
        InspectedTrack track;
        track.mediaType = QString::fromUtf8(av_get_media_type_string(stream->codecpar->codec_type));
        track.codec = QString::fromUtf8(avcodec_get_name(stream->codecpar->codec_id));
        track.width = stream->codecpar->width;
        track.height = stream->codecpar->height;
        track.timeBaseNum = stream->time_base.num;
        track.timeBaseDen = stream->time_base.den;
        track.startTime = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
        track.duration = stream->duration == AV_NOPTS_VALUE ? 0 : stream->duration;
        movie.tracks.append(track);
    }
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(input.get(), packet) >= 0) {
        InspectedTrack& track = movie.tracks[packet->stream_index];
        track.packetPts.append(packet->pts);
        track.packetDurations.append(packet->duration);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    for (unsigned index = 0; index < input->nb_streams; ++index) {
        InspectedTrack& track = movie.tracks[index];
        const AVRational base = input->streams[index]->time_base;
        for (qsizetype at = 0; at + 1 < track.packetPts.size(); ++at)
            track.packetDurations[at] = track.packetPts[at + 1] - track.packetPts[at];
        if (!track.packetPts.isEmpty() && track.duration > 0)
            track.packetDurations.last() =
                track.startTime + track.duration - track.packetPts.last();
        track.seconds = track.duration > 0 ? double(track.duration) * av_q2d(base) : 0.0;
    }
    return movie;
}

QList<QImage> decodeVideoFrames(const QString& path, int streamIndex) {
    QList<QImage> frames;
    QString error;
    Input input = open(path, &error);
    if (!input || streamIndex >= int(input->nb_streams))
        return frames;
    const AVStream* stream = input->streams[streamIndex];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder, stream->codecpar);
    if (avcodec_open2(decoder, codec, nullptr) < 0) {
        avcodec_free_context(&decoder);
        return frames;
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto receive = [&] {
        while (avcodec_receive_frame(decoder, frame) >= 0) {
            QImage image(frame->width, frame->height, QImage::Format_RGBA8888);
            SwsContext* scaler = sws_getContext(
                frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                frame->height, AV_PIX_FMT_RGBA, SWS_POINT, nullptr, nullptr, nullptr);
            uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
            int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
            sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
            sws_freeContext(scaler);
            frames.append(image);
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(input.get(), packet) >= 0) {
        // A copy taken while the movie is written can end inside a frame: libavformat marks
        // that packet corrupt, and it is no frame of the file.
        if (packet->stream_index == streamIndex && !(packet->flags & AV_PKT_FLAG_CORRUPT)) {
            avcodec_send_packet(decoder, packet);
            receive();
        }
        av_packet_unref(packet);
    }
    avcodec_send_packet(decoder, nullptr);
    receive();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    return frames;
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool runFfmpeg(const QStringList& arguments) {
    const ChildRun run = runChild(
        QStringLiteral("ffmpeg"),
        {.arguments = QStringList{"-hide_banner", "-loglevel", "error", "-y"} + arguments});
    if (run.status != 0)
        qWarning("ffmpeg failed: %s", qPrintable(run.err));
    return run.status == 0;
}

QList<StoredPacket> readStoredPackets(const QString& path, int stream) {
    QString error;
    Input input = open(path, &error);
    QList<StoredPacket> packets;
    if (!input)
        return packets;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(input.get(), packet) >= 0) {
        if (packet->stream_index == stream)
            packets.append({packet->pts, packet->dts, (packet->flags & AV_PKT_FLAG_KEY) != 0,
                            QByteArray(reinterpret_cast<const char*>(packet->data), packet->size)});
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return packets;
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &mSaved);
    mSavedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = mSaved;
    limited.rlim_cur = bytes;
    if (setrlimit(RLIMIT_FSIZE, &limited) != 0)
        std::perror("setrlimit");
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &mSaved);
    std::signal(SIGXFSZ, mSavedHandler);
}

QImage makeTestPicture(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGBA8888);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const unsigned value = unsigned(x * 7 + y * 13 + seed * 31);
            row[x * 4 + 0] = uchar(value);
            row[x * 4 + 1] = uchar((x ^ y) * 3 + seed);
            row[x * 4 + 2] = uchar(y * 5 - seed * 11);
            // Whole runs of equal pixels, and every kind of alpha.
            row[x * 4 + 3] = (x / 8 + seed) % 3 == 0 ? 255 : uchar((x + y + seed) * 17);
            if ((y + seed) % 4 == 0) {
                const uchar flat[4] = {uchar(seed), 10, 20, 255};
                std::memcpy(row + x * 4, flat, 4);
            }
        }
    }
    return image;
}

} // namespace lumenreel::test
