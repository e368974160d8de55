#include "platform/qtkit/SoundSamples.h"

#include "platform/qtkit/FFmpegPtr.h"
#include "platform/qtkit/SoundReader.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/tx.h>
}

#include <cmath>
#include <complex>

using namespace qtkit;

std::optional<SoundSamples> QTReadSoundSamples(const QString& path, double maxSeconds,
                                               QString* out_error) {
    const std::unique_ptr<SoundReader> reader = SoundReader::open(path, out_error);
    if (!reader)
        return std::nullopt;
    const double limit = std::max(0.0, maxSeconds) * reader->sampleRate() + 1.0;
    const auto wanted = static_cast<std::int64_t>(std::min(limit, 4.0e9));
    if (!reader->hold(0, wanted, out_error))
        return std::nullopt;
    SoundSamples samples = reader->samples();
    for (auto& channel : samples.channels) {
        if (static_cast<std::int64_t>(channel.size()) > wanted)
            channel.resize(static_cast<std::size_t>(wanted));
    }
    return samples;
}

struct SoundSpectrum::Impl {
    AVTXContext* context = nullptr;
    av_tx_fn transform = nullptr;
    int size = 0;
    float* input = nullptr;
    std::complex<float>* output = nullptr;

    ~Impl() {
        av_tx_uninit(&context);
        av_free(input);
        av_free(output);
    }
};

std::unique_ptr<SoundSpectrum> SoundSpectrum::create(int size, QString* out_error) {
    if (size < 4 || size > 65536 || (size & (size - 1)) != 0) {
        if (out_error)
            *out_error = QStringLiteral("%1 samples is no transform size").arg(size);
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->size = size;
    const float scale = 1.0f;
    const int code =
        av_tx_init(&impl->context, &impl->transform, AV_TX_FLOAT_RDFT, 0, size, &scale, 0);
    // The transform wants aligned buffers; the output holds size / 2 + 1 complex values.
    impl->input = static_cast<float*>(av_malloc(sizeof(float) * static_cast<std::size_t>(size)));
    impl->output = static_cast<std::complex<float>*>(
        av_malloc(sizeof(std::complex<float>) * static_cast<std::size_t>(size / 2 + 1)));
    if (code < 0 || !impl->input || !impl->output) {
        if (out_error)
            *out_error = avErrorText("cannot set up the Fourier transform", code < 0 ? code : 0);
        return nullptr;
    }
    return std::unique_ptr<SoundSpectrum>(new SoundSpectrum(std::move(impl)));
}

SoundSpectrum::SoundSpectrum(std::unique_ptr<Impl> impl) : mImpl(std::move(impl)) {}
SoundSpectrum::~SoundSpectrum() = default;

int SoundSpectrum::size() const {
    return mImpl->size;
}

void SoundSpectrum::magnitudes(const float* signal, float* magnitudes) {
    std::copy(signal, signal + mImpl->size, mImpl->input);
    mImpl->transform(mImpl->context, mImpl->output, mImpl->input, sizeof(std::complex<float>));
    for (int k = 0; k < mImpl->size / 2; ++k)
        magnitudes[k] = std::abs(mImpl->output[k]);
}
