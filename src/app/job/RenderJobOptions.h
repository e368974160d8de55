#pragma once

#include "app/job/CompositionInputs.h"
#include "app/job/RenderJob.h"

#include <QSizeF>
#include <QString>
#include <QStringList>

// Everything one headless render job needs, as given on the command line.
struct RenderJobOptions {
    QString compositionPath;
    QString audioPath; // empty: the movie has no sound
    QSizeF size{640, 480};
    unsigned framesPerSecond = 30;
    double durationSeconds = 0;
    QString outputFolder;
    bool outputFolderGiven = false; // false: the default folder, made when missing
    bool verbose = false;           // the diagnostic log on standard error too
    // --set NAME=VALUE and --input NAME=FILE, in the order given; checked against the
    // composition once it is read.
    CompositionInputSettings inputs;
    QString format = QStringLiteral("animation"); // the delivery format of the final movie
    // --frames FIRST:LAST: the frames a segment holds (0-based, inclusive); a last of -1: the
    // whole job, no segment.
    qint64 firstFrame = 0;
    qint64 lastFrame = -1;
    QStringList segments;   // --join: the segments to join
    int device = -1;        // the EGL device to render on; -1: the first usable display
    int encoderThreads = 0; // threads encoding the video: 0 one per core, 1 the render thread
    // --duration sound: durationSeconds is the sound's length; --loop; --cut-sound.
    bool durationFromSound = false;
    bool loop = false;
    bool cutSound = false;

    // The composition's name without its last extension, with the format's extension ("mov",
    // "mp4" for h264), in the output folder.
    QString finalMoviePath() const;
    bool isSegment() const { return lastFrame >= 0; }
    // The frames of the whole job (frame k shows time k/fps, up to the duration; a loop
    // leaves the end out).
    quint64 frameCount() const;
    // The render job these options describe: a segment renders its frames without sound.
    RenderJob job() const;
};
