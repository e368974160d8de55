#include "platform/qtkit/FlattenedMovieWriter.h"

#include "platform/qtkit/DeliveryFormats.h"
#include "platform/qtkit/DirectFileOutput.h"
#include "platform/qtkit/FFmpegPtr.h"
#include "platform/qtkit/FlattenedMovieWriterImpl.h"
#include "platform/qtkit/LiveMovieFile.h"
#include "platform/qtkit/QTKitLog.h"
#include "platform/qtkit/TrackPipeline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

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

namespace flattening {

QString temporarySibling(const QString& path) {
    const QFileInfo info(path);
    return info.dir().filePath(
        QStringLiteral(".%1.%2.partial")
            .arg(info.fileName(), QUuid::createUuid().toString(QUuid::Id128).left(12)));
}

} // namespace flattening

namespace {

using namespace flattening;

// The movie time at which the last of `tracks` ends, in seconds.
double moviePlayingTime(const QList<MovieSegment>& tracks) {
    double end = 0.0;
    for (const MovieSegment& track : tracks)
        end = std::max(end, QTTimeInSeconds(track.at) + QTTimeInSeconds(track.source.duration));
    return end;
}

constexpr std::int64_t kWritebackBytes = 32 << 20;

// Packets from this size on are copied file to file; smaller ones are not worth a call.
constexpr int kCopiedPacketBytes = 64 << 10;

struct FileDescriptor {
    int descriptor = -1;
    bool tried = false;

    FileDescriptor() = default;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    void open(const QString& path) {
        tried = true;
        descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    }
    ~FileDescriptor() {
        if (descriptor >= 0)
            ::close(descriptor);
    }
};

} // namespace

// Flushes a file's (or a folder's) data to disk.
bool flattening::syncToDisk(const QString& path, QString* out_error) {
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const bool synced = descriptor >= 0 && ::fsync(descriptor) == 0;
    const int error = errno;
    if (descriptor >= 0)
        ::close(descriptor);
    if (!synced && out_error)
        *out_error = QStringLiteral("cannot flush %1 to disk: %2")
                         .arg(path, QString::fromLocal8Bit(std::strerror(error)));
    return synced;
}

namespace {

bool failWith(QString* out_error, const QString& text) {
    if (out_error)
        *out_error = text;
    return false;
}

// A flattened movie being written: the writer, a pipeline per track and the file below them.
struct MovieOutput {
    OutputContextPtr context;
    std::vector<std::unique_ptr<TrackPipeline>> pipelines;
    std::unique_ptr<DirectFileOutput> file;
};

// Makes the writer of `format`'s container and a pipeline for each track.
bool openOutput(MovieOutput& movie, const QString& temporaryPath, const QList<MovieSegment>& tracks,
                const DeliveryFormat& format, const std::shared_ptr<LiveMovieFile>& recording,
                const std::function<bool()>& stopFollowing, QString* out_error) {
    AVFormatContext* raw = nullptr;
    const QByteArray fileName = temporaryPath.toUtf8();
    const int code =
        avformat_alloc_output_context2(&raw, nullptr, format.container, fileName.constData());
    if (code < 0)
        return failWith(out_error, avErrorText("cannot make a QuickTime writer", code));
    movie.context.reset(raw);
    for (const MovieSegment& track : tracks) {
        QString error;
        const bool followed = recording && track.file == recording->path();
        std::unique_ptr<TrackPipeline> pipeline =
            TrackPipeline::create(track, raw, &error, &format, followed ? recording : nullptr,
                                  followed ? stopFollowing : std::function<bool()>());
        if (!pipeline)
            return failWith(out_error, error);
        movie.pipelines.push_back(std::move(pipeline));
    }
    return true;
}

// Opens the file and writes the header, with the metadata and the container's options.
bool writeHeader(MovieOutput& movie, const QString& temporaryPath, const DeliveryFormat& format,
                 const QVariant& copyright, const QString& comment, QString* out_error) {
    AVFormatContext* raw = movie.context.get();
    if (copyright.isValid() && !copyright.toString().isEmpty())
        av_dict_set(&raw->metadata, "copyright", copyright.toString().toUtf8().constData(), 0);
    if (!comment.isEmpty())
        av_dict_set(&raw->metadata, "comment", comment.toUtf8().constData(), 0);

    QString fileError;
    movie.file = DirectFileOutput::create(temporaryPath, &fileError);
    if (!movie.file)
        return failWith(out_error, fileError);
    movie.file->attachTo(raw);
    // The movie is flushed to disk at the end: its bytes go on their way while it is written.
    movie.file->startWritingBackEvery(kWritebackBytes);
    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "movie_timescale", 600, 0);
    if (av_dict_parse_string(&options, format.containerOptions, "=", ":", 0) < 0) {
        av_dict_free(&options);
        return failWith(out_error, QStringLiteral("unreadable container options %1")
                                       .arg(QString::fromLatin1(format.containerOptions)));
    }
    // Left alone, the QuickTime writer raises a video track's time scale of 600 to 19200.
    bool videoAt600 = true;
    bool anyVideo = false;
    for (const auto& pipeline : movie.pipelines) {
        const AVStream* stream = pipeline->outputStream();
        if (stream->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)
            continue;
        anyVideo = true;
        videoAt600 = videoAt600 && av_cmp_q(stream->time_base, AVRational{1, 600}) == 0;
    }
    if (anyVideo && videoAt600)
        av_dict_set_int(&options, "video_track_timescale", 600, 0);
    const int code = avformat_write_header(raw, &options);
    av_dict_free(&options);
    if (code < 0)
        return failWith(out_error, avErrorText("cannot write the movie header", code));
    return true;
}

