#include "platform/qtkit/SoundReader.h"

#include "platform/qtkit/FFmpegPtr.h"

#include <algorithm>

using namespace qtkit;

namespace {

// A jump ahead of more than this many seconds seeks, where seeking is exact, rather than decode
// its way there.
constexpr double kSeekAheadSeconds = 4.0;

bool fail(QString* out_error, const QString& why) {
    if (out_error)
        *out_error = why;
    return false;
}

} // namespace

struct SoundReader::Impl {
    QString path;
    InputContextPtr input;
    int index = -1;
    CodecContextPtr decoder;
    AVChannelLayout layout{};
    SwrPtr resampler;
    PacketPtr packet = makePacket();
    FramePtr frame = makeFrame();
    std::vector<std::vector<float>> planes;
    SoundSamples held;
    bool draining = false;
    bool finished = false;
    // After a seek the first decoded frame's time places what follows; a frame after the place
    // asked for (or none) leaves the reader misplaced.
    bool placed = true;
    bool misplaced = false;
    // Seeking lands on exact samples: every packet decodes alone, time stamps count samples.
    bool exactSeek = false;
    int repositions = 0;

    ~Impl() { av_channel_layout_uninit(&layout); }

    std::int64_t decodedEnd() const {
        return held.first + static_cast<std::int64_t>(held.frameCount());
    }

    // Opens the file (again), ready to decode from the track's first sample.
    bool start(QString* out_error);
    // Decodes at least one more frame, keeping the samples from `from` on. Sets `finished` at the
    // track's end.
    bool decodeMore(std::int64_t from, QString* out_error);
    // Converts one decoded frame (or, with none, what the converter still holds), keeping the
    // samples from `from` on.
    bool take(const AVFrame* decoded, std::int64_t from);
    void letGoBefore(std::int64_t from);
    // Jumps to a little before `from` by seeking. False when that cannot be done exactly; the
    // caller then reads from the start.
    bool seekTo(std::int64_t from);
};

bool SoundReader::Impl::start(QString* out_error) {
    QString error;
    input = openInput(path, &error);
    if (!input)
        return fail(out_error, error);
    index = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0)
        return fail(out_error, QStringLiteral("%1 has no sound track").arg(path));
    const AVStream* stream = input->streams[index];
    decoder = openDecoder(stream, 1, &error);
    if (!decoder)
        return fail(out_error, error);
    av_channel_layout_uninit(&layout);
    if (decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || decoder->ch_layout.nb_channels <= 0)
        av_channel_layout_default(&layout, std::max(1, decoder->ch_layout.nb_channels));
    else
        av_channel_layout_copy(&layout, &decoder->ch_layout);
    const int rate = decoder->sample_rate;
    if (rate <= 0 || layout.nb_channels <= 0)
        return fail(out_error, QStringLiteral("%1: the sound track has no sample rate").arg(path));
    if (held.sampleRate != 0 &&
        (rate != held.sampleRate || layout.nb_channels != static_cast<int>(held.channels.size())))
        return fail(out_error, QStringLiteral("%1: the sound track changed").arg(path));
    SwrContext* raw = nullptr;
    int code = swr_alloc_set_opts2(&raw, &layout, AV_SAMPLE_FMT_FLTP, rate, &layout,
                                   decoder->sample_fmt, rate, 0, nullptr);
    resampler.reset(raw);
    if (code >= 0)
        code = swr_init(raw);
    if (code < 0)
        return fail(out_error, avErrorText("cannot convert the sound to float", code));
    const AVCodecDescriptor* codec = avcodec_descriptor_get(stream->codecpar->codec_id);
    const int props = codec ? codec->props : 0;
    exactSeek = (props & AV_CODEC_PROP_INTRA_ONLY) && (props & AV_CODEC_PROP_LOSSLESS) &&
                stream->time_base.num == 1 && stream->time_base.den == rate &&
                (stream->start_time == AV_NOPTS_VALUE || stream->start_time == 0) &&
                (input->iformat->flags & AVFMT_NO_BYTE_SEEK) == 0;
    held.sampleRate = rate;
    held.first = 0;
    held.channels.assign(static_cast<std::size_t>(layout.nb_channels), {});
    planes.assign(held.channels.size(), {});
    draining = false;
    finished = false;
    placed = true;
    misplaced = false;
    return true;
}

void SoundReader::Impl::letGoBefore(std::int64_t from) {
    if (from <= held.first)
        return;
    const auto drop = static_cast<std::size_t>(
        std::min<std::int64_t>(from - held.first, static_cast<std::int64_t>(held.frameCount())));
    for (auto& channel : held.channels)
        channel.erase(channel.begin(), channel.begin() + static_cast<std::ptrdiff_t>(drop));
    held.first += static_cast<std::int64_t>(drop);
}

