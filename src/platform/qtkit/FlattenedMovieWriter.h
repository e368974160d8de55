#pragma once

#include "platform/qtkit/MovieSegment.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

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
// `videoFormat` names a delivery format (DeliveryFormats.h): its video tracks are encoded after
// its recipe and its container used (the MP4 of "h264" converts sound MP4 cannot hold to AAC);
// empty or "animation" writes as described above, and a name that is no format fails. A `comment`
// that is not empty becomes the file's "comment" metadata entry.
bool writeFlattenedMovie(const QString& path, const QList<MovieSegment>& tracks,
                         const QVariant& copyright,
                         const std::function<bool(double fraction)>& shouldContinue,
                         QString* out_error, const QString& videoFormat = QString(),
                         const QString& comment = QString());

// Starts writing, on a thread of its own, the movie that writeFlattenedMovie will be asked for at
// `path` once the recording of `recordedFile` (being written by this process) ends: the first
// track of `soundFile` (when not empty) and the recorded movie's track, both whole from time 0,
// in that order, with `copyright`, `videoFormat` and `comment`. It follows the recording as it
// grows, so that the movie is mostly written, and on its way to the disk, when the recording
// ends. writeFlattenedMovie for exactly these tracks and settings, once the recording finished,
// takes that movie instead of writing it again; asked for anything else, it drops it. False when
// nothing could be started.
// With `soundEnd`, a sound longer than that ends there.
//
// A format that encodes takes the pictures as the recording takes them (when it begins before the
// recording took more than a few), and the recording then waits for its encoder whenever the
// pictures handed over are not yet taken.
bool beginFlatteningAhead(const QString& path, const QString& soundFile,
                          const QString& recordedFile, const QVariant& copyright,
                          const QString& videoFormat, const QString& comment,
                          std::optional<QTTime> soundEnd = std::nullopt);
// Stops and removes what beginFlatteningAhead started for `path` and nothing took.
void dropFlatteningAhead(const QString& path);
// How many movies writeFlattenedMovie took from beginFlatteningAhead in this process.
int flatteningsTakenAhead();
// How many of those were encoded in another format than the recording's from the very pictures
// the recording took, rather than from its file.
int flatteningsEncodedAlong();

// Whether QuickTime movies hold a track of this FFmpeg codec as it is.
bool quickTimeHoldsCodec(int codecId);

} // namespace qtkit
