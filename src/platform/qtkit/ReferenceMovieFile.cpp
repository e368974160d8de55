#include "platform/qtkit/ReferenceMovieFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qtkit {

namespace {

const QString kFormat = QStringLiteral("lumenreel-reference-movie");
const QByteArray kMagic = QByteArrayLiteral("{\"format\":\"lumenreel-reference-movie\"");
constexpr int kVersion = 1;

QJsonArray timeToJson(QTTime time) {
    return QJsonArray{QString::number(time.timeValue), time.timeScale};
}

bool timeFromJson(const QJsonValue& value, QTTime* out_time) {
    const QJsonArray pair = value.toArray();
    bool ok = false;
    const qlonglong units = pair.at(0).toString().toLongLong(&ok);
    const int scale = pair.at(1).toInt(0);
    if (pair.size() != 2 || !ok || scale <= 0)
        return false;
    *out_time = QTMakeTime(units, scale);
    return true;
}

// Files in the temporary folder are scratch that a crash loses with the job that made them: they
// are replaced as a whole but not flushed to disk, which would wait for the data of every file
// written before, such as the movie a reference in there points to.
bool isScratch(const QString& path) {
    const QString folder = QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
    const QString temporary = QFileInfo(QDir::tempPath()).canonicalFilePath();
    return !folder.isEmpty() && !temporary.isEmpty() &&
           (folder == temporary || folder.startsWith(temporary + QLatin1Char('/')));
}

bool replaceScratch(const QString& path, const QByteArray& text, QString* out_error) {
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open() || file.write(text) != text.size() || !file.flush()) {
        *out_error = file.errorString();
        return false;
    }
    if (std::rename(QFile::encodeName(file.fileName()).constData(),
                    QFile::encodeName(path).constData()) != 0) {
        *out_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    file.setAutoRemove(false);
    return true;
}

} // namespace

bool writeReferenceMovie(const QString& path, const ReferenceMovie& movie, QString* out_error) {
    QJsonArray tracks;
    for (const MovieSegment& track : movie.tracks) {
        tracks.append(QJsonObject{{QStringLiteral("file"), track.file},
                                  {QStringLiteral("stream"), track.stream},
                                  {QStringLiteral("mediaType"), track.mediaType},
                                  {QStringLiteral("codec"), track.codecName},
                                  {QStringLiteral("start"), timeToJson(track.source.time)},
                                  {QStringLiteral("duration"), timeToJson(track.source.duration)},
                                  {QStringLiteral("at"), timeToJson(track.at)}});
    }
    // "format" leads the object so that readers can recognise the file by its first bytes.
    QByteArray text = kMagic + ",";
    QJsonObject body{{QStringLiteral("version"), kVersion},
                     {QStringLiteral("editable"), movie.editable},
                     {QStringLiteral("tracks"), tracks}};
    if (movie.copyright.isValid())
        body.insert(QStringLiteral("copyright"), movie.copyright.toString());
    const QByteArray rest = QJsonDocument(body).toJson(QJsonDocument::Compact);
    text += rest.mid(1); // without the body's own "{"
    text += '\n';

    QString error;
    bool written = false;
    if (isScratch(path)) {
        written = replaceScratch(path, text, &error);
    } else {
        QSaveFile file(path);
        written =
            file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
        error = file.errorString();
    }
    if (!written && out_error)
        *out_error = QStringLiteral("cannot write the reference movie %1: %2").arg(path, error);
    return written;
}

bool readReferenceMovie(const QString& path, ReferenceMovie* out_movie, QString* out_error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.peek(kMagic.size()) != kMagic)
        return false;
    auto damaged = [&](const QString& why) {
        if (out_error)
            *out_error = QStringLiteral("damaged reference movie %1: %2").arg(path, why);
        return false;
    };
    constexpr qint64 kLargest = 16 << 20;
    if (file.size() > kLargest)
        return damaged(QStringLiteral("too large"));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return damaged(parseError.errorString());
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("format")).toString() != kFormat ||
        root.value(QStringLiteral("version")).toInt() != kVersion)
        return damaged(QStringLiteral("unknown version"));
    ReferenceMovie movie;
    movie.editable = root.value(QStringLiteral("editable")).toBool(true);
    if (root.contains(QStringLiteral("copyright")))
        movie.copyright = root.value(QStringLiteral("copyright")).toString();
    for (const QJsonValue& value : root.value(QStringLiteral("tracks")).toArray()) {
        const QJsonObject object = value.toObject();
        MovieSegment track;
        track.file = object.value(QStringLiteral("file")).toString();
        track.stream = object.value(QStringLiteral("stream")).toInt(-1);
        track.mediaType = object.value(QStringLiteral("mediaType")).toString();
        track.codecName = object.value(QStringLiteral("codec")).toString();
        if (track.file.isEmpty() || track.stream < 0 ||
            !timeFromJson(object.value(QStringLiteral("start")), &track.source.time) ||
            !timeFromJson(object.value(QStringLiteral("duration")), &track.source.duration) ||
            !timeFromJson(object.value(QStringLiteral("at")), &track.at))
            return damaged(QStringLiteral("bad track entry"));
        movie.tracks.append(track);
    }
    *out_movie = movie;
    return true;
}

} // namespace qtkit
