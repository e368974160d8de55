#include "app/job/MovingInputs.h"

#include "platform/qtkit/SoundSamples.h"
#include "platform/quartzcomposer/QCInputValues.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

using Model = QCCompositionModel;

// How fast the followed loudness rises and falls, per step of a quarter window.
constexpr double kAttack = 0.5;
constexpr double kRelease = 0.12;
// How far back the loudness is followed, in seconds.
constexpr double kFollowSeconds = 0.25;
// The quietest loudness that counts, in dBFS: 0 on the input's scale.
constexpr double kFloorDecibels = -60.0;

bool takesKeys(Model::InputType type) {
    return type == Model::InputType::Bool || type == Model::InputType::Long ||
           type == Model::InputType::Float || type == Model::InputType::Point2D ||
           type == Model::InputType::Color;
}

bool takesBand(Model::InputType type) {
    return type == Model::InputType::Long || type == Model::InputType::Float;
}

std::optional<SoundBand> bandNamed(const QString& name) {
    if (name == QLatin1String("level"))
        return SoundBand::Level;
    if (name == QLatin1String("bass"))
        return SoundBand::Bass;
    if (name == QLatin1String("mid"))
        return SoundBand::Mid;
    if (name == QLatin1String("treble"))
        return SoundBand::Treble;
    return std::nullopt;
}

std::optional<double> finiteNumber(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The input named `name` as `moving` keeps it, made on first use.
MovingInput& movingFor(InputSettingsSplit& split, const Model::Input& input) {
    for (MovingInput& moving : split.moving) {
        if (moving.input.name == input.name)
            return moving;
    }
    split.moving.push_back({});
    split.moving.back().input = input;
    return split.moving.back();
}

std::optional<QString> addKey(InputSettingsSplit& split, const Model& model, const QString& name,
                              const QString& text) {
    const qsizetype at = name.indexOf(QLatin1Char('@'));
    const QString inputName = name.left(at);
    const QString timeText = name.mid(at + 1).trimmed();
    if (timeText.isEmpty())
        return QStringLiteral(
                   "Invalid --set \"%1=%2\": a key needs a time, as in NAME@SECONDS=VALUE")
            .arg(name, text);
    const std::optional<double> seconds = finiteNumber(timeText);
    if (!seconds || *seconds < 0.0)
        return QStringLiteral("Invalid --set \"%1=%2\": the key's time \"%3\" is no number of "
                              "seconds from 0 on")
            .arg(name, text, timeText);
    const Model::Input* input = model.inputNamed(inputName);
    if (!input)
        return QStringLiteral("the composition has no input \"%1\"").arg(inputName);
    if (!takesKeys(input->type))
        return QStringLiteral("input \"%1\" (%2) takes no keys")
            .arg(inputName, QCInputTypeName(input->type));
    QString error;
    const std::optional<QCInputValue> value = QCParseInputValue(*input, text, &error);
    if (!value)
        return QStringLiteral("the key at %1 s: %2").arg(timeText, error);
    MovingInput& moving = movingFor(split, *input);
    if (moving.band)
        return QStringLiteral("input \"%1\" follows the sound; it takes no keys").arg(inputName);
    for (const auto& key : moving.keys) {
        if (key.first == *seconds)
            return QStringLiteral("input \"%1\" has two keys at %2 s").arg(inputName, timeText);
    }
    moving.keys.emplace_back(*seconds, *value);
    return std::nullopt;
}

std::optional<QString> addBand(InputSettingsSplit& split, const Model::Input& input,
                               const QString& text) {
    const QString form = QStringLiteral("use sound:BAND[*GAIN][+OFFSET] with BAND one of level, "
                                        "bass, mid, treble");
    QString unknownBand;
    const std::optional<SoundFollowing> following = parseSoundFollowing(text, &unknownBand);
    if (!following && !unknownBand.isNull())
        return QStringLiteral("Invalid --set \"%1=%2\": there is no band \"%3\"; %4")
            .arg(input.name, text, unknownBand, form);
    if (!following)
        return QStringLiteral("Invalid --set \"%1=%2\": %3").arg(input.name, text, form);
    if (!takesBand(input.type))
        return QStringLiteral("input \"%1\" (%2) takes no number to follow the sound with")
            .arg(input.name, QCInputTypeName(input.type));
    MovingInput& moving = movingFor(split, input);
    if (!moving.keys.empty() || moving.band)
        return QStringLiteral("input \"%1\" is given keys or a band besides following the sound")
            .arg(input.name);
    moving.band = following->band;
    moving.gain = following->gain;
    moving.offset = following->offset;
    return std::nullopt;
}

// The channels mixed to one over `length` samples from track sample `from`; silence outside
// the track and the stretch held.
void mixInto(const SoundSamples& sound, std::int64_t from, int length, float* window) {
    std::fill(window, window + length, 0.0f);
    if (sound.channels.empty())
        return;
    const float share = 1.0f / static_cast<float>(sound.channels.size());
    for (const std::vector<float>& channel : sound.channels) {
        for (int i = 0; i < length; ++i) {
            const std::int64_t index = from + i;
            const std::int64_t at = index - sound.first;
            if (index >= 0 && at >= 0 && at < static_cast<std::int64_t>(channel.size()))
                window[i] += share * channel[static_cast<std::size_t>(at)];
        }
    }
}

double toScale(double meanSquare) {
    if (meanSquare <= 0.0)
        return 0.0;
    const double decibels = 10.0 * std::log10(meanSquare);
    return std::clamp((decibels - kFloorDecibels) / -kFloorDecibels, 0.0, 1.0);
}

int followSteps(int sampleRate) {
    const int hop = soundFollowWindow(sampleRate) / 4;
    return static_cast<int>(std::ceil(kFollowSeconds * sampleRate / hop));
}

} // namespace