// The index of the track whose next packet comes first; -1 when every track ended.
int earliestTrack(const MovieOutput& movie, const std::vector<PacketPtr>& heads,
                  const std::vector<bool>& ended) {
    int earliest = -1;
    for (std::size_t index = 0; index < movie.pipelines.size(); ++index) {
        if (ended[index])
            continue;
        if (earliest < 0 ||
            av_compare_ts(heads[index]->dts, movie.pipelines[index]->outputStream()->time_base,
                          heads[earliest]->dts,
                          movie.pipelines[earliest]->outputStream()->time_base) < 0)
            earliest = int(index);
    }
    return earliest;
}

// Writes every track's packets, the earliest first, asking `shouldContinue` before each.
bool writePackets(MovieOutput& movie, const QList<MovieSegment>& tracks,
                  const std::function<bool(double)>& shouldContinue, QString* out_error) {
    const std::vector<std::unique_ptr<TrackPipeline>>& pipelines = movie.pipelines;
    const double playingTime = moviePlayingTime(tracks);
    // Per track, the segment's file when its packets' bytes are copied from there by the kernel.
    std::vector<FileDescriptor> sources(pipelines.size());
    // Each track's next packet; the earliest goes out first.
    std::vector<PacketPtr> heads;
    std::vector<bool> ended(pipelines.size(), false);
    for (std::size_t index = 0; index < pipelines.size(); ++index) {
        heads.push_back(makePacket());
        QString error;
        const int got = pipelines[index]->next(heads.back().get(), &error);
        if (got < 0)
            return failWith(out_error, error);
        ended[index] = got == 0;
    }
    for (int earliest; (earliest = earliestTrack(movie, heads, ended)) >= 0;) {
        AVPacket& head = *heads[earliest];
        const TrackPipeline& pipeline = *pipelines[earliest];
        if (shouldContinue) {
            const AVRational base = pipeline.outputStream()->time_base;
            const double written =
                head.dts == AV_NOPTS_VALUE ? 0.0 : double(head.dts) * av_q2d(base);
            if (!shouldContinue(playingTime > 0 ? std::clamp(written / playingTime, 0.0, 1.0)
                                                : 0.0))
                return failWith(out_error, QStringLiteral("the writing was stopped"));
        }
        const std::int64_t sourceOffset = pipeline.sourceOffset();
        if (sourceOffset >= 0 && head.size >= kCopiedPacketBytes) {
            FileDescriptor& source = sources[std::size_t(earliest)];
            if (!source.tried)
                source.open(tracks[earliest].file);
            if (source.descriptor >= 0)
                movie.file->expectBytesOfFile(head.data, head.size, source.descriptor,
                                              sourceOffset);
        }
        // The packets come in time order already: written at once, none waits in a queue.
        const int code = av_write_frame(movie.context.get(), &head);
        av_packet_unref(&head);
        if (code < 0)
            return failWith(out_error, avErrorText("cannot write the movie", code));
        QString error;
        const int got = pipelines[earliest]->next(&head, &error);
        if (got < 0)
            return failWith(out_error, error);
        ended[earliest] = got == 0;
    }
    return true;
}

} // namespace

