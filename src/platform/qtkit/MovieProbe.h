#pragma once

#include "platform/qtkit/MovieSegment.h"

#include <QList>
#include <QString>
#include <QVariant>

struct AVRational;
struct AVStream;
struct AVFormatContext;

namespace qtkit {

// The tracks of a movie file that FFmpeg reads, in file order: its sound, video and subtitle
// streams (cover pictures and data streams are not tracks). Each covers its whole stream from
// movie time 0. False and `out_error` when the file cannot be read.
// `out_copyright` receives the file's copyright text (invalid when it has none).
bool probeMovieTracks(const QString& path, QList<MovieSegment>* out_tracks, QVariant* out_copyright,
                      QString* out_error);

// Whether `stream` counts as a track.
bool isTrackStream(const AVStream* stream);
// The stream's length in its own time, in a scale that holds it exactly where possible.
QTTime streamDuration(const AVFormatContext* input, const AVStream* stream);
// A timestamp in `timeBase` as a time (exact when the base is 1/n).
QTTime timeFromTimestamp(long long timestamp, AVRational timeBase);

} // namespace qtkit
