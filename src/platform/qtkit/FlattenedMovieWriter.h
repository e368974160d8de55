#pragma once

#include "platform/qtkit/MovieSegment.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>

namespace qtkit {

// Writes a self-contained QuickTime movie at `path` holding `tracks` in order, each taken from its
// source file: stream-copied where QuickTime holds the codec, otherwise converted (sound to AAC,
// pictures to H.264, or MPEG-4 where no H.264 encoder exists). Packets are interleaved by time.
// `copyright` (when valid and not empty) becomes the file's copyright text. Video tracks keep the
// time scale 600 of the movies this program records.
//
// The movie is written under a temporary name in the same folder, flushed to disk and renamed
// over `path` only once complete, so a failure (or a power loss) never harms an earlier file at
// `path`. `shouldContinue`, when set, is asked between packets with the fraction written so far;
// false stops the writing, which then fails. False and `out_error` on failure; no temporary file
// is left behind.
//
// `videoFormat` names a delivery format (DeliveryFormats.h): its video tracks are encoded in it
// and its container used ("h264" writes an MP4 file, with faststart, and sound MP4 cannot hold
// converted to AAC); empty or "animation" writes as described above. A `comment` that is not
// empty becomes the file's "comment" metadata entry.
bool writeFlattenedMovie(const QString& path, const QList<MovieSegment>& tracks,
                         const QVariant& copyright,
                         const std::function<bool(double fraction)>& shouldContinue,
                         QString* out_error, const QString& videoFormat = QString(),
                         const QString& comment = QString());

// Whether QuickTime movies hold a track of this FFmpeg codec as it is.
bool quickTimeHoldsCodec(int codecId);

} // namespace qtkit
