#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Joins the segments of a job rendered by frame ranges into the job's movie, with the sound
// movie `audioPath` (may be empty) and in the delivery format `format`, into `outputFolder`,
// through the same flattener as a single job. Every picture is checked on the way: each segment
// must hold Animation video of the job's size that starts with a key frame and decodes, and
// segments that heard a sound need that sound as `audioPath`. Writes nothing when the segments
// do not cover the job's frames exactly once. Returns the final movie's path, or an empty string
// with the one-line reason in `out_error`. `stopRequested` (may be empty) is asked between
// packets; once it answers true the join ends, removes what it wrote and returns an empty
// string with `*out_stopped` set. Main thread; runs the event loop until the movie is written.
// With `cutSound`, a sound longer than the joined video ends with it.
QString joinRenderSegments(const QStringList& segments, const QString& audioPath,
                           const QString& format, const QString& outputFolder, QString* out_error,
                           const std::function<bool()>& stopRequested = {},
                           bool* out_stopped = nullptr, bool cutSound = false);
