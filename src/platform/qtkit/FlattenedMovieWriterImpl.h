#pragma once

// The inside of the flattened movie writer, shared by the files that implement it.

#include "platform/qtkit/MovieSegment.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

struct DeliveryFormat;

namespace qtkit {
class LiveMovieFile;
}

namespace qtkit::flattening {

// A hidden name in the folder of `path` for writing its movie before it is moved into place.
QString temporarySibling(const QString& path);

// Flushes a file's (or a folder's) data to disk; false and `out_error` on failure.
bool syncToDisk(const QString& path, QString* out_error);

// Writes the flattened movie into `temporaryPath` after the recipe of `format` and flushes it
// to disk. The track whose file is that of `recording` (when given) is read as it grows, until
// `stopFollowing` says true.
bool writeInto(const QString& temporaryPath, const QList<MovieSegment>& tracks,
               const QVariant& copyright, const std::function<bool(double)>& shouldContinue,
               QString* out_error, const DeliveryFormat& format, const QString& comment,
               const std::shared_ptr<LiveMovieFile>& recording = {},
               const std::function<bool()>& stopFollowing = {});

// Renames the written movie over `path` and flushes the folder; on failure removes it.
bool moveIntoPlace(const QString& temporaryPath, const QString& path, QString* out_error);

enum class Ahead {
    None,    // nothing was written ahead for this movie (anything that was is dropped)
    Taken,   // the movie was written ahead, complete and on disk, at `out_temporaryPath`
    Stopped, // `shouldContinue` stopped the wait; `out_error` says so
};
// The movie written ahead for `path` when it was started for exactly these tracks and settings
// and its recording finished: waits for it, asking `shouldContinue` along.
Ahead takeWrittenAhead(const QString& path, const QList<MovieSegment>& tracks,
                       const QVariant& copyright, const std::function<bool(double)>& shouldContinue,
                       const DeliveryFormat& format, const QString& comment,
                       QString* out_temporaryPath, QString* out_error);

} // namespace qtkit::flattening
