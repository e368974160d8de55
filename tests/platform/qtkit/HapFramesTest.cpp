#include "platform/qtkit/HapFrames.h"

#include "platform/qtkit/FFmpegPtr.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

using qtkit::hap::Texture;

struct Rgba {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
};

template <class Colour>
Rgba makePicture(int width, int height, Colour colour) {
    Rgba picture{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            colour(x, y, picture.pixels.data() + 4 * (std::size_t(y) * width + x));
    return picture;
}

std::vector<std::uint8_t> encode(Texture texture, const Rgba& picture, int chunks) {
    std::vector<std::uint8_t> frame(
        qtkit::hap::maxFrameBytes(texture, picture.width, picture.height, chunks));
    const std::size_t length = qtkit::hap::encodeFrame(
        texture, {picture.pixels.data(), 4 * picture.width, picture.width, picture.height}, chunks,
        frame.data());
    EXPECT_LE(length, frame.size());
    frame.resize(length);
    return frame;
}

// The frame as FFmpeg's HAP decoder reads it, in RGBA; empty when it refuses the frame.
Rgba decode(Texture texture, const std::vector<std::uint8_t>& frame, int width, int height) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_HAP);
    qtkit::CodecContextPtr context(avcodec_alloc_context3(codec));
    qtkit::PacketPtr packet = qtkit::makePacket();
    qtkit::FramePtr decoded = qtkit::makeFrame();
    context->width = width;
    context->height = height;
    context->codec_tag = texture == Texture::RgbDxt1    ? MKTAG('H', 'a', 'p', '1')
                         : texture == Texture::RgbaDxt5 ? MKTAG('H', 'a', 'p', '5')
                                                        : MKTAG('H', 'a', 'p', 'Y');
    if (avcodec_open2(context.get(), codec, nullptr) != 0 ||
        av_new_packet(packet.get(), int(frame.size())) != 0)
        return {};
    std::memcpy(packet->data, frame.data(), frame.size());
    if (avcodec_send_packet(context.get(), packet.get()) != 0 ||
        avcodec_receive_frame(context.get(), decoded.get()) != 0)
        return {};
    const bool alpha = decoded->format == AV_PIX_FMT_RGBA;
    return makePicture(width, height, [&](int x, int y, std::uint8_t* out) {
        std::memcpy(out, decoded->data[0] + y * decoded->linesize[0] + 4 * x, 4);
        if (!alpha)
            out[3] = 255;
    });
}

// Peak signal to noise over the channels [first, end) of every pixel, in dB (200 when equal).
double psnr(const Rgba& a, const Rgba& b, int first, int end) {
    double squares = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < a.pixels.size(); i += 4)
        for (int c = first; c < end; ++c, ++count) {
            const double d = double(a.pixels[i + c]) - double(b.pixels[i + c]);
            squares += d * d;
        }
    return squares == 0 ? 200.0 : 10.0 * std::log10(255.0 * 255.0 * double(count) / squares);
}

// Smooth colour and alpha with a sharp diagonal edge, as rendered compositions are.
void shaded(int x, int y, std::uint8_t* out) {
    const bool edge = x > 2 * y;
    out[0] = std::uint8_t(128 + 127 * std::sin(x * 0.07 + y * 0.03));
    out[1] = std::uint8_t(edge ? 40 : 128 + 127 * std::cos(y * 0.05));
    out[2] = std::uint8_t(128 + 127 * std::sin((x + y) * 0.04 + 1.0));
    out[3] = std::uint8_t(edge ? 255 : (x * 5 + y * 3) % 256);
}

