#pragma once

#include "platform/corefoundation/CFBase.h"
#include "platform/coregraphics/CGImage.h"

namespace CoreGraphics {

// Holds one image reference, released when the holder goes.
class ImageData {
public:
    ImageData() = default;
    ~ImageData();
    ImageData(const ImageData&) = delete;
    ImageData& operator=(const ImageData&) = delete;

    CGImageRef image() const { return mImageRef; }
    // Takes over `image`, releasing the one held before.
    void reset(CGImageRef image);

    // A new URL (the caller releases it) of the resource "<name>.<type>" of the main bundle, or
    // null when there is none.
    static CFURLRef ResourceURL(CFStringRef name, CFStringRef type);
    // The same for a UTF-8 name; null when the name is not UTF-8.
    static CFURLRef ResourceURL(const char* name, CFStringRef type);

private:
    CGImageRef mImageRef = nullptr;
};

} // namespace CoreGraphics
