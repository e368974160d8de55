#include "app/job/CompositionInputs.h"

#include "app/job/MovingInputs.h"
#include "app/job/SoundImages.h"
#include "platform/qtkit/MovieFrameReader.h"
#include "platform/qtkit/SoundReader.h"
#include "platform/qtkit/SoundSamples.h"
#include "platform/quartzcomposer/QCCompositionModel.h"
#include "platform/quartzcomposer/QCImageFile.h"
#include "platform/quartzcomposer/QCInputValues.h"
#include "platform/quartzcomposer/QCRenderer.h"

#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace {

using Model = QCCompositionModel;

// The default sizes that ISF hosts give audio inputs without a MAX.
constexpr int kDefaultWaveformSamples = 1024;
constexpr int kDefaultSpectrumBins = 512;

} // namespace

QStringList compositionImageInputNames(const Model& model) {
    QStringList names;
    if (model.format == Model::Format::Shadertoy) {
        for (int channel = 0; channel < 4; ++channel) {
            if (channel != model.soundChannel)
                names.append(QStringLiteral("iChannel%1").arg(channel));
        }
        return names;
    }
    for (const Model::Input& input : model.inputs) {
        if (input.type == Model::InputType::Image)
            names.append(input.name);
    }
    return names;
}

bool compositionHearsSound(const Model& model) {
    if (model.format == Model::Format::Shadertoy)
        return model.soundChannel >= 0;
    return std::any_of(model.inputs.begin(), model.inputs.end(), [](const Model::Input& input) {
        return input.type == Model::InputType::Audio || input.type == Model::InputType::AudioFFT;
    });
}

QStringList compositionUnboundImageInputs(const Model& model,
                                          const CompositionInputSettings& settings) {
    QStringList unbound;
    for (const QString& name : compositionImageInputNames(model)) {
        const bool given = std::any_of(settings.files.cbegin(), settings.files.cend(),
                                       [&](const auto& file) { return file.first == name; });
        if (given)
            continue;
        if (model.format == Model::Format::Shadertoy) {
            const int channel = name.back().digitValue();
            const QRegularExpression mention(QStringLiteral("\\b%1\\b").arg(name));
            if (!model.channels[std::size_t(channel)].isNull() ||
                !model.fragmentBody.contains(mention))
                continue;
        }
        unbound.append(name);
    }
    return unbound;
}

QString compositionInputsProblem(const Model& model, const CompositionInputSettings& settings) {
    QString movingProblem;
    const std::optional<InputSettingsSplit> split =
        splitInputSettings(model, settings.values, &movingProblem);
    if (!split)
        return movingProblem;
    for (const auto& [name, text] : split->constants) {
        const Model::Input* input = model.inputNamed(name);
        if (!input)
            return QStringLiteral("the composition has no input \"%1\"").arg(name);
        QString error;
        if (!QCParseInputValue(*input, text, &error))
            return error;
    }
    const QStringList imageInputs = compositionImageInputNames(model);
    for (const auto& [name, path] : settings.files) {
        if (!imageInputs.contains(name)) {
            const Model::Input* input = model.inputNamed(name);
            if (input && input->isImage())
                return QStringLiteral("input \"%1\" (%2) takes the job's sound, not a file")
                    .arg(name, QCInputTypeName(input->type));
            return input ? QStringLiteral("input \"%1\" (%2) takes a value, not a file")
                               .arg(name, QCInputTypeName(input->type))
                         : QStringLiteral("the composition has no image input \"%1\"").arg(name);
        }
        const QFileInfo file(path);
        if (file.exists() && !file.isFile())
            return QStringLiteral("%1: not a regular file, for input \"%2\"").arg(path, name);
        if (!file.isFile())
            return QStringLiteral("%1: no such file for input \"%2\"").arg(path, name);
    }
    return QString();
}

QString compositionStillImagesProblem(const CompositionInputSettings& settings) {
    for (const auto& [name, path] : settings.files) {
        if (!QFileInfo(path).isFile() || !QImageReader(path).canRead())
            continue;
        if (const QString problem = QCImageFileSizeProblem(path, kQCMaxPictureSide);
            !problem.isEmpty())
            return QStringLiteral("input \"%1\": %2").arg(name, problem);
    }
    return QString();
}