bool flattening::writeInto(const QString& temporaryPath, const QList<MovieSegment>& tracks,
                           const QVariant& copyright,
                           const std::function<bool(double)>& shouldContinue, QString* out_error,
                           const DeliveryFormat& format, const QString& comment,
                           const std::shared_ptr<LiveMovieFile>& recording,
                           const std::function<bool()>& stopFollowing) {
    MovieOutput movie;
    if (!openOutput(movie, temporaryPath, tracks, format, recording, stopFollowing, out_error) ||
        !writeHeader(movie, temporaryPath, format, copyright, comment, out_error) ||
        !writePackets(movie, tracks, shouldContinue, out_error))
        return false;
    const int code = av_write_trailer(movie.context.get());
    if (code < 0)
        return failWith(out_error, avErrorText("cannot finish the movie", code));
    QString fileError;
    if (!movie.file->close(&fileError))
        return failWith(out_error, fileError);
    return syncToDisk(temporaryPath, out_error);
}

bool flattening::moveIntoPlace(const QString& temporaryPath, const QString& path,
                               QString* out_error) {
    if (std::rename(QFile::encodeName(temporaryPath).constData(),
                    QFile::encodeName(path).constData()) != 0) {
        const int error = errno;
        QFile::remove(temporaryPath);
        if (out_error)
            *out_error = QStringLiteral("cannot move the movie into place at %1: %2")
                             .arg(path, QString::fromLocal8Bit(std::strerror(error)));
        return false;
    }
    // The new name must reach the disk too. The movie is complete and in place whatever happens
    // here, so a folder that cannot be flushed is only logged.
    QString syncError;
    if (!syncToDisk(QFileInfo(path).absolutePath(), &syncError))
        logLine(QStringLiteral("QTMovie: %1\n").arg(syncError));
    return true;
}

bool writeFlattenedMovie(const QString& path, const QList<MovieSegment>& tracks,
                         const QVariant& copyright,
                         const std::function<bool(double fraction)>& shouldContinue,
                         QString* out_error, const QString& videoFormat, const QString& comment) {
    installFFmpegLogRouting();
    if (tracks.isEmpty())
        return failWith(out_error, QStringLiteral("a movie without tracks cannot be written"));
    const DeliveryFormat* format = deliveryFormatOrDefault(videoFormat);
    if (!format)
        return failWith(out_error,
                        QStringLiteral("there is no delivery format %1").arg(videoFormat));
    QString aheadPath;
    switch (flattening::takeWrittenAhead(path, tracks, copyright, shouldContinue, *format, comment,
                                         &aheadPath, out_error)) {
    case flattening::Ahead::Taken:
        return flattening::moveIntoPlace(aheadPath, path, out_error);
    case flattening::Ahead::Stopped:
        return false;
    case flattening::Ahead::None:
        break;
    }
    const QString temporaryPath = temporarySibling(path);
    if (!writeInto(temporaryPath, tracks, copyright, shouldContinue, out_error, *format, comment)) {
        QFile::remove(temporaryPath);
        return false;
    }
    return flattening::moveIntoPlace(temporaryPath, path, out_error);
}

} // namespace qtkit
