#include "platform/qtkit/VideoSegmentJoin.h"

#include "platform/qtkit/FFmpegPtr.h"
#include "platform/qtkit/MovieProbe.h"

#include <QFile>

#include <algorithm>
#include <cstdint>

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

namespace {

// Whether a 32-bit Animation picture's codes account for its bytes exactly: the size it
// starts with is its own, every line's skips, repeats and copies stay within the picture's
// width, and nothing but an end byte follows its last line. The decoder takes bytes it cannot
// make sense of as lines left as they were; this catches what damage leaves in the middle of a
// picture.
bool animationPictureIsWhole(const AVPacket& packet, int width, int height) {
    const std::uint8_t* at = packet.data;
    const std::uint8_t* const end = packet.data + packet.size;
    if (packet.size < 8) // a picture that repeats the one before
        return true;
    const auto big = [&](int bytes) {
        std::uint32_t value = 0;
        for (int index = 0; index < bytes; ++index)
            value = (value << 8) | *at++;
        return value;
    };
    if ((big(4) & 0x3FFFFFFF) != std::uint32_t(packet.size))
        return false;
    const std::uint32_t header = big(2);
    std::uint32_t first = 0;
    std::uint32_t lines = std::uint32_t(height);
    if (header & 0x0008) {
        if (end - at < 8)
            return false;
        first = big(2);
        at += 2;
        lines = big(2);
        at += 2;
    }
    if (first + lines > std::uint32_t(height))
        return false;
    for (std::uint32_t line = 0; line < lines; ++line) {
        if (at >= end || *at == 0)
            return false;
        std::int64_t x = std::int64_t(*at++) - 1;
        for (;;) {
            if (at >= end || x > width)
                return false;
            const auto code = std::int8_t(*at++);
            if (code == -1)
                break;
            if (code == 0) {
                if (at >= end || *at == 0)
                    return false;
                x += std::int64_t(*at++) - 1;
            } else if (code < 0) {
                if (end - at < 4)
                    return false;
                at += 4;
                x += -code;
            } else {
                if (end - at < 4 * code)
                    return false;
                at += 4 * code;
                x += code;
            }
        }
        if (x > width)
            return false;
    }
    // FFmpeg's encoder ends a picture with a zero byte.
    return at == end || (end - at == 1 && *at == 0);
}

// Copies one piece's video packets into `raw`, decoding each; false with the reason on failure.
class PieceCopier {
public:
    PieceCopier(AVFormatContext* output, const QByteArray& outputFile,
                const QTVideoJoinRequirements& requirements)
        : mOutput(output), mOutputFile(outputFile), mRequirements(requirements) {}

    // Copies `piece`; `*out_stopped` when a stop was requested.
    bool copy(const QTVideoPiece& piece, QString* out_error, bool* out_stopped);

private:
    // Adds the output's track, shaped after `in`, and starts the file.
    bool start(const AVStream* in, QString* out_error) {
        mOut = avformat_new_stream(mOutput, nullptr);
        if (!mOut || avcodec_parameters_copy(mOut->codecpar, in->codecpar) < 0)
            return refuse(out_error, QStringLiteral("cannot add the video track"));
        mOut->codecpar->codec_tag = 0;
        mOut->time_base = kVideoTimeBase;
        AVDictionary* options = nullptr;
        av_dict_set_int(&options, "movie_timescale", 600, 0);
        av_dict_set_int(&options, "video_track_timescale", 600, 0);
        int code = avio_open(&mOutput->pb, mOutputFile.constData(), AVIO_FLAG_WRITE);
        if (code >= 0)
            code = avformat_write_header(mOutput, &options);
        av_dict_free(&options);
        if (code < 0)
            return refuse(out_error, avErrorText("cannot start the joined movie", code));
        return true;
    }

    // Checks and decodes the packet at hand: it must give one picture of the required size.
    bool decodes(AVCodecContext* decoder, QString* out_error);

    AVFormatContext* mOutput;
    QByteArray mOutputFile;
    const QTVideoJoinRequirements& mRequirements;
    AVStream* mOut = nullptr;
    std::int64_t mOffset = 0; // where the next piece starts, in the output's time base
    PacketPtr mPacket = makePacket();
    FramePtr mDecoded = makeFrame();
};

bool PieceCopier::copy(const QTVideoPiece& piece, QString* out_error, bool* out_stopped) {
    const QString& file = piece.path;
    QString error;
    InputContextPtr input = openInput(file, &error);
    if (!input)
        return refuse(out_error, QStringLiteral("%1: %2").arg(file, error));
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0)
        return refuse(out_error, QStringLiteral("%1 has no video track").arg(file));
    const AVStream* in = input->streams[index];
    if (in->codecpar->codec_id != AV_CODEC_ID_QTRLE)
        return refuse(out_error, QStringLiteral("%1 holds %2 video, not Animation")
                                     .arg(file, avcodec_get_name(in->codecpar->codec_id)));
    if (in->codecpar->bits_per_coded_sample != 32)
        return refuse(out_error, QStringLiteral("%1 holds %2-bit Animation pictures, not 32-bit")
                                     .arg(file)
                                     .arg(in->codecpar->bits_per_coded_sample));
    if (in->codecpar->width != mRequirements.width || in->codecpar->height != mRequirements.height)
        return refuse(out_error, QStringLiteral("%1 holds %2x%3 pictures, not %4x%5")
                                     .arg(file)
                                     .arg(in->codecpar->width)
                                     .arg(in->codecpar->height)
                                     .arg(mRequirements.width)
                                     .arg(mRequirements.height));
    CodecContextPtr decoder = openDecoder(in, 1, &error);
    if (!decoder)
        return refuse(out_error, QStringLiteral("%1: %2").arg(file, error));
    if (!mOut && !start(in, out_error))
        return false;

