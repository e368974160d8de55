#pragma once

#include <cstddef>
#include <cstdint>

// HAP frames written from RGBA pictures: the picture compressed into S3 texture blocks (DXT1 for
// HAP, DXT5 for HAP Alpha and, with the colours as scaled YCoCg, for HAP Q), split into chunks that
// are each compressed with Snappy where that makes them smaller, under the section headers that HAP
// decoders read.
namespace qtkit::hap {

enum class Texture : std::uint8_t {
    RgbDxt1 = 0x0B,         // 8 bytes a block of 4 x 4 pixels; alpha is dropped
    RgbaDxt5 = 0x0E,        // 16 bytes a block, alpha kept (straight)
    ScaledYCoCgDxt5 = 0x0F, // 16 bytes a block: luma in DXT5's alpha, chroma in its colours
};

// A picture of `width` x `height` RGBA pixels (4 bytes each, rows `bytesPerLine` apart), read
// only. Pictures whose sides are not a multiple of 4 are padded with their last row and column.
struct Picture {
    const std::uint8_t* pixels = nullptr;
    std::ptrdiff_t bytesPerLine = 0;
    int width = 0;
    int height = 0;
};

// The most bytes encodeFrame() writes for a picture of that size in `chunks` chunks.
std::size_t maxFrameBytes(Texture texture, int width, int height, int chunks);

// Writes the HAP frame of `picture` into `out` (at least maxFrameBytes() long) in `chunks`
// chunks (1 to 64; fewer when the picture has fewer rows of blocks) and returns its length.
std::size_t encodeFrame(Texture texture, const Picture& picture, int chunks, std::uint8_t* out);

} // namespace qtkit::hap
