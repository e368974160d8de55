#include "platform/qtkit/FlattenedMovieWriter.h"

#include "platform/qtkit/FFmpegPtr.h"
#include "platform/qtkit/QTKitLog.h"
#include "platform/qtkit/TrackPipeline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace qtkit {

bool quickTimeHoldsCodec(int codecId) {
    switch (AVCodecID(codecId)) {
    // Pictures.
    case AV_CODEC_ID_QTRLE:
    case AV_CODEC_ID_H264:
    case AV_CODEC_ID_HEVC:
    case AV_CODEC_ID_MPEG4:
    case AV_CODEC_ID_PRORES:
    case AV_CODEC_ID_MJPEG:
    case AV_CODEC_ID_PNG:
    case AV_CODEC_ID_RAWVIDEO:
    case AV_CODEC_ID_DNXHD:
    case AV_CODEC_ID_MPEG2VIDEO:
    case AV_CODEC_ID_H263:
    case AV_CODEC_ID_SVQ3:
    // Sound.
    case AV_CODEC_ID_AAC:
    case AV_CODEC_ID_MP3:
    case AV_CODEC_ID_ALAC:
    case AV_CODEC_ID_AC3:
    case AV_CODEC_ID_PCM_S16LE:
    case AV_CODEC_ID_PCM_S16BE:
    case AV_CODEC_ID_PCM_S24LE:
    case AV_CODEC_ID_PCM_S24BE:
    case AV_CODEC_ID_PCM_S32LE:
    case AV_CODEC_ID_PCM_S32BE:
    case AV_CODEC_ID_PCM_F32LE:
    case AV_CODEC_ID_PCM_F32BE:
    case AV_CODEC_ID_PCM_F64LE:
    case AV_CODEC_ID_PCM_F64BE:
    case AV_CODEC_ID_PCM_U8:
    case AV_CODEC_ID_PCM_S8:
    // Text.
    case AV_CODEC_ID_MOV_TEXT:
        return avformat_query_codec(av_guess_format("mov", nullptr, nullptr), AVCodecID(codecId),
                                    FF_COMPLIANCE_NORMAL) == 1;
    default:
        return false;
    }
}

namespace {

QString temporarySibling(const QString& path) {
    const QFileInfo info(path);
    return info.dir().filePath(
        QStringLiteral(".%1.%2.partial")
            .arg(info.fileName(), QUuid::createUuid().toString(QUuid::Id128).left(12)));
}

bool writeInto(const QString& temporaryPath, const QList<MovieSegment>& tracks,
               const QVariant& copyright, QString* out_error) {
    auto failWith = [&](const QString& text) {
        if (out_error)
            *out_error = text;
        return false;
    };
    AVFormatContext* raw = nullptr;
    const QByteArray file = temporaryPath.toUtf8();
    int code = avformat_alloc_output_context2(&raw, nullptr, "mov", file.constData());
    if (code < 0)
        return failWith(avErrorText("cannot make a QuickTime writer", code));
    OutputContextPtr output(raw);

    std::vector<std::unique_ptr<TrackPipeline>> pipelines;
    for (const MovieSegment& track : tracks) {
        QString error;
        std::unique_ptr<TrackPipeline> pipeline = TrackPipeline::create(track, raw, &error);
        if (!pipeline)
            return failWith(error);
        pipelines.push_back(std::move(pipeline));
    }
    if (copyright.isValid() && !copyright.toString().isEmpty())
        av_dict_set(&raw->metadata, "copyright", copyright.toString().toUtf8().constData(), 0);

    code = avio_open(&raw->pb, file.constData(), AVIO_FLAG_WRITE);
    if (code < 0)
        return failWith(avErrorText("cannot create the movie file", code));
    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "movie_timescale", 600, 0);
    code = avformat_write_header(raw, &options);
    av_dict_free(&options);
    if (code < 0)
        return failWith(avErrorText("cannot write the movie header", code));

    // Each track's next packet; the earliest goes out first.
    std::vector<PacketPtr> heads;
    std::vector<bool> ended(pipelines.size(), false);
    for (std::size_t index = 0; index < pipelines.size(); ++index) {
        heads.push_back(makePacket());
        QString error;
        const int got = pipelines[index]->next(heads.back().get(), &error);
        if (got < 0)
            return failWith(error);
        ended[index] = got == 0;
    }
    for (;;) {
        int earliest = -1;
        for (std::size_t index = 0; index < pipelines.size(); ++index) {
            if (ended[index])
                continue;
            if (earliest < 0 ||
                av_compare_ts(heads[index]->dts, pipelines[index]->outputStream()->time_base,
                              heads[earliest]->dts,
                              pipelines[earliest]->outputStream()->time_base) < 0)
                earliest = int(index);
        }
        if (earliest < 0)
            break;
        code = av_interleaved_write_frame(raw, heads[earliest].get());
        if (code < 0)
            return failWith(avErrorText("cannot write the movie", code));
        QString error;
        const int got = pipelines[earliest]->next(heads[earliest].get(), &error);
        if (got < 0)
            return failWith(error);
        ended[earliest] = got == 0;
    }
    code = av_write_trailer(raw);
    if (code < 0)
        return failWith(avErrorText("cannot finish the movie", code));
    code = avio_closep(&raw->pb);
    if (code < 0)
        return failWith(avErrorText("cannot close the movie file", code));
    return true;
}

} // namespace

bool writeFlattenedMovie(const QString& path, const QList<MovieSegment>& tracks,
                         const QVariant& copyright, QString* out_error) {
    installFFmpegLogRouting();
    if (tracks.isEmpty()) {
        if (out_error)
            *out_error = QStringLiteral("a movie without tracks cannot be written");
        return false;
    }
    const QString temporaryPath = temporarySibling(path);
    if (!writeInto(temporaryPath, tracks, copyright, out_error)) {
        QFile::remove(temporaryPath);
        return false;
    }
    if (std::rename(QFile::encodeName(temporaryPath).constData(),
                    QFile::encodeName(path).constData()) != 0) {
        const int error = errno;
        QFile::remove(temporaryPath);
        if (out_error)
            *out_error = QStringLiteral("cannot move the movie into place at %1: %2")
                             .arg(path, QString::fromLocal8Bit(std::strerror(error)));
        return false;
    }
    return true;
}

} // namespace qtkit
