#include "platform/qtkit/SoundSamples.h"

#include "platform/qtkit/FFmpegPtr.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/tx.h>
}

#include <cmath>
#include <complex>

using namespace qtkit;

namespace {

std::optional<SoundSamples> refuse(QString* out_error, const QString& why) {
    if (out_error)
        *out_error = why;
    return std::nullopt;
}

} // namespace

std::optional<SoundSamples> QTReadSoundSamples(const QString& path, double maxSeconds,
                                               QString* out_error) {
    QString error;
    InputContextPtr input = openInput(path, &error);
    if (!input)
        return refuse(out_error, error);
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0)
        return refuse(out_error, QStringLiteral("%1 has no sound track").arg(path));
    const AVStream* stream = input->streams[index];
    CodecContextPtr decoder = openDecoder(stream, 1, &error);
    if (!decoder)
        return refuse(out_error, error);
    AVChannelLayout layout;
    if (decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || decoder->ch_layout.nb_channels <= 0)
        av_channel_layout_default(&layout, std::max(1, decoder->ch_layout.nb_channels));
    else
        av_channel_layout_copy(&layout, &decoder->ch_layout);
    struct LayoutOwner {
        AVChannelLayout* layout;
        ~LayoutOwner() { av_channel_layout_uninit(layout); }
    } layoutOwner{&layout};
    const int rate = decoder->sample_rate;
    if (rate <= 0 || layout.nb_channels <= 0)
        return refuse(out_error,
                      QStringLiteral("%1: the sound track has no sample rate").arg(path));
    SwrContext* raw = nullptr;
    int code = swr_alloc_set_opts2(&raw, &layout, AV_SAMPLE_FMT_FLTP, rate, &layout,
                                   decoder->sample_fmt, rate, 0, nullptr);
    SwrPtr resampler(raw);
    if (code >= 0)
        code = swr_init(raw);
    if (code < 0)
        return refuse(out_error, avErrorText("cannot convert the sound to float", code));

    SoundSamples samples;
    samples.sampleRate = rate;
    samples.channels.resize(static_cast<std::size_t>(layout.nb_channels));
    const double limit = std::max(0.0, maxSeconds) * rate + 1.0;
    const auto wanted = static_cast<std::size_t>(std::min(limit, 4.0e9));
    PacketPtr packet = makePacket();
    FramePtr frame = makeFrame();
    std::vector<std::vector<float>> planes(samples.channels.size());
    // Converts one decoded frame (or, with none, what the converter still holds).
    const auto take = [&](const AVFrame* decoded) -> bool {
        const int capacity = swr_get_out_samples(raw, decoded ? decoded->nb_samples : 0);
        if (capacity <= 0)
            return true;
        std::vector<uint8_t*> pointers;
        for (auto& plane : planes) {
            plane.resize(static_cast<std::size_t>(capacity));
            pointers.push_back(reinterpret_cast<uint8_t*>(plane.data()));
        }
        const int converted =
            swr_convert(raw, pointers.data(), capacity,
                        decoded ? const_cast<const uint8_t**>(decoded->extended_data) : nullptr,
                        decoded ? decoded->nb_samples : 0);
        if (converted < 0)
            return false;
        for (std::size_t c = 0; c < planes.size(); ++c)
            samples.channels[c].insert(samples.channels[c].end(), planes[c].begin(),
                                       planes[c].begin() + converted);
        return true;
    };
    bool draining = false;
    while (samples.frameCount() < wanted) {
        if (!draining) {
            code = av_read_frame(input.get(), packet.get());
            if (code == AVERROR_EOF) {
                draining = true;
                avcodec_send_packet(decoder.get(), nullptr);
            } else if (code < 0) {
                return refuse(out_error, avErrorText("cannot read the sound", code));
            } else {
                const bool ours = packet->stream_index == index;
                if (ours)
                    code = avcodec_send_packet(decoder.get(), packet.get());
                av_packet_unref(packet.get());
                if (!ours)
                    continue;
                // A damaged packet is skipped, as players do.
                if (code < 0 && code != AVERROR(EAGAIN))
                    continue;
            }
        }
        while ((code = avcodec_receive_frame(decoder.get(), frame.get())) >= 0) {
            const bool converted = take(frame.get());
            av_frame_unref(frame.get());
            if (!converted)
                return refuse(out_error, QStringLiteral("cannot convert the sound to float"));
        }
        if (code == AVERROR_EOF || (draining && code == AVERROR(EAGAIN))) {
            take(nullptr);
            break;
        }
        if (code != AVERROR(EAGAIN))
            return refuse(out_error, avErrorText("cannot decode the sound", code));
    }
    for (auto& channel : samples.channels) {
        if (channel.size() > wanted)
            channel.resize(wanted);
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
