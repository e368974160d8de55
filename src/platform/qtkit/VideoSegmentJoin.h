#pragma once

#include <QString>
#include <QStringList>

// Pieces of one video rendered apart (each a movie whose video starts with a key frame) and
// put back together without encoding anything again.

// Writes a QuickTime movie at `outputPath` whose one video track holds the packets of the first
// video track of each of `files`, in that order, each piece starting where the one before ends
// (time scale 600, as the recorder writes). False, with the reason in `out_error`, when a file
// cannot be read, the pieces differ in codec or size, or the movie cannot be written.
bool QTJoinVideoSegments(const QStringList& files, const QString& outputPath, QString* out_error);

// The number of pictures of a movie file's first video track, counted packet by packet (a
// recording that was cut short says nothing else about it); -1 when it cannot be read.
qint64 QTVideoFrameCount(const QString& path);

// The text of a movie file's metadata entry `key` ("comment", "copyright" ...); empty when the
// file has none or cannot be read.
QString QTMovieMetadataText(const QString& path, const QString& key);
