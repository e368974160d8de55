#pragma once

#include "platform/quartzcomposer/QCCompositionModel.h"

#include <QList>
#include <QPair>
#include <QString>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

struct SoundSamples;
class SoundSpectrum;

// Inputs whose value changes along the movie, given as command-line settings:
// "NAME@T" = VALUE is a key at T seconds, and NAME = "sound:BAND[*GAIN][+OFFSET]" makes the input
// follow the loudness of a band of the job's sound.

// The bands of the sound an input can follow.
enum class SoundBand { Level, Bass, Mid, Treble };

struct MovingInput {
    QCCompositionModel::Input input;
    // Keys by time, in seconds; empty when the input follows the sound.
    std::vector<std::pair<double, QCInputValue>> keys;
    std::optional<SoundBand> band;
    double gain = 1.0;
    double offset = 0.0;
};

// The settings of a job's inputs split into constants (name and text, as given) and inputs that
// move (in the order of their first setting).
struct InputSettingsSplit {
    QList<QPair<QString, QString>> constants;
    std::vector<MovingInput> moving;

    bool followsSound() const;
};

// Splits `values` for `model`. Nothing, with one line, when a key or a band does not fit: a key
// without a time or with a time that is no number of seconds from 0 on, a key value of the wrong
// form or out of the input's range, a key for an input that takes no lasting value (an event or
// an image), two keys at one time, an unknown band, a band on an input that takes no number, or
// an input given both a constant and keys or a band. Constants are not checked here.
std::optional<InputSettingsSplit> splitInputSettings(const QCCompositionModel& model,
                                                     const QList<QPair<QString, QString>>& values,
                                                     QString* out_error);

// A band of the sound followed with a gain and an offset: "sound:BAND[*GAIN][+OFFSET]".
struct SoundFollowing {
    SoundBand band = SoundBand::Level;
    double gain = 1.0;
    double offset = 0.0;
};
// Reads `text` of that form; nothing when it has another form or a number is not finite, and
// then `out_unknownBand` (when given) gets the band's name where only that is wrong.
std::optional<SoundFollowing> parseSoundFollowing(const QString& text,
                                                  QString* out_unknownBand = nullptr);
// The shortest text parseSoundFollowing() reads back as `following`.
QString soundFollowingText(const SoundFollowing& following);

// Whether a setting (name and text, as a command line gives them) is a key or a band rather than
// a constant.
bool isMovingInputSetting(const QString& name, const QString& text);
// The settings of `values` that are keys or bands, in their order.
QList<QPair<QString, QString>> movingInputSettings(const QList<QPair<QString, QString>>& values);

// What an input can do, for listings: "moves: keys, sound", "moves: keys" or empty.
QString movingInputAbilities(const QCCompositionModel::Input& input);

// The loudness of each band (in SoundBand order, 0..1) of the sound at track sample `centre`:
// the RMS of the band over a window of about 40 ms around it, -60..0 dBFS mapped to 0..1,
// followed with attack and release over the quarter second before it. It reads only the
// samples from soundFollowSpan().first to soundFollowSpan().second around `centre`, so the
// loudness at a time never depends on what was asked before.
struct SoundBandLoudness {
    double bands[4] = {0.0, 0.0, 0.0, 0.0};
};
// The window's size in samples for a sound of `sampleRate` (a power of two).
int soundFollowWindow(int sampleRate);
// Samples before and after `centre` that soundBandLoudness() reads.
std::pair<std::int64_t, std::int64_t> soundFollowSpan(int sampleRate);
// `spectrum` has the size soundFollowWindow(sound.sampleRate).
SoundBandLoudness soundBandLoudness(const SoundSamples& sound, std::int64_t centre,
                                    SoundSpectrum& spectrum);

// The value of `moving` at `seconds`: keys are linear between them for float, point2D and color
// (each component), a long or bool takes a key's value at its time; before the first key and
// after the last the nearest key holds. An input that follows the sound maps
// clamp(loudness * gain + offset, 0, 1) onto its MIN..MAX (0..1 where it gives none; a long
// that lists VALUES steps through them in order); `loudness`
// may be null for inputs with keys.
QCInputValue movingInputValueAt(const MovingInput& moving, double seconds,
                                const SoundBandLoudness* loudness);
