#pragma once

#include <cstddef>

class QImage;

// Images: reference-counted pixel pictures (top row first, as stored), used as masks and drawn
// upright into y-up contexts.

struct CGImage;
using CGImageRef = const CGImage*;

// A copy of `image`; nullptr for a null image.
CGImageRef CGImageCreateWithQImage(const QImage& image);
CGImageRef CGImageRetain(CGImageRef image);
// Accepts nullptr.
void CGImageRelease(CGImageRef image);
std::size_t CGImageGetWidth(CGImageRef image);
std::size_t CGImageGetHeight(CGImageRef image);
// The pixels (a null image for nullptr).
const QImage& CGImageGetQImage(CGImageRef image);
// The coverage the image gives as a mask: its alpha where it has an alpha channel, otherwise
// its grey level (white paints, black masks out), as an 8-bit alpha image.
QImage CGImageMaskCoverage(CGImageRef image);
