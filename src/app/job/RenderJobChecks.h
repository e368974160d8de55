#pragma once

#include "app/job/RenderJobOptions.h"
#include "platform/quartzcomposer/QCCompositionModel.h"

#include <QString>
#include <QStringList>

#include <optional>

// Checks made before a render job starts, by every way of starting one (the window and
// lumenreel-render). Each returns the one-line reason why the job must not start, or an empty
// text when it may.

// The final movie would replace one of the job's own inputs (the composition, the files it
// loads, the sound movie). Files are the same when their canonical paths are, or, where both
// exist, their device and inode (hard links, bind mounts).
QString finalMovieConflict(const QString& finalMoviePath, const QStringList& inputPaths);

// The sound movie has no sound track to give the movie. When it has one but its first track,
// the one the movie takes, is another kind, `out_warning` receives a line that says so.
QString soundMovieProblem(const QString& soundMoviePath, QString* out_warning);

// The composition file's description, or nothing with the reason in `out_error`. Only a regular
// file is read: a FIFO or a device is refused, not waited on.
std::optional<QCCompositionModel> readComposition(const QString& path, QString* out_error);

// What checkInputs found besides a problem.
struct RenderInputsCheck {
    int status = 1;          // the exit status for the problem: 2 for a setting that does not
                             // fit the composition, 1 otherwise
    QStringList readFiles;   // the files the job reads besides the composition
    bool hearsSound = false; // whether the composition listens to the sound
    QStringList warnings;    // lines about a job that runs but may not do what was meant
};

// Checks everything about a command-line job that can be checked before it starts, so that a
// bad input writes nothing, and makes its paths absolute. Returns the one-line reason of the
// first problem, or nothing.
std::optional<QString> checkInputs(RenderJobOptions& options, RenderInputsCheck* out_check);

// Checks the sound movie (adding it to `inputs`) and the output folder (made when it is the
// default one), and that the movie replaces none of `inputs`; makes their paths absolute.
std::optional<QString> checkSoundAndFolder(RenderJobOptions& options, QStringList& inputs,
                                           QStringList* out_warnings);