QString compositionFootageProblem(const CompositionInputSettings& settings) {
    for (const auto& [name, path] : settings.files) {
        if (QImageReader(path).canRead())
            continue;
        const std::optional<QSize> size = QTMoviePictureSize(path, kFootageMaxPixels, nullptr);
        if (!size)
            continue;
        if (size->width() > kFootageMaxSide || size->height() > kFootageMaxSide ||
            static_cast<long long>(size->width()) * size->height() > kFootageMaxPixels)
            return QStringLiteral("%1: the movie for input \"%2\" has pictures of %3x%4; a movie "
                                  "may have at most %5 pixels a side and %6 in all (8192x8192)")
                .arg(path, name)
                .arg(size->width())
                .arg(size->height())
                .arg(kFootageMaxSide)
                .arg(kFootageMaxPixels);
    }
    return QString();
}

struct CompositionInputFeed::Impl {
    struct Footage {
        QString input;
        QImage still; // a still image, given once
        std::unique_ptr<MovieFrameReader> movie;
        bool given = false;
    };
    struct Listener {
        QString input; // empty: the Shadertoy sound channel
        Model::InputType type = Model::InputType::Audio;
        int count = 0; // samples or bins
        std::unique_ptr<SoundSpectrum> spectrum;
    };

    QList<QPair<QString, QCInputValue>> values;
    bool valuesGiven = false;
    // The inputs that move, given their value at every frame.
    std::vector<MovingInput> moving;
    bool followsSound = false;
    std::unique_ptr<SoundSpectrum> followSpectrum;
    std::vector<Footage> footage;
    std::unique_ptr<SoundReader> sound;
    // The samples the longest listener shows, up to each frame's time.
    int soundWindow = 0;
    std::vector<Listener> listeners;
    int soundChannel = -1;
};

CompositionInputFeed::CompositionInputFeed(std::unique_ptr<Impl> impl) : mImpl(std::move(impl)) {}
CompositionInputFeed::~CompositionInputFeed() = default;

std::unique_ptr<CompositionInputFeed>
CompositionInputFeed::create(const Model& model, const CompositionInputSettings& settings,
                             const QString& soundPath, double /*durationSeconds*/,
                             QString* out_error) {
    const auto refuse = [out_error](const QString& why) {
        if (out_error)
            *out_error = why;
        return std::unique_ptr<CompositionInputFeed>();
    };
    if (const QString problem = compositionInputsProblem(model, settings); !problem.isEmpty())
        return refuse(problem);
    if (const QString problem = compositionFootageProblem(settings); !problem.isEmpty())
        return refuse(problem);
    auto impl = std::make_unique<Impl>();
    std::optional<InputSettingsSplit> split = splitInputSettings(model, settings.values, nullptr);
    for (const auto& [name, text] : split->constants)
        impl->values.append({name, *QCParseInputValue(*model.inputNamed(name), text, nullptr)});
    impl->followsSound = split->followsSound();
    impl->moving = std::move(split->moving);
    if (impl->followsSound && soundPath.isEmpty())
        return refuse(QStringLiteral("an input follows the sound, and the job has no sound"));

    for (const auto& [name, path] : settings.files) {
        Impl::Footage footage;
        footage.input = name;
        QString error;
        if (QImageReader(path).canRead()) {
            std::optional<QImage> still = QCReadImageFile(path, kQCMaxPictureSide, &error);
            if (!still)
                return refuse(QStringLiteral("input \"%1\": %2").arg(name, error));
            footage.still = std::move(*still);
        } else {
            footage.movie = MovieFrameReader::open(path, &error, true);
            if (!footage.movie)
                return refuse(QStringLiteral("%1: neither an image nor a movie for input \"%2\" "
                                             "(%3)")
                                  .arg(path, name, error));
        }
        impl->footage.push_back(std::move(footage));
    }

    // The inputs that listen to the sound; without a sound they keep what they show unbound.
    if (model.format == Model::Format::ISF) {
        for (const Model::Input& input : model.inputs) {
            if (input.type != Model::InputType::Audio && input.type != Model::InputType::AudioFFT)
                continue;
            Impl::Listener listener;
            listener.input = input.name;
            listener.type = input.type;
            listener.count = input.sampleCount > 0                   ? input.sampleCount
                             : input.type == Model::InputType::Audio ? kDefaultWaveformSamples
                                                                     : kDefaultSpectrumBins;
            impl->listeners.push_back(std::move(listener));
        }
    } else if (model.soundChannel >= 0) {
        impl->soundChannel = model.soundChannel;
        impl->listeners.push_back({});
    }
    if (soundPath.isEmpty() || (impl->listeners.empty() && !impl->followsSound)) {
        impl->listeners.clear();
    } else {
        QString error;
        // The sound is read along the frames, one window at a time; its start is read now so
        // that a file without a readable sound is refused before the job.
        impl->sound = SoundReader::open(soundPath, &error);
        if (!impl->sound || !impl->sound->hold(0, 1, &error))
            return refuse(
                QStringLiteral("the sound cannot be read for the composition: %1").arg(error));
        for (Impl::Listener& listener : impl->listeners) {
            int size = kShadertoySpectrumSize;
            if (!listener.input.isEmpty() && listener.type == Model::InputType::AudioFFT) {
                // The transform's size is the smallest power of two that gives the bins.
                size = 4;
                while (size < 2 * listener.count)
                    size *= 2;
                listener.count = size / 2;
            } else if (!listener.input.isEmpty()) {
                impl->soundWindow = std::max(impl->soundWindow, listener.count);
                continue;
            }
            impl->soundWindow = std::max(impl->soundWindow, size);
            listener.spectrum = SoundSpectrum::create(size, &error);
            if (!listener.spectrum)
                return refuse(error);
        }
        if (impl->followsSound) {
            impl->followSpectrum =
                SoundSpectrum::create(soundFollowWindow(impl->sound->sampleRate()), &error);
            if (!impl->followSpectrum)
                return refuse(error);
        }
    }
    return std::unique_ptr<CompositionInputFeed>(new CompositionInputFeed(std::move(impl)));
}

