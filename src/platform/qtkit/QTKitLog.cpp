#include "platform/qtkit/QTKitLog.h"

#include "platform/foundation/NSLog.h"
#include "platform/qtkit/FFmpegPtr.h"

#include <cstdarg>
#include <mutex>

namespace qtkit {

void logLine(const QString& line) {
    NSLog("%@", line);
}

namespace {

void routeFFmpegLine(void* object, int level, const char* format, va_list arguments) {
    if (level > AV_LOG_WARNING)
        return;
    char line[1024];
    int printPrefix = 1;
    av_log_format_line2(object, level, format, arguments, line, sizeof line, &printPrefix);
    logLine(QStringLiteral("FFmpeg %1: %2")
                .arg(level <= AV_LOG_ERROR ? QStringLiteral("error") : QStringLiteral("warning"),
                     QString::fromUtf8(line).trimmed()));
}

} // namespace

void installFFmpegLogRouting() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(routeFFmpegLine); });
}

QString avErrorText(const char* what, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QStringLiteral("%1: %2").arg(QString::fromUtf8(what), QString::fromUtf8(text));
}

InputContextPtr openInput(const QString& path, QString* out_error, AVIOContext* io) {
    installFFmpegLogRouting();
    AVFormatContext* raw = nullptr;
    if (io) {
        raw = avformat_alloc_context();
        if (!raw) {
            if (out_error)
                *out_error = QStringLiteral("cannot open movie file: out of memory");
            return nullptr;
        }
        raw->pb = io;
        raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    }
    const QByteArray file = path.toUtf8();
    int code = avformat_open_input(&raw, file.constData(), nullptr, nullptr);
    if (code < 0) {
        if (out_error)
            *out_error = avErrorText("cannot open movie file", code);
        return nullptr;
    }
    InputContextPtr input(raw);
    code = avformat_find_stream_info(input.get(), nullptr);
    if (code < 0) {
        if (out_error)
            *out_error = avErrorText("cannot read the movie's streams", code);
        return nullptr;
    }
    return input;
}

CodecContextPtr openDecoder(const AVStream* stream, int threads, QString* out_error) {
    const auto refuse = [out_error](const QString& why) {
        if (out_error)
            *out_error = why;
        return CodecContextPtr();
    };
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return refuse(
            QStringLiteral("no decoder for %1").arg(avcodec_get_name(stream->codecpar->codec_id)));
    CodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder)
        return refuse(QStringLiteral("no memory for a decoder"));
    int code = avcodec_parameters_to_context(decoder.get(), stream->codecpar);
    if (code < 0)
        return refuse(avErrorText("cannot set up the decoder", code));
    decoder->pkt_timebase = stream->time_base;
    decoder->thread_count = threads;
    code = avcodec_open2(decoder.get(), codec, nullptr);
    if (code < 0)
        return refuse(avErrorText("cannot open the decoder", code));
    return decoder;
}

} // namespace qtkit
