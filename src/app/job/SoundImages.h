#pragma once

#include <QImage>

#include <cstdint>

struct SoundSamples;
class SoundSpectrum;

// Pictures of a job's sound as compositions read them: float images (QImage::Format_RGBA32FPx4)
// of a window of samples that ends at sample `end` (exclusive) of the track. Samples before the
// track's start or after its end (or outside the stretch `sound` holds) are silence.

// An ISF waveform: `width` samples wide, one row per channel (the first channel at the bottom,
// the texture's row 0); each sample s is 0.5 + 0.5 s in red, green and blue, alpha 1.
QImage isfWaveformImage(const SoundSamples& sound, std::int64_t end, int width);

// An ISF spectrum of `spectrum.size() / 2` bins, one row per channel as above: the magnitudes
// of the Hann-windowed window of spectrum.size() samples, scaled so that a full-scale sine in
// the middle of a bin gives 1 there, clamped to 0..1.
QImage isfSpectrumImage(const SoundSamples& sound, std::int64_t end, SoundSpectrum& spectrum);

// The Shadertoy sound texture, 512 x 2 over the channels mixed to one: the texture's row 0
// (read at y = 0.25) is the spectrum of the last 2048 samples (Blackman window, magnitudes in
// decibels from -100 to -30 mapped to 0..1), row 1 (y = 0.75) the last 512 samples as
// 0.5 + 0.5 s; the value is in red, alpha 1. `spectrum` has the size 2048.
QImage shadertoySoundImage(const SoundSamples& sound, std::int64_t end, SoundSpectrum& spectrum);

// The samples of a Shadertoy sound image and its spectrum's size.
inline constexpr int kShadertoySoundWidth = 512;
inline constexpr int kShadertoySpectrumSize = 2048;