bool CompositionInputFeed::prepareFrame(QCRenderer* renderer, double seconds, QString* out_error) {
    Impl& d = *mImpl;
    if (!d.valuesGiven) {
        d.valuesGiven = true;
        for (const auto& [name, value] : d.values)
            renderer->setValueForInputKey(value, name);
        if (d.sound && d.soundChannel >= 0)
            renderer->setSoundSampleRate(d.sound->sampleRate());
    }
    for (Impl::Footage& footage : d.footage) {
        if (!footage.movie) {
            if (!footage.given)
                renderer->setImageForInputKey(footage.still, footage.input);
            footage.given = true;
            continue;
        }
        QString error;
        const QImage frame = footage.movie->frameAtTime(seconds, &error);
        if (frame.isNull()) {
            if (out_error)
                *out_error = QStringLiteral("the movie for input \"%1\" cannot be read at %2 s: %3")
                                 .arg(footage.input)
                                 .arg(seconds)
                                 .arg(error);
            return false;
        }
        renderer->setImageForInputKey(frame, footage.input, true);
    }
    std::optional<SoundBandLoudness> loudness;
    if (d.sound) {
        const auto end = static_cast<std::int64_t>(std::llround(seconds * d.sound->sampleRate()));
        std::int64_t from = end - d.soundWindow;
        std::int64_t until = end;
        if (d.followsSound) {
            const auto [before, after] = soundFollowSpan(d.sound->sampleRate());
            from = std::min(from, end - before);
            until = end + after;
        }
        QString error;
        if (!d.sound->hold(from, until, &error)) {
            if (out_error)
                *out_error =
                    QStringLiteral("the sound cannot be read at %1 s: %2").arg(seconds).arg(error);
            return false;
        }
        const SoundSamples& sound = d.sound->samples();
        if (d.followsSound)
            loudness = soundBandLoudness(sound, end, *d.followSpectrum);
        for (Impl::Listener& listener : d.listeners) {
            if (listener.input.isEmpty())
                renderer->setImageForInputKey(shadertoySoundImage(sound, end, *listener.spectrum),
                                              QStringLiteral("iChannel%1").arg(d.soundChannel));
            else if (listener.type == Model::InputType::Audio)
                renderer->setImageForInputKey(isfWaveformImage(sound, end, listener.count),
                                              listener.input);
            else
                renderer->setImageForInputKey(isfSpectrumImage(sound, end, *listener.spectrum),
                                              listener.input);
        }
    }
    for (const MovingInput& moving : d.moving)
        renderer->setValueForInputKey(
            movingInputValueAt(moving, seconds, loudness ? &*loudness : nullptr),
            moving.input.name);
    return true;
}
