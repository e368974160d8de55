#include "platform/qtkit/HapFrames.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace qtkit::hap {

namespace {

// --- S3 texture blocks ------------------------------------------------------------------------

// Four lanes at once, as the processor's vector unit takes them (GCC's and Clang's vectors).
using F4 = float __attribute__((vector_size(16)));
using I4 = std::int32_t __attribute__((vector_size(16)));

float sum(F4 v) {
    return (v[0] + v[1]) + (v[2] + v[3]);
}

// The 16 pixels of a block, four at a time: row `k` is lanes [k].
struct BlockColours {
    F4 r[4], g[4], b[4];
};

std::uint16_t to565(float r, float g, float b) {
    const int r5 = std::clamp(int(r * (31.0f / 255.0f) + 0.5f), 0, 31);
    const int g6 = std::clamp(int(g * (63.0f / 255.0f) + 0.5f), 0, 63);
    const int b5 = std::clamp(int(b * (31.0f / 255.0f) + 0.5f), 0, 31);
    return std::uint16_t((r5 << 11) | (g6 << 5) | b5);
}

// The colour a decoder makes of a 5:6:5 value.
void from565(std::uint16_t c, float out[3]) {
    const int r5 = c >> 11, g6 = (c >> 5) & 63, b5 = c & 31;
    out[0] = float((r5 << 3) | (r5 >> 2));
    out[1] = float((g6 << 2) | (g6 >> 4));
    out[2] = float((b5 << 3) | (b5 >> 2));
}

// The DXT1 block of endpoints `c0` and `c1` (put in the four-colour order, c0 > c1) with each
// pixel's index: its nearest step on the line from c1 (step 0) to c0 (step 3).
void writeColourBlock(const BlockColours& p, std::uint16_t c0, std::uint16_t c1,
                      std::uint8_t* out) {
    if (c0 < c1)
        std::swap(c0, c1);
    float a[3], b[3];
    from565(c0, a);
    from565(c1, b);
    const float d[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    const float length = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    const float scale = length > 0 ? 3.0f / length : 0.0f;
    I4 packed = {}; // lane l: the indices of pixels l, 4 + l, 8 + l and 12 + l, a byte apart
    for (int k = 0; k < 4; ++k) {
        F4 t = ((p.r[k] - b[0]) * d[0] + (p.g[k] - b[1]) * d[1] + (p.b[k] - b[2]) * d[2]) * scale +
               0.5f;
        t = t < 0.0f ? F4{} : t;
        t = t > 3.5f ? F4{} + 3.0f : t;
        // Step 3 is index 0 (c0), step 0 index 1 (c1), step 2 index 2 and step 1 index 3.
        const I4 x = (4 - __builtin_convertvector(t, I4)) & 3;
        packed |= (x ^ ((x < 2) & 1)) << (8 * k);
    }
    const std::uint32_t indices =
        c0 == c1
            ? 0
            : std::uint32_t(packed[0] | (packed[1] << 2) | (packed[2] << 4) | (packed[3] << 6));
    out[0] = std::uint8_t(c0);
    out[1] = std::uint8_t(c0 >> 8);
    out[2] = std::uint8_t(c1);
    out[3] = std::uint8_t(c1 >> 8);
    for (int k = 0; k < 4; ++k)
        out[4 + k] = std::uint8_t(indices >> (8 * k));
}

// A DXT1 colour block: endpoints where the pixels end along their principal axis. (Fitting the
// endpoints again to the steps they gave, by least squares, gains 0.4 dB at twice the work.)
void compressColours(const std::uint8_t pixels[64], std::uint8_t* out) {
    BlockColours p;
    F4 sums[3] = {};
    for (int k = 0; k < 4; ++k) {
        I4 packed;
        std::memcpy(&packed, pixels + 16 * k, 16);
        p.r[k] = __builtin_convertvector(packed & 0xff, F4);
        p.g[k] = __builtin_convertvector((packed >> 8) & 0xff, F4);
        p.b[k] = __builtin_convertvector((packed >> 16) & 0xff, F4);
        sums[0] += p.r[k];
        sums[1] += p.g[k];
        sums[2] += p.b[k];
    }
    const float mean[3] = {sum(sums[0]) / 16, sum(sums[1]) / 16, sum(sums[2]) / 16};
    F4 rr = {}, rg = {}, rb = {}, gg = {}, gb = {}, bb = {};
    for (int k = 0; k < 4; ++k) {
        const F4 r = p.r[k] - mean[0], g = p.g[k] - mean[1], b = p.b[k] - mean[2];
        rr += r * r;
        rg += r * g;
        rb += r * b;
        gg += g * g;
        gb += g * b;
        bb += b * b;
    }
    const float rows[3][3] = {
        {sum(rr), sum(rg), sum(rb)}, {sum(rg), sum(gg), sum(gb)}, {sum(rb), sum(gb), sum(bb)}};
    // The principal axis by a few steps of power iteration, from the widest channel's row.
    const int widest = rows[0][0] >= rows[1][1] ? (rows[0][0] >= rows[2][2] ? 0 : 2)
                                                : (rows[1][1] >= rows[2][2] ? 1 : 2);
    float axis[3] = {rows[widest][0], rows[widest][1], rows[widest][2]};
    for (int step = 0; step < 2; ++step) {
        const float next[3] = {rows[0][0] * axis[0] + rows[0][1] * axis[1] + rows[0][2] * axis[2],
                               rows[1][0] * axis[0] + rows[1][1] * axis[1] + rows[1][2] * axis[2],
                               rows[2][0] * axis[0] + rows[2][1] * axis[1] + rows[2][2] * axis[2]};
        const float largest =
            std::max(std::max(std::fabs(next[0]), std::fabs(next[1])), std::fabs(next[2]));
        if (largest < 1e-3f)
            break;
        const float inverse = 1.0f / largest;
        for (int c = 0; c < 3; ++c)
            axis[c] = next[c] * inverse;
    }
    const float axisLength = axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2];
    std::uint16_t high = to565(mean[0], mean[1], mean[2]), low = high;
    if (axisLength > 1e-6f) {
        // The pixels' extent along the axis, as points of the line through the mean.
        F4 lowest = {}, highest = {};
        for (int k = 0; k < 4; ++k) {
            const F4 t = (p.r[k] - mean[0]) * axis[0] + (p.g[k] - mean[1]) * axis[1] +
                         (p.b[k] - mean[2]) * axis[2];
            lowest = t < lowest ? t : lowest;
            highest = t > highest ? t : highest;
        }
        const float from = std::min({lowest[0], lowest[1], lowest[2], lowest[3]}) / axisLength;
        const float to = std::max({highest[0], highest[1], highest[2], highest[3]}) / axisLength;
        high = to565(mean[0] + to * axis[0], mean[1] + to * axis[1], mean[2] + to * axis[2]);
        low = to565(mean[0] + from * axis[0], mean[1] + from * axis[1], mean[2] + from * axis[2]);
    }
    writeColourBlock(p, high, low, out);
}

// A DXT5 alpha block: the block's lowest and highest alpha with the six steps between.
void compressAlpha(const std::uint8_t pixels[64], std::uint8_t* out) {
    int lowest = 255, highest = 0;
    for (int i = 0; i < 16; ++i) {
        lowest = std::min<int>(lowest, pixels[4 * i + 3]);
        highest = std::max<int>(highest, pixels[4 * i + 3]);
    }
    out[0] = std::uint8_t(highest);
    out[1] = std::uint8_t(lowest);
    std::uint64_t indices = 0;
    const int range = highest - lowest;
    if (range > 0) {
        // Step 0 is the lowest (index 1), step 7 the highest (index 0), steps between count down.
        constexpr int kIndexOfAlphaStep[8] = {1, 7, 6, 5, 4, 3, 2, 0};
        for (int i = 0; i < 16; ++i) {
            const int step = ((pixels[4 * i + 3] - lowest) * 7 + range / 2) / range;
            indices |= std::uint64_t(kIndexOfAlphaStep[step]) << (3 * i);
        }
    }
    for (int k = 0; k < 6; ++k)
        out[2 + k] = std::uint8_t(indices >> (8 * k));
}

int blockBytes(Texture texture) {
    return texture == Texture::RgbDxt1 ? 8 : 16;
}

// Compresses the block rows [firstRow, endRow) of the picture into `out`.
void compressRows(Texture texture, const Picture& picture, int firstRow, int endRow,
                  std::uint8_t* out) {
    const int blocksWide = (picture.width + 3) / 4;
    const int bytes = blockBytes(texture);
    std::uint8_t block[64];
    for (int row = firstRow; row < endRow; ++row) {
        const std::uint8_t* lines[4];
        for (int y = 0; y < 4; ++y)
            lines[y] =
                picture.pixels + std::min(4 * row + y, picture.height - 1) * picture.bytesPerLine;
        for (int column = 0; column < blocksWide; ++column) {
            const int x0 = 4 * column;
            for (int y = 0; y < 4; ++y) {
                if (x0 + 4 <= picture.width) {
                    std::memcpy(block + 16 * y, lines[y] + 4 * x0, 16);
                    continue;
                }
                for (int x = 0; x < 4; ++x)
                    std::memcpy(block + 16 * y + 4 * x,
                                lines[y] + 4 * std::min(x0 + x, picture.width - 1), 4);
            }
            compressBlock(texture, block, out);
            out += bytes;
        }
    }
}

// --- Snappy -----------------------------------------------------------------------------------

std::uint32_t load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

std::uint8_t* emitLiteral(const std::uint8_t* from, std::size_t length, std::uint8_t* op) {
    const std::size_t n = length - 1;
    if (n < 60) {
        *op++ = std::uint8_t(n << 2);
    } else {
        int count = 1;
        while (count < 4 && (n >> (8 * count)) != 0)
            ++count;
        *op++ = std::uint8_t((59 + count) << 2);
        for (int k = 0; k < count; ++k)
            *op++ = std::uint8_t(n >> (8 * k));
    }
    std::memcpy(op, from, length);
    return op + length;
}

// A copy of `length` bytes from `offset` back (1 to 65535).
std::uint8_t* emitCopy(std::size_t offset, std::size_t length, std::uint8_t* op) {
    const auto twoByteOffset = [&](std::size_t n) {
        *op++ = std::uint8_t(2 | ((n - 1) << 2));
        *op++ = std::uint8_t(offset);
        *op++ = std::uint8_t(offset >> 8);
    };
    while (length >= 68) {
        twoByteOffset(64);
        length -= 64;
    }
    if (length > 64) {
        twoByteOffset(60);
        length -= 60;
    }
    if (length >= 4 && length <= 11 && offset < 2048) {
        *op++ = std::uint8_t(1 | ((length - 4) << 2) | ((offset >> 8) << 5));
        *op++ = std::uint8_t(offset);
    } else {
        twoByteOffset(length);
    }
    return op;
}

constexpr int kHashBits = 14;

// Compresses a block of at most 64 KiB, whose copies refer only within it.
std::uint8_t* compressSnappyBlock(const std::uint8_t* base, std::size_t length,
                                  std::uint16_t* table, std::uint8_t* op) {
    const std::uint8_t* end = base + length;
    const std::uint8_t* pending = base;
    if (length >= 16) {
        std::memset(table, 0, sizeof(std::uint16_t) << kHashBits);
        const std::uint8_t* ip = base + 1;
        const std::uint8_t* last = end - 4;
        std::uint32_t misses = 32;
        while (ip <= last) {
            const std::uint32_t bytes = load32(ip);
            const std::uint32_t hash = (bytes * 0x1e35a7bdu) >> (32 - kHashBits);
            const std::uint8_t* candidate = base + table[hash];
            table[hash] = std::uint16_t(ip - base);
            if (candidate >= ip || load32(candidate) != bytes) {
                ip += misses++ >> 5;
                continue;
            }
            if (ip > pending)
                op = emitLiteral(pending, std::size_t(ip - pending), op);
            std::size_t matched = 4;
            while (ip + matched < end && candidate[matched] == ip[matched])
                ++matched;
            op = emitCopy(std::size_t(ip - candidate), matched, op);
            ip += matched;
            pending = ip;
            misses = 32;
        }
    }
    if (end > pending)
        op = emitLiteral(pending, std::size_t(end - pending), op);
    return op;
}

std::size_t snappyBound(std::size_t n) {
    return 32 + n + n / 6;
}

// --- sections ---------------------------------------------------------------------------------

std::uint8_t* putSectionHeader(std::uint8_t* op, std::size_t size, std::uint8_t type,
                               bool longForm) {
    if (longForm) {
        op[0] = op[1] = op[2] = 0;
        op[3] = type;
        for (int k = 0; k < 4; ++k)
            op[4 + k] = std::uint8_t(size >> (8 * k));
        return op + 8;
    }
    for (int k = 0; k < 3; ++k)
        op[k] = std::uint8_t(size >> (8 * k));
    op[3] = type;
    return op + 4;
}

constexpr std::uint8_t kNoCompressor = 0x0A;
constexpr std::uint8_t kSnappy = 0x0B;
constexpr std::uint8_t kDecodeInstructions = 0x0C;

int chunkCount(int chunks, int height) {
    return std::clamp(chunks, 1, std::min(64, (height + 3) / 4));
}

std::size_t instructionBytes(int chunks) {
    return chunks == 1 ? 0 : 4 + (4 + std::size_t(chunks)) + (4 + 4 * std::size_t(chunks));
}

} // namespace

