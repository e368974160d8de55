#include "app/job/RenderJobChecks.h"

#include "app/job/CompositionInputs.h"
#include "app/job/MovingInputs.h"
#include "app/job/RenderTiming.h"
#include "platform/foundation/NSError.h"
#include "platform/foundation/NSObject.h"
#include "platform/qtkit/QTMovie.h"
#include "platform/qtkit/QTMovieAttributes.h"
#include "platform/qtkit/QTTrack.h"
#include "platform/quartzcomposer/QCComposition.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

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

std::optional<QCCompositionModel> readComposition(const QString& path, QString* out_error) {
    const std::optional<QByteArray> data = QCReadCompositionFile(path, out_error);
    if (!data)
        return std::nullopt;
    NSAutoreleasePool pool;
    QString why;
    const QCComposition* parsed =
        QCComposition::compositionWithData(*data, QFileInfo(path).absoluteFilePath(), &why);
    if (!parsed) {
        *out_error = QStringLiteral("%1: %2").arg(path, why);
        return std::nullopt;
    }
    return parsed->model();
}

namespace {

// The first setting of `inputs` that does not fit the composition, or a picture or movie given
// to an input that cannot be read.
QString inputSettingsProblem(const QCCompositionModel& model,
                             const CompositionInputSettings& inputs) {
    if (QString problem = compositionInputsProblem(model, inputs); !problem.isEmpty())
        return problem;
    if (QString problem = compositionStillImagesProblem(inputs); !problem.isEmpty())
        return problem;
    return compositionFootageProblem(inputs);
}

} // namespace

std::optional<QString> checkInputs(RenderJobOptions& options, RenderInputsCheck* out_check) {
    out_check->status = 1;
    QString error;
    const std::optional<QCCompositionModel> model =
        readComposition(options.compositionPath, &error);
    if (!model)
        return error;
    const QFileInfo composition(options.compositionPath);
    QStringList inputs{composition.absoluteFilePath()};
    for (const QString& loaded : model->loadedFiles)
        inputs.append(loaded);
    out_check->hearsSound = compositionHearsSound(*model);
    if (QString problem = inputSettingsProblem(*model, options.inputs); !problem.isEmpty()) {
        out_check->status = 2;
        return problem;
    }
    // Inputs that follow the sound hear it too.
    const std::optional<InputSettingsSplit> split =
        splitInputSettings(*model, options.inputs.values, nullptr);
    const bool followsSound = split && split->followsSound();
    out_check->hearsSound = out_check->hearsSound || followsSound;
    if (options.audioPath.isEmpty()) {
        if (followsSound) {
            out_check->status = 2;
            return QStringLiteral("an input follows the sound, and the job has no sound: give one "
                                  "with --audio");
        }
    }
    for (auto& [name, file] : options.inputs.files) {
        file = QFileInfo(file).absoluteFilePath();
        inputs.append(file);
    }
    options.compositionPath = composition.absoluteFilePath();
    out_check->readFiles = inputs.mid(1);

    if (std::optional<QString> problem = checkSoundAndFolder(options, inputs, &out_check->warnings))
        return problem;
    // The job runs, but a filter without its picture renders transparent frames.
    if (const QStringList unbound = compositionUnboundImageInputs(*model, options.inputs);
        !unbound.isEmpty())
        out_check->warnings.append(
            QStringLiteral("no picture is bound to %1 (give one with --input NAME=FILE); it "
                           "shows as transparent")
                .arg(unbound.join(QStringLiteral(", "))));
    // The job's file URLs are autoreleased.
    NSAutoreleasePool pool;
    if (const QString warning = longSoundWarning(options.job(), QStringLiteral("--cut-sound"));
        !warning.isEmpty())
        out_check->warnings.append(warning);
    return std::nullopt;
}

std::optional<QString> checkSoundAndFolder(RenderJobOptions& options, QStringList& inputs,
                                           QStringList* out_warnings) {
    if (!options.audioPath.isEmpty()) {
        const QFileInfo audio(options.audioPath);
        if (!audio.isFile())
            return QStringLiteral("%1: no such sound movie").arg(options.audioPath);
        QString warning;
        const QString problem = soundMovieProblem(audio.absoluteFilePath(), &warning);
        if (!problem.isEmpty())
            return problem;
        if (!warning.isEmpty())
            out_warnings->append(warning);
        options.audioPath = audio.absoluteFilePath();
        inputs.append(options.audioPath);
    }

    const QFileInfo folder(options.outputFolder);
    if (!options.outputFolderGiven && !folder.exists())
        QDir().mkpath(options.outputFolder);
    if (!folder.exists())
        return QStringLiteral("%1: no such output folder").arg(options.outputFolder);
    if (!QFileInfo(options.outputFolder).isDir())
        return QStringLiteral("%1: not a folder").arg(options.outputFolder);
    QTemporaryFile probe(QDir(options.outputFolder).filePath(QStringLiteral(".lumenreel-XXXXXX")));
    if (!probe.open())
        return QStringLiteral("%1: cannot write into the output folder (%2)")
            .arg(options.outputFolder, probe.errorString());
    options.outputFolder = QFileInfo(options.outputFolder).absoluteFilePath();
    if (options.compositionPath.isEmpty())
        return std::nullopt; // a join: its movie's name comes from the segments
    const QString conflict = finalMovieConflict(options.finalMoviePath(), inputs);
    if (!conflict.isEmpty())
        return conflict;
    return std::nullopt;
}
