#include "platform/qtkit/VideoSegmentJoin.h"

#include "platform/qtkit/FFmpegPtr.h"
#include "platform/qtkit/MovieProbe.h"

using namespace qtkit;

namespace {

bool refuse(QString* out_error, const QString& why) {
    if (out_error)
        *out_error = why;
    return false;
}

constexpr AVRational kVideoTimeBase{1, 600};

} // namespace

qint64 QTVideoFrameCount(const QString& path) {
    InputContextPtr input = openInput(path, nullptr);
    if (!input)
        return -1;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0)
        return -1;
    for (unsigned s = 0; s < input->nb_streams; ++s)
        input->streams[s]->discard = int(s) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    PacketPtr packet = makePacket();
    qint64 count = 0;
    int code = 0;
    while ((code = av_read_frame(input.get(), packet.get())) >= 0) {
        count += packet->stream_index == index ? 1 : 0;
        av_packet_unref(packet.get());
    }
    return code == AVERROR_EOF ? count : -1;
}

QString QTMovieMetadataText(const QString& path, const QString& key) {
    InputContextPtr input = openInput(path, nullptr);
    if (!input)
        return {};
    const AVDictionaryEntry* entry =
        av_dict_get(input->metadata, key.toUtf8().constData(), nullptr, 0);
    return entry ? QString::fromUtf8(entry->value) : QString();
}

bool QTJoinVideoSegments(const QStringList& files, const QString& outputPath, QString* out_error) {
    if (files.isEmpty())
        return refuse(out_error, QStringLiteral("there are no pieces to join"));
    AVFormatContext* raw = nullptr;
    const QByteArray outputFile = outputPath.toUtf8();
    int code = avformat_alloc_output_context2(&raw, nullptr, "mov", outputFile.constData());
    if (code < 0)
        return refuse(out_error, avErrorText("cannot make a QuickTime writer", code));
    OutputContextPtr output(raw);
    AVStream* out = nullptr;
    std::int64_t offset = 0; // where the next piece starts, in the output's time base
    PacketPtr packet = makePacket();
    for (const QString& file : files) {
        QString error;
        InputContextPtr input = openInput(file, &error);
        if (!input)
            return refuse(out_error, QStringLiteral("%1: %2").arg(file, error));
        const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (index < 0)
            return refuse(out_error, QStringLiteral("%1 has no video track").arg(file));
        const AVStream* in = input->streams[index];
        if (!out) {
            out = avformat_new_stream(raw, nullptr);
            if (!out || avcodec_parameters_copy(out->codecpar, in->codecpar) < 0)
                return refuse(out_error, QStringLiteral("cannot add the video track"));
            out->codecpar->codec_tag = 0;
            out->time_base = kVideoTimeBase;
            AVDictionary* options = nullptr;
            av_dict_set_int(&options, "movie_timescale", 600, 0);
            av_dict_set_int(&options, "video_track_timescale", 600, 0);
            code = avio_open(&raw->pb, outputFile.constData(), AVIO_FLAG_WRITE);
            if (code >= 0)
                code = avformat_write_header(raw, &options);
            av_dict_free(&options);
            if (code < 0)
                return refuse(out_error, avErrorText("cannot start the joined movie", code));
        } else if (in->codecpar->codec_id != out->codecpar->codec_id ||
                   in->codecpar->width != out->codecpar->width ||
                   in->codecpar->height != out->codecpar->height) {
            return refuse(out_error,
                          QStringLiteral("%1 holds pictures of another kind or size").arg(file));
        }
        const std::int64_t origin = in->start_time == AV_NOPTS_VALUE ? 0 : in->start_time;
        std::int64_t end = offset;
        while ((code = av_read_frame(input.get(), packet.get())) >= 0) {
            if (packet->stream_index != index) {
                av_packet_unref(packet.get());
                continue;
            }
            packet->pts -= origin;
            packet->dts -= origin;
            av_packet_rescale_ts(packet.get(), in->time_base, kVideoTimeBase);
            packet->pts += offset;
            packet->dts += offset;
            packet->stream_index = out->index;
            packet->pos = -1;
            end = std::max(end, packet->pts + packet->duration);
            code = av_write_frame(raw, packet.get());
            av_packet_unref(packet.get());
            if (code < 0)
                return refuse(out_error, avErrorText("cannot write the joined movie", code));
        }
        if (code != AVERROR_EOF)
            return refuse(out_error, avErrorText("cannot read the piece", code));
        // The piece lasts as long as its track says, whatever its last packet claims.
        const QTTime length = streamDuration(input.get(), in);
        offset += av_rescale_q(length.timeValue, AVRational{1, static_cast<int>(length.timeScale)},
                               kVideoTimeBase);
        offset = std::max(offset, end);
    }
    code = av_write_trailer(raw);
    if (code >= 0)
        code = avio_closep(&raw->pb);
    if (code < 0)
        return refuse(out_error, avErrorText("cannot finish the joined movie", code));
    return true;
}
