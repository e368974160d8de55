#include "app/job/SoundImages.h"
#include "platform/qtkit/SoundSamples.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

// Value of a float picture at texture row `row` (row 0 is the picture's bottom).
float valueAt(const QImage& image, int x, int row, int component = 0) {
    return reinterpret_cast<const float*>(
        image.constScanLine(image.height() - 1 - row))[4 * x + component];
}

SoundSamples sine(double frequency, float amplitude, int rate, int frames, int channels = 1) {
    SoundSamples sound;
    sound.sampleRate = rate;
    sound.channels.assign(static_cast<std::size_t>(channels), std::vector<float>());
    for (int i = 0; i < frames; ++i) {
        const auto value =
            static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * frequency * i / rate));
        for (auto& channel : sound.channels)
            channel.push_back(value);
    }
    return sound;
}

TEST(SoundImagesTest, WaveformRowsHoldEachChannelAroundTheCentre) {
    SoundSamples sound;
    sound.sampleRate = 8000;
    sound.channels = {{1.0f, -1.0f, 0.5f, 3.0f}, {0.0f, 0.0f, -0.5f, -3.0f}};
    // The window of 6 samples ending after sample 4 starts 2 samples before the sound.
    const QImage image = isfWaveformImage(sound, 4, 6);
    ASSERT_EQ(image.size(), QSize(6, 2));
    const float first[] = {0.5f, 0.5f, 1.0f, 0.0f, 0.75f, 1.0f}; // clamped at 1
    const float second[] = {0.5f, 0.5f, 0.5f, 0.5f, 0.25f, 0.0f};
    for (int x = 0; x < 6; ++x) {
        EXPECT_FLOAT_EQ(valueAt(image, x, 0), first[x]) << x;
        EXPECT_FLOAT_EQ(valueAt(image, x, 0, 2), first[x]) << x; // grey
        EXPECT_FLOAT_EQ(valueAt(image, x, 0, 3), 1.0f);
        EXPECT_FLOAT_EQ(valueAt(image, x, 1), second[x]) << x;
    }
}

TEST(SoundImagesTest, SpectrumGivesASinesAmplitudeInItsBin) {
    std::unique_ptr<SoundSpectrum> spectrum = SoundSpectrum::create(1024, nullptr);
    ASSERT_TRUE(spectrum);
    // Bin 100 of a 1024-point transform at 44100 Hz.
    const SoundSamples sound = sine(100.0 * 44100.0 / 1024.0, 0.5f, 44100, 4096, 2);
    const QImage image = isfSpectrumImage(sound, 3000, *spectrum);
    ASSERT_EQ(image.size(), QSize(512, 2));
    for (int row = 0; row < 2; ++row) {
        EXPECT_NEAR(valueAt(image, 100, row), 0.5f, 1e-3f);
        EXPECT_NEAR(valueAt(image, 99, row), 0.25f, 1e-3f); // the Hann window's side lobe
        EXPECT_LT(valueAt(image, 90, row), 1e-3f);
    }
    // Before the sound starts there is nothing in any bin.
    const QImage silent = isfSpectrumImage(sound, 0, *spectrum);
    for (int x = 0; x < 512; ++x)
        ASSERT_EQ(valueAt(silent, x, 0), 0.0f);
    EXPECT_FALSE(SoundSpectrum::create(1000, nullptr));
}

TEST(SoundImagesTest, ShadertoyPictureHasTheSpectrumBelowTheWaveform) {
    std::unique_ptr<SoundSpectrum> spectrum =
        SoundSpectrum::create(kShadertoySpectrumSize, nullptr);
    ASSERT_TRUE(spectrum);
    // At -52 dB: inside the picture's range of -100 to -30 dB.
    const SoundSamples sound = sine(64.0 * 48000.0 / 2048.0, 0.01f, 48000, 4096);
    const QImage image = shadertoySoundImage(sound, 4096, *spectrum);
    ASSERT_EQ(image.size(), QSize(512, 2));
    int peak = 0;
    for (int x = 0; x < 512; ++x) {
        if (valueAt(image, x, 0) > valueAt(image, peak, 0))
            peak = x;
        EXPECT_EQ(valueAt(image, x, 0, 1), 0.0f); // red only
    }
    EXPECT_EQ(peak, 64);
    const double decibels = 20.0 * std::log10(0.01 * 0.42 / 2.0);
    EXPECT_NEAR(valueAt(image, 64, 0), (decibels + 100.0) / 70.0, 1e-3);
    // Sample 4095 - 511 + x of the sine, as 0.5 + 0.5 s.
    for (int x : {0, 100, 511}) {
        const double s = 0.01 * std::sin(2.0 * std::numbers::pi * 64.0 / 2048.0 * (4096 - 512 + x));
        EXPECT_NEAR(valueAt(image, x, 1), 0.5 + 0.5 * s, 1e-4) << x;
    }
}

} // namespace
