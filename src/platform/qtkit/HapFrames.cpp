#include "platform/qtkit/HapFrames.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

namespace qtkit::hap {

namespace {

// --- S3 texture blocks ------------------------------------------------------------------------
//
// Four blocks side by side are compressed at once, a block in each lane of the processor's
// vectors (GCC's and Clang's vector types), so that every step, the choice of endpoints
// included, is done for four blocks by one instruction.

// Pixels are read as 32-bit words, red in the lowest byte.
static_assert(std::endian::native == std::endian::little);

using F4 = float __attribute__((vector_size(16)));
using I4 = std::int32_t __attribute__((vector_size(16)));
using U4 = std::uint32_t __attribute__((vector_size(16)));

F4 toFloat(I4 v) {
    return __builtin_convertvector(v, F4);
}
// Towards zero, as a cast does.
I4 toInt(F4 v) {
    return __builtin_convertvector(v, I4);
}
F4 clamp(F4 v, float low, float high) {
    v = v < low ? F4{} + low : v;
    return v > high ? F4{} + high : v;
}
F4 magnitude(F4 v) {
    return v < 0.0f ? -v : v;
}

// Four blocks' 16 pixels (row by row), lane b of each vector from block b: the three channels
// the colour block is made of, and the alpha block's.
struct FourBlocks {
    F4 colour[3][16];
    I4 alpha[16];
};

// The blocks of the 16 x 4 RGBA pixels of `rows`.
FourBlocks loadFourBlocks(const std::uint8_t rows[4][64]) {
    FourBlocks blocks;
    for (int y = 0; y < 4; ++y) {
        I4 row[4]; // row[b]: the 4 pixels of block b in this row
        std::memcpy(row, rows[y], 64);
        const I4 low01 = __builtin_shufflevector(row[0], row[1], 0, 4, 1, 5);
        const I4 low23 = __builtin_shufflevector(row[2], row[3], 0, 4, 1, 5);
        const I4 high01 = __builtin_shufflevector(row[0], row[1], 2, 6, 3, 7);
        const I4 high23 = __builtin_shufflevector(row[2], row[3], 2, 6, 3, 7);
        const I4 pixels[4] = {__builtin_shufflevector(low01, low23, 0, 1, 4, 5),
                              __builtin_shufflevector(low01, low23, 2, 3, 6, 7),
                              __builtin_shufflevector(high01, high23, 0, 1, 4, 5),
                              __builtin_shufflevector(high01, high23, 2, 3, 6, 7)};
        for (int x = 0; x < 4; ++x) {
            for (int c = 0; c < 3; ++c)
                blocks.colour[c][4 * y + x] = toFloat((pixels[x] >> (8 * c)) & 0xff);
            blocks.alpha[4 * y + x] = (pixels[x] >> 24) & 0xff;
        }
    }
    return blocks;
}

// Turns the blocks' RGB into scaled YCoCg: luma for the alpha block, and Co and Cg around 128,
// multiplied by the block's scale (1, 2 or 4, the largest that keeps them in range), with the
// scale in the top bits of blue: a decoder gives (Y + Co - Cg, Y + Cg, Y - Co - Cg).
void toScaledYCoCg(FourBlocks& blocks) {
    F4 co[16], cg[16], largest = {};
    for (int i = 0; i < 16; ++i) {
        const F4 r = blocks.colour[0][i], g = blocks.colour[1][i], b = blocks.colour[2][i];
        blocks.alpha[i] = toInt((r + 2.0f * g + b) * 0.25f + 0.5f);
        co[i] = (r - b) * 0.5f;
        cg[i] = (2.0f * g - r - b) * 0.25f;
        largest = magnitude(co[i]) > largest ? magnitude(co[i]) : largest;
        largest = magnitude(cg[i]) > largest ? magnitude(cg[i]) : largest;
    }
    const F4 scale = largest < 31.75f ? F4{} + 4.0f : largest < 63.5f ? F4{} + 2.0f : F4{} + 1.0f;
    // Blue as a decoder expands the 5 bits of scale - 1.
    const I4 bits = toInt(scale) - 1;
    const F4 blue = toFloat((bits << 3) | (bits >> 2));
    for (int i = 0; i < 16; ++i) {
        blocks.colour[0][i] = clamp(co[i] * scale + 128.0f, 0.0f, 255.0f);
        blocks.colour[1][i] = clamp(cg[i] * scale + 128.0f, 0.0f, 255.0f);
        blocks.colour[2][i] = blue;
    }
}

// Colours to 5:6:5 and back as a decoder expands them.
I4 to565(const F4 c[3]) {
    const I4 r5 = toInt(clamp(c[0] * (31.0f / 255.0f) + 0.5f, 0.0f, 31.0f));
    const I4 g6 = toInt(clamp(c[1] * (63.0f / 255.0f) + 0.5f, 0.0f, 63.0f));
    const I4 b5 = toInt(clamp(c[2] * (31.0f / 255.0f) + 0.5f, 0.0f, 31.0f));
    return (r5 << 11) | (g6 << 5) | b5;
}
void from565(I4 c, F4 out[3]) {
    const I4 r5 = c >> 11, g6 = (c >> 5) & 63, b5 = c & 31;
    out[0] = toFloat((r5 << 3) | (r5 >> 2));
    out[1] = toFloat((g6 << 2) | (g6 >> 4));
    out[2] = toFloat((b5 << 3) | (b5 >> 2));
}

// The DXT1 colour blocks: endpoints where the pixels end along their principal axis (found by
// power iteration on the colours' covariance), each pixel indexed to the nearest of the four
// colours between. (Fitting the endpoints again to those indices by least squares gains 0.4 dB
// at twice the work.) `out[b]` receives block b's 8 bytes.
void compressColours(const FourBlocks& blocks, std::uint8_t* const out[4]) {
    const auto& colour = blocks.colour;
    F4 mean[3] = {};
    for (int i = 0; i < 16; ++i)
        for (int c = 0; c < 3; ++c)
            mean[c] += colour[c][i];
    for (F4& m : mean)
        m *= 1.0f / 16.0f;
    F4 rr = {}, rg = {}, rb = {}, gg = {}, gb = {}, bb = {};
    for (int i = 0; i < 16; ++i) {
        const F4 r = colour[0][i] - mean[0], g = colour[1][i] - mean[1], b = colour[2][i] - mean[2];
        rr += r * r;
        rg += r * g;
        rb += r * b;
        gg += g * g;
        gb += g * b;
        bb += b * b;
    }
    // Power iteration from the row of the channel that varies most.
    const I4 redWidest = (rr >= gg) & (rr >= bb);
    const I4 greenWidest = ~redWidest & (gg >= bb);
    F4 axis[3] = {redWidest     ? rr
                  : greenWidest ? rg
                                : rb,
                  redWidest     ? rg
                  : greenWidest ? gg
                                : gb,
                  redWidest     ? rb
                  : greenWidest ? gb
                                : bb};
    for (int step = 0; step < 2; ++step) {
        const F4 next[3] = {rr * axis[0] + rg * axis[1] + rb * axis[2],
                            rg * axis[0] + gg * axis[1] + gb * axis[2],
                            rb * axis[0] + gb * axis[1] + bb * axis[2]};
        F4 largest = magnitude(next[0]);
        largest = magnitude(next[1]) > largest ? magnitude(next[1]) : largest;
        largest = magnitude(next[2]) > largest ? magnitude(next[2]) : largest;
        const I4 moves = largest > 1e-3f;
        const F4 inverse = 1.0f / (moves ? largest : F4{} + 1.0f);
        for (int c = 0; c < 3; ++c)
            axis[c] = moves ? next[c] * inverse : axis[c];
    }
    const F4 axisLength = axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2];
    const I4 flat = axisLength <= 1e-6f;
    F4 lowest = {}, highest = {};
    for (int i = 0; i < 16; ++i) {
        const F4 t = (colour[0][i] - mean[0]) * axis[0] + (colour[1][i] - mean[1]) * axis[1] +
                     (colour[2][i] - mean[2]) * axis[2];
        lowest = t < lowest ? t : lowest;
        highest = t > highest ? t : highest;
    }
    const F4 inverseLength = 1.0f / (flat ? F4{} + 1.0f : axisLength);
    const F4 from = flat ? F4{} : lowest * inverseLength;
    const F4 to = flat ? F4{} : highest * inverseLength;
    F4 high[3], low[3];
    for (int c = 0; c < 3; ++c) {
        high[c] = mean[c] + to * axis[c];
        low[c] = mean[c] + from * axis[c];
    }
    // The four-colour order wants the first endpoint the greater.
    const I4 first = to565(high), second = to565(low);
    const I4 swapped = first < second;
    const I4 c0 = swapped ? second : first, c1 = swapped ? first : second;
    F4 a[3], b[3];
    from565(c0, a);
    from565(c1, b);
    const F4 d[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    const F4 length = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    const I4 single = length <= 0.0f;
    const F4 scale = single ? F4{} : 3.0f / (single ? F4{} + 1.0f : length);
    U4 indices = {};
    for (int i = 0; i < 16; ++i) {
        const F4 t = ((colour[0][i] - b[0]) * d[0] + (colour[1][i] - b[1]) * d[1] +
                      (colour[2][i] - b[2]) * d[2]) *
                         scale +
                     0.5f;
        // Step 0 is c1 (index 1), step 3 c0 (index 0); steps 1 and 2 are indices 3 and 2.
        const I4 x = (4 - toInt(clamp(t, 0.0f, 3.0f))) & 3;
        indices |= __builtin_convertvector(x ^ ((x < 2) & 1), U4) << (2 * i);
    }
    indices = single ? U4{} : indices;
    for (int lane = 0; lane < 4; ++lane) {
        const std::uint32_t words[2] = {std::uint32_t(c0[lane]) | std::uint32_t(c1[lane]) << 16,
                                        indices[lane]};
        for (int k = 0; k < 8; ++k)
            out[lane][k] = std::uint8_t(words[k / 4] >> (8 * (k % 4)));
    }
}

// The DXT5 alpha blocks: each block's lowest and highest alpha with the six steps between.
// `out[b]` receives block b's 8 bytes.
void compressAlpha(const FourBlocks& blocks, std::uint8_t* const out[4]) {
    const auto& alpha = blocks.alpha;
    I4 lowest = I4{} + 255, highest = {};
    for (int i = 0; i < 16; ++i) {
        lowest = alpha[i] < lowest ? alpha[i] : lowest;
        highest = alpha[i] > highest ? alpha[i] : highest;
    }
    const I4 range = highest - lowest;
    const F4 scale = 7.0f / toFloat(range > 0 ? range : I4{} + 1);
    I4 indices[2] = {}; // pixels 0 to 7 and 8 to 15, 3 bits each
    for (int i = 0; i < 16; ++i) {
        // Step 0 is the lowest (index 1), step 7 the highest (index 0), steps between count down.
        const I4 step = toInt(toFloat(alpha[i] - lowest) * scale + 0.5f);
        const I4 index = step == 7 ? I4{} : step == 0 ? I4{} + 1 : 8 - step;
        indices[i / 8] |= index << (3 * (i % 8));
    }
    for (int lane = 0; lane < 4; ++lane) {
        const std::uint64_t bits = std::uint64_t(std::uint32_t(indices[0][lane])) |
                                   std::uint64_t(std::uint32_t(indices[1][lane])) << 24;
        out[lane][0] = std::uint8_t(highest[lane]);
        out[lane][1] = std::uint8_t(lowest[lane]);
        for (int k = 0; k < 6; ++k)
            out[lane][2 + k] = std::uint8_t(bits >> (8 * k));
    }
}

int blockBytes(Texture texture) {
    return texture == Texture::RgbDxt1 ? 8 : 16;
}

// Compresses the block rows [firstRow, endRow) of the picture into `out`, four blocks at a
// time; the picture's last column and row stand in for pixels past its edges.
void compressRows(Texture texture, const Picture& picture, int firstRow, int endRow,
                  std::uint8_t* out) {
    const int blocksWide = (picture.width + 3) / 4;
    const int bytes = blockBytes(texture);
    std::uint8_t rows[4][64];
    std::uint8_t spare[16];
    for (int row = firstRow; row < endRow; ++row) {
        const std::uint8_t* lines[4];
        for (int y = 0; y < 4; ++y)
            lines[y] =
                picture.pixels + std::min(4 * row + y, picture.height - 1) * picture.bytesPerLine;
        for (int column = 0; column < blocksWide; column += 4) {
            const int x0 = 4 * column;
            for (int y = 0; y < 4; ++y) {
                if (x0 + 16 <= picture.width) {
                    std::memcpy(rows[y], lines[y] + 4 * x0, 64);
                    continue;
                }
                for (int x = 0; x < 16; ++x)
                    std::memcpy(rows[y] + 4 * x, lines[y] + 4 * std::min(x0 + x, picture.width - 1),
                                4);
            }
            FourBlocks blocks = loadFourBlocks(rows);
            if (texture == Texture::ScaledYCoCgDxt5)
                toScaledYCoCg(blocks);
            std::uint8_t* targets[4];
            for (int b = 0; b < 4; ++b)
                targets[b] = column + b < blocksWide ? out + bytes * b : spare;
            if (texture != Texture::RgbDxt1) {
                compressAlpha(blocks, targets);
                for (std::uint8_t*& target : targets)
                    target = target == spare ? spare : target + 8;
            }
            compressColours(blocks, targets);
            out += bytes * std::min(4, blocksWide - column);
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

// The Snappy encoding of `in`, at most snappyBound(n) bytes, written into `out`; its length.
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

std::size_t maxFrameBytes(Texture texture, int width, int height, int chunks) {
    chunks = chunkCount(chunks, height);
    const std::size_t textureBytes =
        std::size_t((width + 3) / 4) * std::size_t((height + 3) / 4) * blockBytes(texture);
    // Each chunk is kept as it is when Snappy does not make it smaller.
    return 8 + instructionBytes(chunks) + textureBytes;
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
