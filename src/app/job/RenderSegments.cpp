#include "app/job/RenderSegments.h"

#include "platform/qtkit/VideoSegmentJoin.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

const QString kCommentPrefix = QStringLiteral("lumenreel segment 1;");

} // namespace

QString renderSegmentComment(const RenderSegmentInfo& info) {
    return kCommentPrefix +
           QStringLiteral("size=%1x%2;fps=%3;duration=%4;frames=%5;first=%6;last=%7;checksum=%8")
               .arg(info.size.width())
               .arg(info.size.height())
               .arg(info.framesPerSecond)
               .arg(QString::number(info.durationSeconds, 'g', 17))
               .arg(info.totalFrames)
               .arg(info.first)
               .arg(info.last)
               .arg(info.checksum) +
           (info.soundChecksum.isEmpty() ? QString()
                                         : QStringLiteral(";sound=") + info.soundChecksum);
}

std::optional<RenderSegmentInfo> parseRenderSegmentComment(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(
        "^size=(\\d+)x(\\d+);fps=(\\d+);duration=([^;]+);frames=(\\d+);"
        "first=(\\d+);last=(\\d+);checksum=([0-9a-f]{64})(?:;sound=([0-9a-f]{64}))?$"));
    if (!text.startsWith(kCommentPrefix))
        return std::nullopt;
    const QRegularExpressionMatch match = pattern.match(text.mid(kCommentPrefix.size()));
    if (!match.hasMatch())
        return std::nullopt;
    RenderSegmentInfo info;
    info.size = QSize(match.captured(1).toInt(), match.captured(2).toInt());
    info.framesPerSecond = match.captured(3).toUInt();
    bool ok = false;
    info.durationSeconds = match.captured(4).toDouble(&ok);
    info.totalFrames = match.captured(5).toULongLong();
    info.first = match.captured(6).toULongLong();
    info.last = match.captured(7).toULongLong();
    info.checksum = match.captured(8);
    info.soundChecksum = match.captured(9);
    if (!ok || info.first > info.last || info.last >= info.totalFrames)
        return std::nullopt;
    return info;
}

QString renderSegmentFileName(const QString& compositionPath, quint64 first, quint64 last) {
    return QStringLiteral("%1.frames-%2-%3.mov")
        .arg(QFileInfo(compositionPath).completeBaseName())
        .arg(first)
        .arg(last);
}

QString renderJobChecksum(const QByteArray& composition, const QStringList& settings,
                          const QStringList& files) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(composition);
    for (const QString& setting : settings) {
        hash.addData(QByteArrayView("\n", 1));
        hash.addData(setting.toUtf8());
    }
    // Each file by the checksum of its contents, so that no file's bytes can pass for another's.
    for (const QString& file : files) {
        const QString contents = renderFileChecksum(file);
        hash.addData(QByteArrayView("\nfile ", 6));
        hash.addData(contents.isEmpty() ? QByteArrayView("unreadable") : contents.toLatin1());
    }
    return QString::fromLatin1(hash.result().toHex());
}

QString renderFileChecksum(const QString& path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}

std::optional<QPair<quint64, quint64>> parseFrameRange(const QString& text, quint64 totalFrames) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,15}):(\\d{1,15})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const quint64 first = match.captured(1).toULongLong();
    const quint64 last = match.captured(2).toULongLong();
    if (first > last || last >= totalFrames)
        return std::nullopt;
    return QPair<quint64, quint64>(first, last);
}

QString orderRenderSegments(const QStringList& files, QStringList* out_ordered,
                            RenderSegmentInfo* out_job) {
    QList<QPair<RenderSegmentInfo, QString>> segments;
    for (const QString& file : files) {
        if (!QFileInfo(file).isFile())
            return QStringLiteral("%1: no such segment").arg(file);
        std::optional<RenderSegmentInfo> info =
            parseRenderSegmentComment(QTMovieMetadataText(file, QStringLiteral("comment")));
        if (!info)
            return QStringLiteral("%1: not a segment of a render job").arg(file);
        // A recording cut short holds fewer frames than it was meant to: what it holds counts.
        const qint64 frames = QTVideoFrameCount(file);
        if (frames < 1 || quint64(frames) > info->last - info->first + 1)
            return QStringLiteral("%1 holds %2 frames, not frames %3 to %4")
                .arg(file)
                .arg(frames)
                .arg(info->first)
                .arg(info->last);
        info->last = info->first + quint64(frames) - 1;
        segments.append({*info, file});
    }
    if (segments.isEmpty())
        return QStringLiteral("no segments given");
    std::sort(segments.begin(), segments.end(),
              [](const auto& a, const auto& b) { return a.first.first < b.first.first; });
    const RenderSegmentInfo& job = segments.first().first;
    quint64 next = 0;
    for (const auto& [info, file] : segments) {
        const QString name = QFileInfo(file).fileName();
        if (info.size != job.size)
            return QStringLiteral("%1 is %2x%3, the others %4x%5")
                .arg(name)
                .arg(info.size.width())
                .arg(info.size.height())
                .arg(job.size.width())
                .arg(job.size.height());
        if (info.framesPerSecond != job.framesPerSecond || info.totalFrames != job.totalFrames ||
            info.durationSeconds != job.durationSeconds)
            return QStringLiteral("%1 is of a job of another rate or length").arg(name);
        if (info.checksum != job.checksum)
            return QStringLiteral("%1 is of another composition or other input settings").arg(name);
        if (info.soundChecksum != job.soundChecksum)
            return QStringLiteral("%1 was rendered hearing another sound").arg(name);
        if (info.first > next)
            return QStringLiteral("frames %1 to %2 are missing").arg(next).arg(info.first - 1);
        if (info.first < next)
            return QStringLiteral("%1 overlaps the frames before it (from frame %2)")
                .arg(name)
                .arg(info.first);
        next = info.last + 1;
    }
    if (next != job.totalFrames)
        return QStringLiteral("frames %1 to %2 are missing").arg(next).arg(job.totalFrames - 1);
    out_ordered->clear();
    for (const auto& segment : segments)
        out_ordered->append(segment.second);
    if (out_job)
        *out_job = job;
    return QString();
}
