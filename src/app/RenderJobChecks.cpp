#include "app/RenderJobChecks.h"

#include "platform/foundation/NSError.h"
#include "platform/foundation/NSObject.h"
#include "platform/qtkit/QTMovie.h"
#include "platform/qtkit/QTMovieAttributes.h"
#include "platform/qtkit/QTTrack.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

// The path with symbolic links and "." and ".." resolved, also for a file that does not exist
// yet (its folder is resolved).
QString resolvedPath(const QString& path) {
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : QDir(folder).filePath(info.fileName());
}

bool sameFile(const QString& a, const QString& b) {
    if (resolvedPath(a) == resolvedPath(b))
        return true;
    struct stat first {};
    struct stat second {};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

QString trackKind(const QString& mediaType) {
    if (mediaType == QTMediaTypeVideo)
        return QStringLiteral("a picture track");
    if (mediaType == QTMediaTypeSound)
        return QStringLiteral("a sound track");
    return QStringLiteral("a %1 track").arg(mediaType);
}

} // namespace

QString finalMovieConflict(const QString& finalMoviePath, const QStringList& inputPaths) {
    for (const QString& input : inputPaths) {
        if (!input.isEmpty() && sameFile(finalMoviePath, input))
            return QStringLiteral("the movie %1 would replace the job's own input %2")
                .arg(finalMoviePath, input);
    }
    return {};
}

QString soundMovieProblem(const QString& soundMoviePath, QString* out_warning) {
    NSAutoreleasePool pool;
    NSError* error = nullptr;
    QTMovie* movie = QTMovie::movieWithFile(soundMoviePath, &error);
    if (!movie)
        return QStringLiteral("%1: cannot read the sound movie%2")
            .arg(soundMoviePath,
                 error ? QStringLiteral(" (%1)").arg(error->localizedDescription()) : QString());
    const QList<QTTrack*> tracks = movie->tracks();
    bool hasSound = false;
    for (const QTTrack* track : tracks)
        hasSound = hasSound || track->mediaType() == QTMediaTypeSound;
    if (!hasSound)
        return QStringLiteral("%1: the sound movie has no sound track").arg(soundMoviePath);
    if (out_warning && tracks.first()->mediaType() != QTMediaTypeSound)
        *out_warning = QStringLiteral("%1: the first track is %2 (%3), not sound; the movie takes "
                                      "it as its first track")
                           .arg(soundMoviePath, trackKind(tracks.first()->mediaType()),
                                tracks.first()->segment().codecName);
    return {};
}
