#include "app/job/SoundImages.h"

#include "platform/qtkit/SoundSamples.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

// Track sample `index` of `channel`, silence outside the track and the stretch held.
float sampleAt(const SoundSamples& sound, const std::vector<float>& channel, std::int64_t index) {
    const std::int64_t at = index - sound.first;
    return index >= 0 && at >= 0 && at < static_cast<std::int64_t>(channel.size())
               ? channel[static_cast<std::size_t>(at)]
               : 0.0f;
}

// The channels mixed to one, as a single-channel list.
std::vector<float> mixedWindow(const SoundSamples& sound, std::int64_t end, int length) {
    std::vector<float> window(static_cast<std::size_t>(length), 0.0f);
    if (sound.channels.empty())
        return window;
    const float share = 1.0f / static_cast<float>(sound.channels.size());
    for (const std::vector<float>& channel : sound.channels) {
        for (int i = 0; i < length; ++i)
            window[static_cast<std::size_t>(i)] +=
                share * sampleAt(sound, channel, end - length + i);
    }
    return window;
}

void setValue(QImage& image, int x, int textureRow, float value, bool grey) {
    auto* pixel = reinterpret_cast<float*>(image.scanLine(image.height() - 1 - textureRow)) + 4 * x;
    pixel[0] = value;
    pixel[1] = grey ? value : 0.0f;
    pixel[2] = grey ? value : 0.0f;
    pixel[3] = 1.0f;
}

float waveValue(float sample) {
    return std::clamp(0.5f + 0.5f * sample, 0.0f, 1.0f);
}

} // namespace

QImage isfWaveformImage(const SoundSamples& sound, std::int64_t end, int width) {
    const int rows = std::max<int>(1, static_cast<int>(sound.channels.size()));
    QImage image(width, rows, QImage::Format_RGBA32FPx4);
    for (int row = 0; row < rows; ++row) {
        for (int x = 0; x < width; ++x) {
            const float sample =
                sound.channels.empty()
                    ? 0.0f
                    : sampleAt(sound, sound.channels[static_cast<std::size_t>(row)],
                               end - width + x);
            setValue(image, x, row, waveValue(sample), true);
        }
    }
    return image;
}

QImage isfSpectrumImage(const SoundSamples& sound, std::int64_t end, SoundSpectrum& spectrum) {
    const int size = spectrum.size();
    const int bins = size / 2;
    const int rows = std::max<int>(1, static_cast<int>(sound.channels.size()));
    QImage image(bins, rows, QImage::Format_RGBA32FPx4);
    std::vector<float> window(static_cast<std::size_t>(size));
    std::vector<float> magnitudes(static_cast<std::size_t>(bins));
    // A Hann window sums to size / 2; a sine of amplitude A then peaks at A size / 4.
    const float scale = 4.0f / static_cast<float>(size);
    for (int row = 0; row < rows; ++row) {
        for (int i = 0; i < size; ++i) {
            const double hann =
                0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / static_cast<double>(size));
            const float sample =
                sound.channels.empty()
                    ? 0.0f
                    : sampleAt(sound, sound.channels[static_cast<std::size_t>(row)],
                               end - size + i);
            window[static_cast<std::size_t>(i)] = static_cast<float>(hann) * sample;
        }
        spectrum.magnitudes(window.data(), magnitudes.data());
        for (int x = 0; x < bins; ++x)
            setValue(image, x, row,
                     std::clamp(scale * magnitudes[static_cast<std::size_t>(x)], 0.0f, 1.0f), true);
    }
    return image;
}

QImage shadertoySoundImage(const SoundSamples& sound, std::int64_t end, SoundSpectrum& spectrum) {
    QImage image(kShadertoySoundWidth, 2, QImage::Format_RGBA32FPx4);
    const int size = spectrum.size();
    std::vector<float> window = mixedWindow(sound, end, size);
    for (int i = 0; i < size; ++i) {
        const double phase = 2.0 * std::numbers::pi * i / static_cast<double>(size);
        const double blackman = 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase);
        window[static_cast<std::size_t>(i)] *= static_cast<float>(blackman);
    }
    std::vector<float> magnitudes(static_cast<std::size_t>(size / 2));
    spectrum.magnitudes(window.data(), magnitudes.data());
    constexpr double kMinDecibels = -100.0;
    constexpr double kMaxDecibels = -30.0;
    for (int x = 0; x < kShadertoySoundWidth; ++x) {
        const double magnitude = magnitudes[static_cast<std::size_t>(x)] / size;
        const double decibels = magnitude > 0.0 ? 20.0 * std::log10(magnitude) : kMinDecibels;
        const double value = (decibels - kMinDecibels) / (kMaxDecibels - kMinDecibels);
        setValue(image, x, 0, static_cast<float>(std::clamp(value, 0.0, 1.0)), false);
    }
    const std::vector<float> wave = mixedWindow(sound, end, kShadertoySoundWidth);
    for (int x = 0; x < kShadertoySoundWidth; ++x)
        setValue(image, x, 1, waveValue(wave[static_cast<std::size_t>(x)]), false);
    return image;
}
