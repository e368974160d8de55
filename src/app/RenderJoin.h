#pragma once

#include <QString>
#include <QStringList>

// Joins the segments of a job rendered by frame ranges into the job's movie, with the sound
// movie `audioPath` (may be empty) and in the delivery format `format`, into `outputFolder`,
// through the same flattener as a single job. Writes nothing when the segments do not cover
// the job's frames exactly once. Returns the final movie's path, or an empty string with the
// one-line reason in `out_error`. Main thread; runs the event loop until the movie is written.
QString joinRenderSegments(const QStringList& segments, const QString& audioPath,
                           const QString& format, const QString& outputFolder, QString* out_error);
