// Our HAP writer against FFmpeg's HAP encoder on the same pictures, one thread each, in HAP and
// HAP Q: the time a frame takes (median of the frames), the frame's size and its PSNR against the
// picture (both decoded by FFmpeg's HAP decoder). The pictures are the benchmark plasma at
// 640x480 and 1920x1080, at eight moments.
//
//   hap_frames_benchmark [--chunks N]

#include "BenchmarkMedian.h"
#include "platform/qtkit/HapFrames.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using qtkit::hap::Texture;

// The plasma of benchmarks/app/Plasma.fs at `time`, RGBA, opaque.
std::vector<std::uint8_t> plasma(int width, int height, double time) {
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double px = (x + 0.5) / width * 8.0, py = (height - y - 0.5) / height * 8.0;
            const double v = std::sin(px + time) + std::sin(py * 1.3 + time * 0.7) +
                             std::sin((px + py) * 0.7 + time * 1.3) +
                             std::sin(std::hypot(px - 4.0, py - 4.0) * 1.5 - time);
            const double a = v * 3.14159;
            std::uint8_t* out = pixels.data() + 4 * (std::size_t(y) * width + x);
            for (int c = 0; c < 3; ++c)
                out[c] = std::uint8_t(std::lround(255.0 * (0.5 + 0.5 * std::sin(a + 2.094 * c))));
            out[3] = 255;
        }
    }
    return pixels;
}

double seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Side {
    std::vector<double> times;
    double bytes = 0;
    double squares = 0;
    double samples = 0;

    double psnr() const { return 10.0 * std::log10(255.0 * 255.0 * samples / squares); }
};

// Decodes `packet` and adds its error against `pixels` to `side`; false when it cannot.
bool measure(AVCodecContext* decoder, AVPacket* packet, const std::vector<std::uint8_t>& pixels,
             int width, Side& side) {
    AVFrame* frame = av_frame_alloc();
    const bool decoded =
        avcodec_send_packet(decoder, packet) == 0 && avcodec_receive_frame(decoder, frame) == 0;
    if (decoded) {
        for (int y = 0; y < frame->height; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c) {
                    const double d = double(frame->data[0][y * frame->linesize[0] + 4 * x + c]) -
                                     double(pixels[4 * (std::size_t(y) * width + x) + c]);
                    side.squares += d * d;
                    side.samples += 1;
                }
    }
    av_frame_free(&frame);
    return decoded;
}

struct Format {
    const char* name; // FFmpeg's
    Texture texture;
    std::uint32_t tag;
};

bool compare(const Format& format, int width, int height, int chunks) {
    const AVCodec* hap = avcodec_find_encoder_by_name("hap");
    const AVCodec* hapDecoder = avcodec_find_decoder(AV_CODEC_ID_HAP);
    if (!hap || !hapDecoder)
        return false;
    AVCodecContext* encoder = avcodec_alloc_context3(hap);
    encoder->width = width;
    encoder->height = height;
    encoder->pix_fmt = AV_PIX_FMT_RGBA;
    encoder->time_base = AVRational{1, 30};
    encoder->thread_count = 1;
    av_opt_set(encoder->priv_data, "format", format.name, 0);
    av_opt_set_int(encoder->priv_data, "chunks", chunks, 0);
    AVCodecContext* decoder = avcodec_alloc_context3(hapDecoder);
    decoder->width = width;
    decoder->height = height;
    decoder->codec_tag = format.tag;
    decoder->thread_count = 1;
    if (avcodec_open2(encoder, hap, nullptr) < 0 || avcodec_open2(decoder, hapDecoder, nullptr) < 0)
        return false;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    Side ours, theirs;
    std::vector<std::uint8_t> out(qtkit::hap::maxFrameBytes(format.texture, width, height, chunks));
    for (int moment = 0; moment < 8; ++moment) {
        std::vector<std::uint8_t> pixels = plasma(width, height, moment * 0.37);
        double start = seconds();
        const std::size_t length = qtkit::hap::encodeFrame(
            format.texture, {pixels.data(), 4 * width, width, height}, chunks, out.data());
        ours.times.push_back(seconds() - start);
        ours.bytes += double(length);
        av_new_packet(packet, int(length));
        std::memcpy(packet->data, out.data(), length);
        if (!measure(decoder, packet, pixels, width, ours))
            return false;
        av_packet_unref(packet);

        frame->format = AV_PIX_FMT_RGBA;
        frame->width = width;
        frame->height = height;
        frame->data[0] = pixels.data();
        frame->linesize[0] = 4 * width;
        frame->pts = moment;
        start = seconds();
        if (avcodec_send_frame(encoder, frame) < 0 || avcodec_receive_packet(encoder, packet) < 0)
            return false;
        theirs.times.push_back(seconds() - start);
        theirs.bytes += packet->size;
        if (!measure(decoder, packet, pixels, width, theirs))
            return false;
        av_packet_unref(packet);
    }
    std::printf("%s %dx%d, %d chunks: ours %.2f ms a frame, FFmpeg's %.2f ms, ratio %.3f; "
                "size ours %.0f KB, FFmpeg's %.0f KB; PSNR ours %.2f dB, FFmpeg's %.2f dB\n",
                format.name, width, height, chunks, 1e3 * median(ours.times),
                1e3 * median(theirs.times), median(ours.times) / median(theirs.times),
                ours.bytes / 8 / 1024, theirs.bytes / 8 / 1024, ours.psnr(), theirs.psnr());
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&decoder);
    avcodec_free_context(&encoder);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int chunks = 2;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--chunks") == 0 && i + 1 < argc)
            chunks = std::max(1, std::atoi(argv[++i]));
    const Format formats[] = {{"hap", Texture::RgbDxt1, MKTAG('H', 'a', 'p', '1')},
                              {"hap_q", Texture::ScaledYCoCgDxt5, MKTAG('H', 'a', 'p', 'Y')}};
    for (const Format& format : formats)
        for (const auto& [width, height] : {std::pair{640, 480}, std::pair{1920, 1080}})
            if (!compare(format, width, height, chunks)) {
                std::printf("%s %dx%d: an encoder or decoder failed\n", format.name, width, height);
                return 1;
            }
    return 0;
}
