#include "platform/qtkit/MovieProbe.h"

#include "platform/qtkit/FFmpegPtr.h"

#include <limits>

namespace qtkit {

bool isTrackStream(const AVStream* stream) {
    if (stream->disposition & AV_DISPOSITION_ATTACHED_PIC)
        return false;
    switch (stream->codecpar->codec_type) {
    case AVMEDIA_TYPE_VIDEO:
    case AVMEDIA_TYPE_AUDIO:
    case AVMEDIA_TYPE_SUBTITLE:
        return stream->codecpar->codec_id != AV_CODEC_ID_NONE;
    default:
        return false;
    }
}

QTTime timeFromTimestamp(long long timestamp, AVRational timeBase) {
    if (timeBase.num == 1 && timeBase.den > 0)
        return QTMakeTime(timestamp, timeBase.den);
    return QTMakeTime(av_rescale_q(timestamp, timeBase, AVRational{1, 1000000}), 1000000);
}

QTTime streamDuration(const AVFormatContext* input, const AVStream* stream) {
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        return timeFromTimestamp(stream->duration, stream->time_base);
    if (input->duration != AV_NOPTS_VALUE && input->duration > 0)
        return QTMakeTime(input->duration, AV_TIME_BASE);
    return QTMakeTime(0, 600);
}

static QString mediaTypeOf(const AVStream* stream) {
    switch (stream->codecpar->codec_type) {
    case AVMEDIA_TYPE_VIDEO:
        return QStringLiteral("vide");
    case AVMEDIA_TYPE_AUDIO:
        return QStringLiteral("soun");
    default:
        return QStringLiteral("text");
    }
}

bool probeMovieTracks(const QString& path, QList<MovieSegment>* out_tracks, QVariant* out_copyright,
                      QString* out_error) {
    InputContextPtr input = openInput(path, out_error);
    if (!input)
        return false;
    const AVDictionaryEntry* copyright = av_dict_get(input->metadata, "copyright", nullptr, 0);
    *out_copyright = copyright ? QVariant(QString::fromUtf8(copyright->value)) : QVariant();
    out_tracks->clear();
    for (unsigned index = 0; index < input->nb_streams; ++index) {
        const AVStream* stream = input->streams[index];
        if (!isTrackStream(stream))
            continue;
        MovieSegment track;
        track.file = path;
        track.stream = int(index);
        track.mediaType = mediaTypeOf(stream);
        track.codecName = QString::fromUtf8(avcodec_get_name(stream->codecpar->codec_id));
        const QTTime duration = streamDuration(input.get(), stream);
        track.source = QTMakeTimeRange(QTMakeTime(0, duration.timeScale), duration);
        track.at = QTMakeTime(0, duration.timeScale);
        out_tracks->append(track);
    }
    return true;
}

} // namespace qtkit