// A frame decodes to its picture: in RGB and RGBA exactly where each block holds two colours of
// 5:6:5 precision and one alpha step apart, closely for smooth pictures (HAP Q closer still); at
// any size (rows and columns past a multiple of 4 padded) and in any number of chunks.
TEST(HapFramesTest, FramesDecodeToTheirPictures) {
    // Blue and yellow alternate in every block; alpha between 0 and 255.
    const auto twoColours = [](int x, int y, std::uint8_t* out) {
        const bool blue = (x + y) % 2 == 0;
        out[0] = blue ? 0 : 255;
        out[1] = blue ? 0 : 255;
        out[2] = blue ? 255 : 0;
        out[3] = (x / 4 + y) % 3 == 0 ? 0 : 255;
    };
    for (const Texture texture : {Texture::RgbDxt1, Texture::RgbaDxt5, Texture::ScaledYCoCgDxt5}) {
        for (const auto& [width, height] :
             {std::pair{64, 48}, std::pair{70, 38}, std::pair{3, 2}}) {
            for (const int chunks : {1, 3}) {
                SCOPED_TRACE(::testing::Message()
                             << int(texture) << " " << width << "x" << height << " in " << chunks);
                const bool alpha = texture == Texture::RgbaDxt5;
                const bool ycocg = texture == Texture::ScaledYCoCgDxt5;
                const Rgba exact = makePicture(width, height, twoColours);
                const Rgba decoded = decode(texture, encode(texture, exact, chunks), width, height);
                ASSERT_EQ(decoded.pixels.size(), exact.pixels.size());
                EXPECT_GE(psnr(decoded, exact, 0, alpha ? 4 : 3), ycocg ? 44.0 : 200.0);

                if (width < 8)
                    continue; // a single block: a fair approximation is the format's to give
                const Rgba smooth = makePicture(width, height, shaded);
                const Rgba near = decode(texture, encode(texture, smooth, chunks), width, height);
                ASSERT_EQ(near.pixels.size(), smooth.pixels.size());
                EXPECT_GE(psnr(near, smooth, 0, 3), ycocg ? 38.0 : 36.0);
                if (alpha) {
                    EXPECT_GE(psnr(near, smooth, 3, 4), 36.0);
                }
            }
        }
    }
}

// Chunks that Snappy makes smaller are stored compressed (long runs, copies reaching back over
// 2 KiB and overlapping themselves), the others as they are; a frame over 16 MiB takes the
// long header. All decode to the picture.
TEST(HapFramesTest, ChunksAreCompressedWhereThatHelps) {
    const Rgba flat = makePicture(512, 256, [](int, int, std::uint8_t* out) {
        out[0] = 255;
        out[1] = 0;
        out[2] = 0;
        out[3] = 255;
    });
    // Block rows repeat every 8 pixel rows: 256 blocks of 8 bytes back, beyond a short copy.
    const Rgba stripes = makePicture(512, 256, [](int x, int y, std::uint8_t* out) {
        out[0] = std::uint8_t(x);
        out[1] = std::uint8_t(y % 8 * 32);
        out[2] = std::uint8_t(x * 7);
        out[3] = 255;
    });
    std::mt19937 random(7);
    const Rgba noise = makePicture(512, 256, [&](int, int, std::uint8_t* out) {
        const std::uint32_t bits = random();
        std::memcpy(out, &bits, 4);
        out[3] = 255;
    });
    const std::size_t texture = 512 / 4 * 256 / 4 * 8;
    for (const int chunks : {1, 4}) {
        SCOPED_TRACE(chunks);
        const std::vector<std::uint8_t> small = encode(Texture::RgbDxt1, flat, chunks);
        EXPECT_LT(small.size(), texture / 20);
        EXPECT_EQ(small[3], chunks == 1 ? 0xBB : 0xCB);
        EXPECT_EQ(psnr(decode(Texture::RgbDxt1, small, 512, 256), flat, 0, 4), 200.0);

        const std::vector<std::uint8_t> repeated = encode(Texture::RgbDxt1, stripes, chunks);
        EXPECT_LT(repeated.size(), texture / 4);
        const Rgba back = decode(Texture::RgbDxt1, repeated, 512, 256);
        ASSERT_FALSE(back.pixels.empty());
        EXPECT_TRUE(
            back.pixels ==
            decode(Texture::RgbDxt1, encode(Texture::RgbDxt1, stripes, 1), 512, 256).pixels);

        const std::vector<std::uint8_t> stored = encode(Texture::RgbDxt1, noise, chunks);
        EXPECT_GE(stored.size(), texture);
        EXPECT_EQ(stored[3], chunks == 1 ? 0xAB : 0xCB);
        EXPECT_FALSE(decode(Texture::RgbDxt1, stored, 512, 256).pixels.empty());
    }

    const Rgba huge = makePicture(4096, 4100, [](int, int, std::uint8_t* out) {
        std::memset(out, 255, 3);
        out[3] = 200;
    });
    const std::vector<std::uint8_t> frame = encode(Texture::RgbaDxt5, huge, 2);
    ASSERT_GE(frame.size(), 8u);
    EXPECT_EQ(frame[0] | frame[1] | frame[2], 0);
    EXPECT_EQ(frame[3], 0xCE);
    EXPECT_EQ(psnr(decode(Texture::RgbaDxt5, frame, 4096, 4100), huge, 0, 4), 200.0);
}

} // namespace