bool InputSettingsSplit::followsSound() const {
    return std::any_of(moving.begin(), moving.end(),
                       [](const MovingInput& input) { return input.band.has_value(); });
}

std::optional<InputSettingsSplit> splitInputSettings(const Model& model,
                                                     const QList<QPair<QString, QString>>& values,
                                                     QString* out_error) {
    InputSettingsSplit split;
    const auto refuse = [out_error](const QString& why) {
        if (out_error)
            *out_error = why;
        return std::optional<InputSettingsSplit>();
    };
    for (const auto& [name, text] : values) {
        if (name.contains(QLatin1Char('@'))) {
            if (const std::optional<QString> problem = addKey(split, model, name, text))
                return refuse(*problem);
            continue;
        }
        const Model::Input* input = model.inputNamed(name);
        if (input && text.trimmed().startsWith(QLatin1String("sound:"))) {
            if (const std::optional<QString> problem = addBand(split, *input, text))
                return refuse(*problem);
            continue;
        }
        split.constants.append({name, text});
    }
    for (MovingInput& moving : split.moving) {
        const bool constant =
            std::any_of(split.constants.cbegin(), split.constants.cend(),
                        [&](const auto& c) { return c.first == moving.input.name; });
        if (constant)
            return refuse(QStringLiteral("input \"%1\" is given both a constant and keys or a band")
                              .arg(moving.input.name));
        std::sort(moving.keys.begin(), moving.keys.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    return split;
}

std::optional<SoundFollowing> parseSoundFollowing(const QString& text, QString* out_unknownBand) {
    static const QRegularExpression pattern(
        QStringLiteral("^sound:([^*+-]*)(?:\\*([+-]?[^*+-]+))?(?:\\+([+-]?[^*+-]+)|(-[^*+-]+))?$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const std::optional<SoundBand> band = bandNamed(match.captured(1));
    if (!band) {
        if (out_unknownBand)
            *out_unknownBand = match.captured(1);
        return std::nullopt;
    }
    std::optional<double> gain = 1.0;
    std::optional<double> offset = 0.0;
    if (match.hasCaptured(2) && !match.captured(2).isEmpty())
        gain = finiteNumber(match.captured(2));
    if (match.hasCaptured(3) && !match.captured(3).isEmpty())
        offset = finiteNumber(match.captured(3));
    else if (match.hasCaptured(4) && !match.captured(4).isEmpty())
        offset = finiteNumber(match.captured(4));
    if (!gain || !offset)
        return std::nullopt;
    return SoundFollowing{*band, *gain, *offset};
}

QString soundFollowingText(const SoundFollowing& following) {
    static const char* const names[] = {"level", "bass", "mid", "treble"};
    QString text = QStringLiteral("sound:") + QLatin1String(names[int(following.band)]);
    if (following.gain != 1.0)
        text += QLatin1Char('*') + QString::number(following.gain, 'g', 17);
    if (following.offset > 0.0)
        text += QLatin1Char('+') + QString::number(following.offset, 'g', 17);
    else if (following.offset < 0.0)
        text += QString::number(following.offset, 'g', 17);
    return text;
}

bool isMovingInputSetting(const QString& name, const QString& text) {
    return name.contains(QLatin1Char('@')) || text.trimmed().startsWith(QLatin1String("sound:"));
}

QList<QPair<QString, QString>> movingInputSettings(const QList<QPair<QString, QString>>& values) {
    QList<QPair<QString, QString>> moving;
    for (const auto& value : values) {
        if (isMovingInputSetting(value.first, value.second))
            moving.append(value);
    }
    return moving;
}

QString movingInputAbilities(const Model::Input& input) {
    if (takesBand(input.type))
        return QStringLiteral("moves: keys, sound");
    if (takesKeys(input.type))
        return QStringLiteral("moves: keys");
    return QString();
}

int soundFollowWindow(int sampleRate) {
    int size = 256;
    while (size < 0.04 * sampleRate && size < 65536)
        size *= 2;
    return size;
}

std::pair<std::int64_t, std::int64_t> soundFollowSpan(int sampleRate) {
    const int window = soundFollowWindow(sampleRate);
    return {std::int64_t(followSteps(sampleRate)) * (window / 4) + window / 2, window / 2};
}

SoundBandLoudness soundBandLoudness(const SoundSamples& sound, std::int64_t centre,
                                    SoundSpectrum& spectrum) {
    const int size = spectrum.size();
    const int hop = size / 4;
    const int steps = followSteps(sound.sampleRate);
    const double binHertz = double(sound.sampleRate) / size;
    // Hann window; its mean square turns the windowed power back into the signal's.
    std::vector<float> hann(static_cast<std::size_t>(size));
    double hannPower = 0.0;
    for (int i = 0; i < size; ++i) {
        hann[std::size_t(i)] =
            float(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / double(size)));
        hannPower += double(hann[std::size_t(i)]) * hann[std::size_t(i)];
    }
    const double limits[4][2] = {{0.0, 1e12}, {20.0, 250.0}, {250.0, 4000.0}, {4000.0, 1e12}};
    std::vector<float> window(static_cast<std::size_t>(size));
    std::vector<float> magnitudes(static_cast<std::size_t>(size / 2));
    SoundBandLoudness followed;
    for (int step = steps; step >= 0; --step) {
        mixInto(sound, centre - std::int64_t(step) * hop - size / 2, size, window.data());
        for (int i = 0; i < size; ++i)
            window[std::size_t(i)] *= hann[std::size_t(i)];
        spectrum.magnitudes(window.data(), magnitudes.data());
        for (int band = 0; band < 4; ++band) {
            // Parseval: the mean square of the windowed signal is twice the sum of the power of
            // the bins up to half the rate over size squared.
            double power = 0.0;
            for (int bin = 0; bin < size / 2; ++bin) {
                const double hertz = bin * binHertz;
                if (hertz < limits[band][0] || hertz >= limits[band][1])
                    continue;
                const double magnitude = magnitudes[std::size_t(bin)];
                power += (bin == 0 ? 1.0 : 2.0) * magnitude * magnitude;
            }
            const double loudness = toScale(power / (double(size) * hannPower));
            double& level = followed.bands[band];
            if (step == steps)
                level = loudness;
            else
                level += (loudness > level ? kAttack : kRelease) * (loudness - level);
        }
    }
    return followed;
}

QCInputValue movingInputValueAt(const MovingInput& moving, double seconds,
                                const SoundBandLoudness* loudness) {
    const Model::Input& input = moving.input;
    if (moving.band) {
        const double heard = loudness ? loudness->bands[int(*moving.band)] : 0.0;
        const double share = std::clamp(heard * moving.gain + moving.offset, 0.0, 1.0);
        if (!input.values.empty()) {
            // A long that lists its values steps through them.
            const auto last = double(input.values.size() - 1);
            return {double(input.values[std::size_t(std::lround(share * last))]), 0.0, 0.0, 0.0};
        }
        const double low = input.min ? (*input.min)[0] : 0.0;
        const double high = input.max ? (*input.max)[0] : 1.0;
        double value = low + share * (high - low);
        if (input.type == Model::InputType::Long)
            value = std::round(value);
        return {value, 0.0, 0.0, 0.0};
    }
    if (moving.keys.empty())
        return input.value;
    if (seconds <= moving.keys.front().first)
        return moving.keys.front().second;
    if (seconds >= moving.keys.back().first)
        return moving.keys.back().second;
    const auto next = std::upper_bound(moving.keys.begin(), moving.keys.end(), seconds,
                                       [](double t, const auto& key) { return t < key.first; });
    const auto& [laterTime, later] = *next;
    const auto& [earlierTime, earlier] = *std::prev(next);
    if (input.type == Model::InputType::Long || input.type == Model::InputType::Bool)
        return earlier;
    const double share = (seconds - earlierTime) / (laterTime - earlierTime);
    QCInputValue value{};
    for (std::size_t c = 0; c < value.size(); ++c)
        value[c] = earlier[c] + share * (later[c] - earlier[c]);
    return value;
}
