#pragma once

// The Animation encoder's settings and the picture conversion it needs, shared by the one-thread
// writer and the encoder pool so that both make the same packets. Included only by .cpp files of
// this folder.

#include "platform/qtkit/FFmpegPtr.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace qtkit {

// Pictures per group: the encoder codes a key frame every this many pictures, and every other
// picture against the one before it.
constexpr int kAnimationGroupSize = 12;

// An Animation (qtrle, 32-bit ARGB) encoder for pictures of `width` x `height` at `timeScale`
// units per second. Null and `out_error` on failure.
CodecContextPtr openAnimationEncoder(int width, int height, int timeScale, QString* out_error);

// A frame of the encoder's pixel format and size with its own buffer. Null on failure.
FramePtr makeAnimationFrame(int width, int height);

// Copies straight-alpha RGBA rows into ARGB rows.
void convertRgbaToArgb(const std::uint8_t* rgba, std::ptrdiff_t rgbaStride, int width, int height,
                       std::uint8_t* argb, std::ptrdiff_t argbStride);

} // namespace qtkit
