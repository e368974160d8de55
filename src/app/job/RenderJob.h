#pragma once

#include "app/job/CompositionInputs.h"
#include "platform/foundation/NSObject.h"
#include "platform/foundation/NSURL.h"

#include <QSizeF>
#include <QString>

#include <cstdint>

// One render job as a value: what the window or the command line chose, checked once by
// validate() and handed to the render driver, which keeps a copy of it for the job's thread.
struct RenderJob {
    NSRef<NSURL> compositionURL;
    NSRef<NSURL> soundMovieURL; // nil: the composition hears nothing and the movie has no sound
    QSizeF sizePixels;
    std::uint32_t framesPerSecond = 30;
    double durationSeconds = 0.0;
    // Values and files for the composition's inputs, by input name.
    CompositionInputSettings inputs;
    // Whether the sound movie's track goes into the final movie; without it the composition
    // still hears the sound, and the movie is video only.
    bool soundInMovie = true;
    QString deliveryFormat = QStringLiteral("animation"); // a name of deliveryFormats()
    QString segmentComment; // the final movie's "comment" metadata entry; empty: none
    QString finalMovieFile;
    // The frames rendered into the movie, 0-based and inclusive (a last frame of -1: to the
    // end); earlier frames keep their times and lengths.
    std::int64_t firstFrame = 0;
    std::int64_t lastFrame = -1;
    // Threads that encode the video: 0 one per processor core, 1 the render thread, N that many.
    int encoderThreads = 0;
    // The movie lasts as long as the sound movie's first track: the driver sets the duration to
    // that length before it counts the frames (resolveSoundDuration in RenderTiming.h).
    bool durationFromSound = false;
    // A loop: the frame at the duration itself is left out, so that the movie's last frame
    // leads into its first without showing the same moment twice.
    bool loop = false;
    // The sound track ends with the video instead of running on past it.
    bool cutSound = false;

    // The frames the job renders, by its duration, rate and loop (QTZMovieRendererFrameCount).
    std::int64_t frameCount() const;

    // The one-line reason why the job cannot be rendered; empty when it can.
    QString validate() const;

    // The composition's and the sound movie's file paths; empty without a file URL.
    QString compositionPath() const;
    QString soundMoviePath() const;
    // The sound movie whose track goes into the final movie; empty when the movie has none.
    QString movieSoundPath() const { return soundInMovie ? soundMoviePath() : QString(); }

    // Why a rate or a duration cannot make a movie; empty when it can. Every frame lasts at
    // least one unit of the video time scale, and a job lasts at most a day.
    static QString frameRateProblem(std::uint32_t framesPerSecond);
    static QString durationProblem(double seconds);
};

// The longest job: a day.
inline constexpr double kRenderJob_MaxDurationSeconds = 24.0 * 60.0 * 60.0;
// The fastest frame rate: every frame lasts at least one unit of the video time scale of 600.
inline constexpr unsigned kRenderJob_MaxFramesPerSecond = 600;
// The most threads a job encodes its video on.
inline constexpr int kRenderJob_MaxEncoderThreads = 256;
