#pragma once

#include <QString>

#include <optional>

struct RenderJob;

// How long a job's movie lasts when its length comes from the sound, and what a sound much
// longer than the movie does to players.

// A sound more than this many times longer than the video makes players built on GStreamer take
// the video track for a preview picture and skip it.
inline constexpr double kRenderTiming_LongSoundRatio = 5;

// The length in seconds of the first track of the movie or sound file at `path`: the track the
// final movie takes as its sound. Nothing, with the reason in `out_error`, when the file cannot
// be read, has no track or the track has no length.
std::optional<double> soundDurationSeconds(const QString& path, QString* out_error = nullptr);

// For a job that lasts as long as its sound, sets its duration to the sound's length; other
// jobs stay as they are. False, with the one-line reason in `out_error`, when the job has no
// sound or its length cannot be read or rendered.
bool resolveSoundDuration(RenderJob& job, QString* out_error);

// The length in seconds of the job's video: its frames, each lasting whole units of the video
// time scale.
double jobVideoSeconds(const RenderJob& job);

// A line that says the sound lasts more than kRenderTiming_LongSoundRatio times as long as the
// video of `job` and names the cure, given as `cure` ("--cut-sound" or the window's check box);
// empty when the sound is not that long, is cut, or the job has none.
QString longSoundWarning(const RenderJob& job, const QString& cure);
