#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Pieces of one video rendered apart (each an Animation movie whose video starts with a key
// frame) and put back together without encoding anything again.

// One piece: its file, and the number its first picture has in the whole video (for messages).
struct QTVideoPiece {
    QString path;
    qint64 firstFrame = 0;
};

// What every piece must hold: Animation pictures of this size. `stopRequested`, when set, is
// asked between packets.
struct QTVideoJoinRequirements {
    int width = 0;
    int height = 0;
    std::function<bool()> stopRequested;
};

// Writes a QuickTime movie at `outputPath` whose one video track holds the packets of the first
// video track of each piece, in that order, each piece starting where the one before ends (time
// scale 600, as the recorder writes). Every packet is decoded on the way, so that a damaged
// picture fails the join instead of reaching the movie. False, with the reason in `out_error`,
// when a piece cannot be read, is not Animation video of the required size, does not start with
// a key frame, holds a picture that does not decode, or the movie cannot be written; false with
// `*out_stopped` set (when given) when a stop was requested. What was written of the movie is
// then removed.
bool QTJoinVideoSegments(const QList<QTVideoPiece>& pieces,
                         const QTVideoJoinRequirements& requirements, const QString& outputPath,
                         QString* out_error, bool* out_stopped = nullptr);

// The number of pictures of a movie file's first video track, counted packet by packet (a
// recording that was cut short says nothing else about it); -1 when it cannot be read.
qint64 QTVideoFrameCount(const QString& path);

// The text of a movie file's metadata entry `key` ("comment", "copyright" ...); empty when the
// file has none or cannot be read.
QString QTMovieMetadataText(const QString& path, const QString& key);
