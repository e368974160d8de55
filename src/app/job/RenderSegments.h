#pragma once

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

// A job split by frame ranges: each range renders into a segment, a video-only Animation movie
// whose metadata names the job, and segments that cover a job's frames once join into its movie.

struct RenderSegmentInfo {
    QSize size;
    unsigned framesPerSecond = 0;
    double durationSeconds = 0;
    quint64 totalFrames = 0; // of the whole job
    quint64 first = 0;       // the segment's frames, 0-based, inclusive
    quint64 last = 0;
    QString checksum; // of the composition, the files it reads and the input settings
    // Of the sound the pictures heard (a composition driven by the sound); empty: none.
    QString soundChecksum;
};

// The text kept in a segment's "comment" metadata entry, and back.
QString renderSegmentComment(const RenderSegmentInfo& info);
std::optional<RenderSegmentInfo> parseRenderSegmentComment(const QString& text);

// "<composition name>.frames-FIRST-LAST.mov".
QString renderSegmentFileName(const QString& compositionPath, quint64 first, quint64 last);

// SHA-256 of the composition's text, of the input settings given to it and of the contents of
// `files` (what the pictures read besides the composition: imported images, a companion vertex
// shader, the files given to inputs), in hexadecimal.
QString renderJobChecksum(const QByteArray& composition, const QStringList& settings,
                          const QStringList& files = {});

// SHA-256 of a file's contents in hexadecimal; empty when it cannot be read.
QString renderFileChecksum(const QString& path);

// Parses "FIRST:LAST" against a job of `totalFrames` frames; nothing when it is not a range
// inside the job.
std::optional<QPair<quint64, quint64>> parseFrameRange(const QString& text, quint64 totalFrames);

// Reads each segment's description and puts them in frame order; a segment that holds fewer
// frames than its description names (the recording of an interrupted job) covers the frames it
// holds. The one-line reason when a file
// is not a segment, the segments are of different jobs (size, rate, duration, composition or
// sound heard), or they leave a gap or overlap; an empty string when they cover the job's frames
// exactly once.
QString orderRenderSegments(const QStringList& files, QStringList* out_ordered,
                            RenderSegmentInfo* out_job);
