#include "platform/qtkit/AnimationEncoding.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

// The coded picture: a 4-byte size (of the whole picture), a 2-byte header whose bit 0x0008 says
// that the first line and the number of lines follow (2 bytes each, each followed by 2 unused
// bytes), then per line a skip byte (one more than the pixels passed over) and codes: 0 and a
// further skip byte, -1 ending the line, -n and one pixel repeated n times, or n and n pixels.
// Numbers are big-endian, pixels are 4 bytes A R G B.

namespace qtkit {

namespace {

constexpr int kMostCopied = 127;
constexpr int kMostRepeated = 128;
constexpr int kMostSkipped = 254;
constexpr std::uint8_t kEndOfLine = 0xFF;
constexpr unsigned kLinesFollow = 0x0008;

inline std::uint32_t pixelAt(const std::uint8_t* row, int x) {
    std::uint32_t pixel;
    std::memcpy(&pixel, row + 4 * std::size_t(x), 4);
    return pixel;
}

// Stores a pixel read as one word from R G B A bytes in the file's order, A R G B.
inline void storeArgb(std::uint8_t* at, std::uint32_t rgba) {
    const std::uint32_t argb =
        std::endian::native == std::endian::little ? std::rotl(rgba, 8) : std::rotr(rgba, 8);
    std::memcpy(at, &argb, 4);
}

inline std::uint8_t* putBig16(std::uint8_t* at, unsigned value) {
    at[0] = std::uint8_t(value >> 8);
    at[1] = std::uint8_t(value);
    return at + 2;
}

inline std::uint8_t* passOver(std::uint8_t* out, int pixels) {
    while (pixels > 0) {
        const int step = std::min(pixels, kMostSkipped);
        *out++ = 0;
        *out++ = std::uint8_t(step + 1);
        pixels -= step;
    }
    return out;
}

// Codes one line; with `Delta`, pixels equal to those of `before` are passed over. Returns the
// end of the coded bytes.
template <bool Delta>
std::uint8_t* encodeLine(const std::uint8_t* row, const std::uint8_t* before, int width,
                         std::uint8_t* out) {
    auto unchangedUntil = [&](int from) {
        while (from < width && pixelAt(row, from) == pixelAt(before, from))
            ++from;
        return from;
    };
    int x = 0;
    if constexpr (Delta) {
        x = std::min(unchangedUntil(0), kMostSkipped);
        if (x == width) {
            *out++ = 1;
            *out++ = kEndOfLine;
            return out;
        }
    }
    *out++ = std::uint8_t(x + 1);
    while (x < width) {
        const std::uint32_t pixel = pixelAt(row, x);
        if constexpr (Delta) {
            if (pixel == pixelAt(before, x)) {
                const int end = unchangedUntil(x);
                if (end == width)
                    break;
                out = passOver(out, end - x);
                x = end;
                continue;
            }
        }
        int same = 1;
        while (same < kMostRepeated && x + same < width && pixelAt(row, x + same) == pixel)
            ++same;
        if (same >= 2) {
            *out++ = std::uint8_t(256 - same);
            storeArgb(out, pixel);
            out += 4;
            x += same;
            continue;
        }
        // Copied pixels run until one is unchanged or starts a repeat.
        int count = 1;
        while (count < kMostCopied && x + count < width) {
            const std::uint32_t next = pixelAt(row, x + count);
            if constexpr (Delta) {
                if (next == pixelAt(before, x + count))
                    break;
            }
            if (x + count + 1 < width && next == pixelAt(row, x + count + 1))
                break;
            ++count;
        }
        *out++ = std::uint8_t(count);
        for (int index = 0; index < count; ++index)
            storeArgb(out + 4 * index, pixelAt(row, x + index));
        out += 4 * count;
        x += count;
    }
    *out++ = kEndOfLine;
    return out;
}

// The most bytes of one coded line: 4 per pixel, a code per 127 copied pixels, the skip byte, the
// end, and the code of a last copied run. (A code that ends a copied run early starts a skip of at
// least one pixel for 2 bytes or a repeat of at least two for 5, so with the copied run's code
// neither exceeds 4 bytes per pixel.)
std::size_t lineBound(int width) {
    return 4 * std::size_t(width) + std::size_t(width + kMostCopied - 1) / kMostCopied + 3;
}

constexpr std::size_t kPictureHeaderBytes = 4 + 2 + 8;

} // namespace

void setAnimationCodecParameters(AVCodecParameters* parameters, int width, int height) {
    parameters->codec_type = AVMEDIA_TYPE_VIDEO;
    parameters->codec_id = AV_CODEC_ID_QTRLE;
    parameters->width = width;
    parameters->height = height;
    parameters->format = AV_PIX_FMT_ARGB;
    parameters->bits_per_coded_sample = 32;
}

AnimationPacketMemory::AnimationPacketMemory(int width, int height)
    : mBytes(animationPictureBound(width, height)) {
    if (mBytes <= std::size_t(INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE))
        mPool = av_buffer_pool_init(mBytes + AV_INPUT_BUFFER_PADDING_SIZE, nullptr);
}

AnimationPacketMemory::~AnimationPacketMemory() {
    av_buffer_pool_uninit(&mPool); // the blocks still in packets go with them
}

bool AnimationPacketMemory::fill(AVPacket* packet) {
    AVBufferRef* block = mPool ? av_buffer_pool_get(mPool) : nullptr;
    if (!block)
        return false;
    av_packet_unref(packet);
    packet->buf = block;
    packet->data = block->data;
    packet->size = int(mBytes);
    return true;
}

std::size_t animationPictureBound(int width, int height) {
    return kPictureHeaderBytes + std::size_t(std::max(height, 1)) * lineBound(width);
}

bool encodeAnimationPicture(const std::uint8_t* rgba, std::ptrdiff_t stride,
                            const std::uint8_t* previous, std::ptrdiff_t previousStride, int width,
                            int height, AVPacket* packet, AnimationPacketMemory* memory) {
    const std::size_t rowBytes = 4 * std::size_t(width);
    auto unchanged = [&](int y) {
        return std::memcmp(rgba + y * stride, previous + y * previousStride, rowBytes) == 0;
    };
    int first = 0;
    int last = height - 1;
    if (previous) {
        while (first < height && unchanged(first))
            ++first;
        if (first == height) // nothing changed: one line that passes over everything
            first = last = 0;
        while (last > first && unchanged(last))
            --last;
    }
    const int lines = last - first + 1;
    const std::size_t bound = kPictureHeaderBytes + std::size_t(lines) * lineBound(width);
    if (memory) {
        // A whole picture's block, of which this one uses the start.
        if (!memory->fill(packet))
            return false;
    } else if (bound > std::size_t(INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE) ||
               av_new_packet(packet, int(bound)) < 0) {
        return false;
    }
    std::uint8_t* out = packet->data + 4;
    out = putBig16(out, kLinesFollow);
    out = putBig16(out, unsigned(first));
    out = putBig16(out, 0);
    out = putBig16(out, unsigned(lines));
    out = putBig16(out, 0);
    for (int y = first; y <= last; ++y) {
        const std::uint8_t* row = rgba + y * stride;
        if (!previous) {
            out = encodeLine<false>(row, nullptr, width, out);
        } else if (unchanged(y)) {
            *out++ = 1;
            *out++ = kEndOfLine;
        } else {
            out = encodeLine<true>(row, previous + y * previousStride, width, out);
        }
    }
    const std::uint32_t size = std::uint32_t(out - packet->data);
    putBig16(putBig16(packet->data, size >> 16), size & 0xFFFF);
    packet->size = int(size);
    std::memset(packet->data + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    if (!previous)
        packet->flags |= AV_PKT_FLAG_KEY;
    return true;
}

AnimationSequenceCoder::AnimationSequenceCoder(int width, int height)
    : mWidth(width), mHeight(height), mMemory(width, height) {}

bool AnimationSequenceCoder::code(const QImage& picture, std::int64_t index, AVPacket* packet) {
    const bool key = isAnimationKeyPicture(index) || mPrevious.isNull();
    if (!encodeAnimationPicture(picture.constBits(), picture.bytesPerLine(),
                                key ? nullptr : mPrevious.constBits(), mPrevious.bytesPerLine(),
                                mWidth, mHeight, packet, &mMemory))
        return false;
    // The last of a group is coded against by none.
    mPrevious = isAnimationKeyPicture(index + 1) ? QImage() : picture;
    return true;
}

} // namespace qtkit