    const std::int64_t origin = in->start_time == AV_NOPTS_VALUE ? 0 : in->start_time;
    std::int64_t end = mOffset;
    qint64 frame = piece.firstFrame;
    int code = 0;
    while ((code = av_read_frame(input.get(), mPacket.get())) >= 0) {
        if (mRequirements.stopRequested && mRequirements.stopRequested()) {
            av_packet_unref(mPacket.get());
            if (out_stopped)
                *out_stopped = true;
            return refuse(out_error, QStringLiteral("stopped while joining"));
        }
        if (mPacket->stream_index != index) {
            av_packet_unref(mPacket.get());
            continue;
        }
        if (frame == piece.firstFrame && !(mPacket->flags & AV_PKT_FLAG_KEY)) {
            av_packet_unref(mPacket.get());
            return refuse(out_error,
                          QStringLiteral("%1 does not start with a key frame").arg(file));
        }
        if (!decodes(decoder.get(), &error)) {
            av_packet_unref(mPacket.get());
            return refuse(
                out_error,
                QStringLiteral("%1: frame %2 is damaged (%3)").arg(file).arg(frame).arg(error));
        }
        ++frame;
        mPacket->pts -= origin;
        mPacket->dts -= origin;
        av_packet_rescale_ts(mPacket.get(), in->time_base, kVideoTimeBase);
        mPacket->pts += mOffset;
        mPacket->dts += mOffset;
        mPacket->stream_index = mOut->index;
        mPacket->pos = -1;
        end = std::max(end, mPacket->pts + mPacket->duration);
        code = av_write_frame(mOutput, mPacket.get());
        av_packet_unref(mPacket.get());
        if (code < 0)
            return refuse(out_error, avErrorText("cannot write the joined movie", code));
    }
    if (code != AVERROR_EOF)
        return refuse(out_error,
                      QStringLiteral("%1: %2").arg(file, avErrorText("cannot be read", code)));
    if (frame == piece.firstFrame)
        return refuse(out_error, QStringLiteral("%1 holds no pictures").arg(file));
    // The piece lasts as long as its track says, whatever its last packet claims.
    const QTTime length = streamDuration(input.get(), in);
    mOffset += av_rescale_q(length.timeValue, AVRational{1, static_cast<int>(length.timeScale)},
                            kVideoTimeBase);
    mOffset = std::max(mOffset, end);
    return true;
}

bool PieceCopier::decodes(AVCodecContext* decoder, QString* out_error) {
    if (!animationPictureIsWhole(*mPacket, mRequirements.width, mRequirements.height)) {
        *out_error = QStringLiteral("its codes do not fit the picture");
        return false;
    }
    int code = avcodec_send_packet(decoder, mPacket.get());
    if (code >= 0)
        code = avcodec_receive_frame(decoder, mDecoded.get());
    if (code == AVERROR(EAGAIN)) {
        *out_error = QStringLiteral("it gives no picture");
        return false;
    }
    if (code < 0) {
        *out_error = avErrorText("it cannot be decoded", code);
        return false;
    }
    const bool sized =
        mDecoded->width == mRequirements.width && mDecoded->height == mRequirements.height;
    av_frame_unref(mDecoded.get());
    if (!sized)
        *out_error = QStringLiteral("a picture of another size");
    return sized;
}

} // namespace

bool QTJoinVideoSegments(const QList<QTVideoPiece>& pieces,
                         const QTVideoJoinRequirements& requirements, const QString& outputPath,
                         QString* out_error, bool* out_stopped) {
    if (out_stopped)
        *out_stopped = false;
    if (pieces.isEmpty())
        return refuse(out_error, QStringLiteral("there are no pieces to join"));
    AVFormatContext* raw = nullptr;
    const QByteArray outputFile = outputPath.toUtf8();
    int code = avformat_alloc_output_context2(&raw, nullptr, "mov", outputFile.constData());
    if (code < 0)
        return refuse(out_error, avErrorText("cannot make a QuickTime writer", code));
    bool written = false;
    {
        OutputContextPtr output(raw);
        PieceCopier copier(raw, outputFile, requirements);
        written = true;
        for (const QTVideoPiece& piece : pieces) {
            if (!copier.copy(piece, out_error, out_stopped)) {
                written = false;
                break;
            }
        }
        if (written) {
            code = av_write_trailer(raw);
            if (code >= 0)
                code = avio_closep(&raw->pb);
            if (code < 0)
                written = refuse(out_error, avErrorText("cannot finish the joined movie", code));
        }
    }
    if (!written)
        QFile::remove(outputPath);
    return written;
}
