#pragma once

#include <QString>
#include <QStringList>

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
