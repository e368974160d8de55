#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The decoded sound of a movie's first sound track, or a stretch of it: float samples (-1 to 1)
// per channel at the track's own rate, from track sample `first` on.
struct SoundSamples {
    int sampleRate = 0;
    std::int64_t first = 0;
    std::vector<std::vector<float>> channels;

    std::size_t frameCount() const { return channels.empty() ? 0 : channels.front().size(); }
};

// Decodes the first sound track of `path`, at most `maxSeconds` seconds of it. Nothing, with
// the reason in `out_error`, when the file cannot be read or has no sound track it can decode.
std::optional<SoundSamples> QTReadSoundSamples(const QString& path, double maxSeconds,
                                               QString* out_error);

// Magnitudes of the discrete Fourier transform of a real signal of `size` samples (a power of
// two from 4 to 65536), through FFmpeg's transforms. Bin k of the result is |X[k]| for k from
// 0 to size / 2 - 1, unscaled.
class SoundSpectrum {
public:
    static std::unique_ptr<SoundSpectrum> create(int size, QString* out_error);
    ~SoundSpectrum();
    SoundSpectrum(const SoundSpectrum&) = delete;
    SoundSpectrum& operator=(const SoundSpectrum&) = delete;

    int size() const;
    // `signal` holds size() samples; `magnitudes` receives size() / 2 values.
    void magnitudes(const float* signal, float* magnitudes);

private:
    struct Impl;
    explicit SoundSpectrum(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> mImpl;
};
