#pragma once

#include "platform/qtkit/MovieSegment.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace qtkit {

// A reference movie on disk: a small JSON description of the segments of other movie files that
// make up its tracks, with its attributes. It holds no media of its own.
struct ReferenceMovie {
    QList<MovieSegment> tracks;
    QVariant copyright; // invalid: none
    bool editable = true;
};

// Writes `movie` to `path` (replaced as a whole). False and `out_error` on failure.
bool writeReferenceMovie(const QString& path, const ReferenceMovie& movie, QString* out_error);

// Whether `path` holds a reference movie; if so, reads it into `out_movie`. A file that starts like
// one but is damaged gives false with `out_error` set.
bool readReferenceMovie(const QString& path, ReferenceMovie* out_movie, QString* out_error);

} // namespace qtkit
