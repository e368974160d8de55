#pragma once

// The Animation codec (QuickTime 'rle ', 32-bit ARGB) as this program writes it, shared by the
// one-thread writer and the encoder pool so that both make the same packets. Included only by
// .cpp files of this folder.

#include <QImage>

#include <cstddef>
#include <cstdint>

struct AVBufferPool;
struct AVCodecParameters;
struct AVPacket;

namespace qtkit {

// Pictures per group: a key frame every this many pictures, and every other picture coded against
// the one before it.
constexpr int kAnimationGroupSize = 12;

// Whether picture `index` of a movie (from 0) starts a group.
constexpr bool isAnimationKeyPicture(std::int64_t index) {
    return index % kAnimationGroupSize == 0;
}

// Describes an Animation track of `width` x `height` pictures.
void setAnimationCodecParameters(AVCodecParameters* parameters, int width, int height);

// The most bytes a picture of this size takes once coded.
std::size_t animationPictureBound(int width, int height);

// Memory for the packets of pictures of one size, taken back once a packet lets go of it, so that
// coding a long movie keeps using the same few blocks however other threads use the heap.
// Thread-safe; may go before the packets it gave.
class AnimationPacketMemory {
public:
    AnimationPacketMemory(int width, int height);
    ~AnimationPacketMemory();
    AnimationPacketMemory(const AnimationPacketMemory&) = delete;
    AnimationPacketMemory& operator=(const AnimationPacketMemory&) = delete;
    // Fills `packet` with a block of animationPictureBound bytes; false when memory runs out.
    bool fill(AVPacket* packet);

private:
    AVBufferPool* mPool = nullptr;
    std::size_t mBytes = 0;
};

// Codes one picture of straight-alpha RGBA rows into `packet` (which it fills from `memory`, or
// allocates without), losslessly: a
// key frame holding every pixel when `previous` is null, otherwise only what differs from
// `previous`, the picture before it (same size and layout). False when memory runs out.
//
// Each line is coded greedily: pixels equal to the previous picture's are skipped, runs of two or
// more equal pixels repeated, and the rest copied; lines that did not change at the top and the
// bottom of the picture are left out.
bool encodeAnimationPicture(const std::uint8_t* rgba, std::ptrdiff_t stride,
                            const std::uint8_t* previous, std::ptrdiff_t previousStride, int width,
                            int height, AVPacket* packet, AnimationPacketMemory* memory = nullptr);

// Codes the pictures of a sequence, or of whole groups of it, in order: a key frame where a group
// starts, otherwise against the picture coded before, which it keeps by reference until its group
// ends. Packets come from memory of its own.
class AnimationSequenceCoder {
public:
    AnimationSequenceCoder(int width, int height);
    // Codes `picture` (straight RGBA of the coder's size) as picture `index` of the sequence into
    // `packet`. False when memory runs out.
    bool code(const QImage& picture, std::int64_t index, AVPacket* packet);

private:
    int mWidth;
    int mHeight;
    QImage mPrevious;
    AnimationPacketMemory mMemory;
};

} // namespace qtkit