bool SoundReader::Impl::take(const AVFrame* decoded, std::int64_t from) {
    SwrContext* raw = resampler.get();
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
    if (!placed && decoded) {
        // The first frame after a seek: its time stamp counts samples from the track's start.
        placed = true;
        const std::int64_t at =
            decoded->pts != AV_NOPTS_VALUE ? decoded->pts : decoded->best_effort_timestamp;
        if (at == AV_NOPTS_VALUE || at < 0 || at > from) {
            misplaced = true;
            return true;
        }
        held.first = at;
    }
    const std::int64_t start = decodedEnd();
    const auto skip = static_cast<int>(std::clamp<std::int64_t>(from - start, 0, converted));
    if (skip > 0) {
        for (auto& channel : held.channels)
            channel.clear();
        held.first = start + skip;
    }
    for (std::size_t c = 0; c < planes.size(); ++c)
        held.channels[c].insert(held.channels[c].end(), planes[c].begin() + skip,
                                planes[c].begin() + converted);
    letGoBefore(from);
    return true;
}

bool SoundReader::Impl::decodeMore(std::int64_t from, QString* out_error) {
    int code = 0;
    while (true) {
        if (!draining) {
            code = av_read_frame(input.get(), packet.get());
            if (code == AVERROR_EOF) {
                draining = true;
                avcodec_send_packet(decoder.get(), nullptr);
            } else if (code < 0) {
                return fail(out_error, avErrorText("cannot read the sound", code));
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
        bool got = false;
        while ((code = avcodec_receive_frame(decoder.get(), frame.get())) >= 0) {
            const bool converted = take(frame.get(), from);
            av_frame_unref(frame.get());
            if (!converted)
                return fail(out_error, QStringLiteral("cannot convert the sound to float"));
            if (misplaced)
                return true;
            got = true;
        }
        if (code == AVERROR_EOF || (draining && code == AVERROR(EAGAIN))) {
            take(nullptr, from);
            finished = true;
            return true;
        }
        if (code != AVERROR(EAGAIN))
            return fail(out_error, avErrorText("cannot decode the sound", code));
        if (got)
            return true;
    }
}

bool SoundReader::Impl::seekTo(std::int64_t from) {
    if (!exactSeek)
        return false;
    if (av_seek_frame(input.get(), index, from, AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    avcodec_flush_buffers(decoder.get());
    for (auto& channel : held.channels)
        channel.clear();
    held.first = from;
    draining = false;
    finished = false;
    placed = false;
    // A converter that cannot start again leaves the reader misplaced: it then reads from the
    // start.
    misplaced = swr_init(resampler.get()) < 0;
    return true;
}

SoundReader::SoundReader(std::unique_ptr<Impl> impl) : mImpl(std::move(impl)) {}
SoundReader::~SoundReader() = default;

std::unique_ptr<SoundReader> SoundReader::open(const QString& path, QString* out_error) {
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    if (!impl->packet || !impl->frame) {
        fail(out_error, QStringLiteral("out of memory for the sound"));
        return nullptr;
    }
    if (!impl->start(out_error))
        return nullptr;
    return std::unique_ptr<SoundReader>(new SoundReader(std::move(impl)));
}

int SoundReader::sampleRate() const {
    return mImpl->held.sampleRate;
}

int SoundReader::channelCount() const {
    return static_cast<int>(mImpl->held.channels.size());
}

const SoundSamples& SoundReader::samples() const {
    return mImpl->held;
}

std::size_t SoundReader::heldSampleCount() const {
    return mImpl->held.frameCount();
}

int SoundReader::repositionCount() const {
    return mImpl->repositions;
}

bool SoundReader::seeksExactly() const {
    return mImpl->exactSeek;
}

bool SoundReader::hold(std::int64_t from, std::int64_t end, QString* out_error) {
    Impl& d = *mImpl;
    from = std::max<std::int64_t>(0, from);
    const auto ahead = static_cast<std::int64_t>(kSeekAheadSeconds * d.held.sampleRate);
    if (from < d.held.first) {
        ++d.repositions;
        if (!d.seekTo(from) && !d.start(out_error))
            return false;
    } else if (from > d.decodedEnd() + ahead && !d.finished && d.seekTo(from)) {
        ++d.repositions;
    }
    d.letGoBefore(from);
    while (d.decodedEnd() < end && !d.finished && !d.misplaced) {
        if (!d.decodeMore(from, out_error))
            return false;
    }
    if (d.misplaced || !d.placed) {
        // The seek landed after the place asked for, or nowhere: read from the start instead.
        if (!d.start(out_error))
            return false;
        while (d.decodedEnd() < end && !d.finished) {
            if (!d.decodeMore(from, out_error))
                return false;
        }
    }
    return true;
}
