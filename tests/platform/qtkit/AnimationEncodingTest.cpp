// The Animation coder: pictures come back exactly through FFmpeg's decoder, whatever mix of
// copied, repeated, skipped and unchanged pixels and lines they hold.

#include "platform/qtkit/AnimationEncoding.h"
#include "platform/qtkit/FFmpegPtr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

using namespace qtkit;

namespace {

// Straight RGBA pixels, rows of `width` * 4 bytes plus `padding`.
struct Picture {
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
    std::vector<std::uint8_t> bytes;

    Picture(int w, int h, int padding = 0)
        : width(w), height(h), stride(4 * w + padding), bytes(std::size_t(stride) * h, 0) {}
    void set(int x, int y, std::uint32_t rgba) {
        const std::uint8_t channels[4] = {std::uint8_t(rgba >> 24), std::uint8_t(rgba >> 16),
                                          std::uint8_t(rgba >> 8), std::uint8_t(rgba)};
        std::memcpy(bytes.data() + y * stride + 4 * x, channels, 4);
    }
    void fill(std::uint32_t rgba) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                set(x, y, rgba);
    }
};

// A sequence with every kind of content: noise, runs longer than one code holds, spans of
// unchanged pixels longer than one skip holds, pairs, single changed pixels, unchanged pictures
// and pictures whose changes lie on a few middle lines.
std::vector<Picture> sequence(int width, int height) {
    std::mt19937 random(width * 7919 + height);
    std::vector<Picture> pictures;
    Picture picture(width, height, 12);
    for (int index = 0; index < 30; ++index) {
        switch (index % 6) {
        case 0: // noise, with alpha
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    picture.set(x, y, random());
            break;
        case 1: // flat, then a run of pairs on one line
            picture.fill(0x204060FF);
            for (int x = 0; x + 1 < width; x += 3) {
                picture.set(x, height / 2, 0xFF000080);
                picture.set(x + 1, height / 2, 0xFF000080);
            }
            break;
        case 2: // unchanged
            break;
        case 3: // single pixels far apart on the middle lines only
            for (int x = index; x < width; x += 260)
                picture.set(x, height / 2, random() | 1);
            if (height > 2)
                picture.set(width - 1, height / 2 + 1, random() | 1);
            break;
        case 4: // half the pixels of every line, in short random spans
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    if (random() % 2)
                        picture.set(x, y, random() % 3 ? random() : 0x11223344);
            break;
        case 5: // a run longer than one repeat, then noise to the end of each line
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    picture.set(x, y, x < 300 ? 0x0000FF40u : std::uint32_t(random()));
            break;
        }
        pictures.push_back(picture);
    }
    return pictures;
}

} // namespace

TEST(AnimationEncodingTest, EveryPictureDecodesExactlyAndStaysWithinItsBound) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_QTRLE);
    ASSERT_TRUE(codec);
    for (const auto& [width, height] : {std::pair{600, 9}, std::pair{1, 5}, std::pair{127, 1}}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        CodecContextPtr decoder(avcodec_alloc_context3(codec));
        AVCodecParameters* parameters = avcodec_parameters_alloc();
        setAnimationCodecParameters(parameters, width, height);
        ASSERT_GE(avcodec_parameters_to_context(decoder.get(), parameters), 0);
        avcodec_parameters_free(&parameters);
        ASSERT_EQ(avcodec_open2(decoder.get(), codec, nullptr), 0);
        const std::vector<Picture> pictures = sequence(width, height);
        PacketPtr packet = makePacket();
        FramePtr frame = makeFrame();
        for (std::size_t index = 0; index < pictures.size(); ++index) {
            const Picture& picture = pictures[index];
            const Picture* previous = isAnimationKeyPicture(index) ? nullptr : &pictures[index - 1];
            ASSERT_TRUE(encodeAnimationPicture(
                picture.bytes.data(), picture.stride, previous ? previous->bytes.data() : nullptr,
                previous ? previous->stride : 0, width, height, packet.get()));
            EXPECT_LE(std::size_t(packet->size), animationPictureBound(width, height));
            EXPECT_EQ(bool(packet->flags & AV_PKT_FLAG_KEY), previous == nullptr);
            if (previous && index % 6 == 2) { // unchanged: one line that passes over all
                EXPECT_EQ(packet->size, 16);
            }
            ASSERT_EQ(avcodec_send_packet(decoder.get(), packet.get()), 0);
            av_packet_unref(packet.get());
            ASSERT_EQ(avcodec_receive_frame(decoder.get(), frame.get()), 0);
            ASSERT_EQ(frame->format, AV_PIX_FMT_ARGB);
            int wrong = 0;
            for (int y = 0; y < height; ++y) {
                const std::uint8_t* argb = frame->data[0] + y * frame->linesize[0];
                const std::uint8_t* rgba = picture.bytes.data() + y * picture.stride;
                for (int x = 0; x < width; ++x)
                    wrong += argb[4 * x] != rgba[4 * x + 3] || argb[4 * x + 1] != rgba[4 * x] ||
                             argb[4 * x + 2] != rgba[4 * x + 1] ||
                             argb[4 * x + 3] != rgba[4 * x + 2];
            }
            EXPECT_EQ(wrong, 0) << "picture " << index;
            av_frame_unref(frame.get());
        }
    }
}

TEST(AnimationEncodingTest, FlatPicturesAndUnchangedLinesCostLittle) {
    Picture flat(1920, 64);
    flat.fill(0x336699FF);
    PacketPtr packet = makePacket();
    ASSERT_TRUE(
        encodeAnimationPicture(flat.bytes.data(), flat.stride, nullptr, 0, 1920, 64, packet.get()));
    // 15 repeats of 128 pixels per line.
    EXPECT_EQ(packet->size, 14 + 64 * (1 + 15 * 5 + 1));
    av_packet_unref(packet.get());

    // One pixel changed on line 40: only that line is coded, skipping to it.
    Picture changed = flat;
    changed.set(1000, 40, 0x000000FF);
    ASSERT_TRUE(encodeAnimationPicture(changed.bytes.data(), changed.stride, flat.bytes.data(),
                                       flat.stride, 1920, 64, packet.get()));
    EXPECT_EQ(packet->size, 14 + (1 + 3 * 2 + 1 + 4 + 1));
    const std::uint8_t* header = packet->data + 4;
    EXPECT_EQ(header[2] << 8 | header[3], 40); // first line
    EXPECT_EQ(header[6] << 8 | header[7], 1);  // lines
}