void compressBlock(Texture texture, const std::uint8_t pixels[64], std::uint8_t* out) {
    if (texture == Texture::RgbaDxt5) {
        compressAlpha(pixels, out);
        out += 8;
    }
    compressColours(pixels, out);
}

std::size_t snappyCompress(const std::uint8_t* in, std::size_t n, std::uint8_t* out) {
    std::uint8_t* op = out;
    for (std::size_t v = n;; v >>= 7) {
        *op++ = std::uint8_t(v < 0x80 ? v : (v & 0x7f) | 0x80);
        if (v < 0x80)
            break;
    }
    std::uint16_t table[1 << kHashBits];
    for (std::size_t at = 0; at < n; at += 65536)
        op = compressSnappyBlock(in + at, std::min<std::size_t>(65536, n - at), table, op);
    return std::size_t(op - out);
}

std::size_t maxFrameBytes(Texture texture, int width, int height, int chunks) {
    chunks = chunkCount(chunks, height);
    const std::size_t texture_bytes =
        std::size_t((width + 3) / 4) * std::size_t((height + 3) / 4) * blockBytes(texture);
    // Each chunk is kept as it is when Snappy does not make it smaller.
    return 8 + instructionBytes(chunks) + texture_bytes;
}

std::size_t encodeFrame(Texture texture, const Picture& picture, int chunks, std::uint8_t* out) {
    chunks = chunkCount(chunks, picture.height);
    const int blockRows = (picture.height + 3) / 4;
    const std::size_t rowBytes = std::size_t((picture.width + 3) / 4) * blockBytes(texture);
    const std::size_t longest = rowBytes * std::size_t((blockRows + chunks - 1) / chunks);
    thread_local std::vector<std::uint8_t> raw, packed;
    raw.resize(longest);
    packed.resize(snappyBound(longest));

    const bool longForm =
        maxFrameBytes(texture, picture.width, picture.height, chunks) - 8 >= (1u << 24);
    const std::size_t headerBytes = longForm ? 8 : 4;
    std::uint8_t* data = out + headerBytes + instructionBytes(chunks);
    std::uint8_t compressors[64];
    std::uint32_t sizes[64];
    std::uint8_t* op = data;
    for (int chunk = 0; chunk < chunks; ++chunk) {
        const int first = int(std::int64_t(blockRows) * chunk / chunks);
        const int end = int(std::int64_t(blockRows) * (chunk + 1) / chunks);
        const std::size_t bytes = rowBytes * std::size_t(end - first);
        compressRows(texture, picture, first, end, raw.data());
        const std::size_t squeezed = snappyCompress(raw.data(), bytes, packed.data());
        const bool smaller = squeezed < bytes;
        std::memcpy(op, smaller ? packed.data() : raw.data(), smaller ? squeezed : bytes);
        compressors[chunk] = smaller ? kSnappy : kNoCompressor;
        sizes[chunk] = std::uint32_t(smaller ? squeezed : bytes);
        op += sizes[chunk];
    }
    const std::size_t dataBytes = std::size_t(op - data);
    const std::uint8_t format = std::uint8_t(texture);
    if (chunks == 1) {
        putSectionHeader(out, dataBytes, std::uint8_t((compressors[0] << 4) | format), longForm);
        return headerBytes + dataBytes;
    }
    std::uint8_t* ip =
        putSectionHeader(out, instructionBytes(chunks) + dataBytes,
                         std::uint8_t((kDecodeInstructions << 4) | format), longForm);
    ip = putSectionHeader(ip, instructionBytes(chunks) - 4, 0x01, false);
    ip = putSectionHeader(ip, std::size_t(chunks), 0x02, false);
    std::memcpy(ip, compressors, std::size_t(chunks));
    ip = putSectionHeader(ip + chunks, 4 * std::size_t(chunks), 0x03, false);
    for (int chunk = 0; chunk < chunks; ++chunk)
        for (int k = 0; k < 4; ++k)
            *ip++ = std::uint8_t(sizes[chunk] >> (8 * k));
    return headerBytes + instructionBytes(chunks) + dataBytes;
}

} // namespace qtkit::hap
