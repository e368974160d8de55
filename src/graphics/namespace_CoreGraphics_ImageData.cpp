#include "graphics/namespace_CoreGraphics_ImageData.h"

#include "platform/corefoundation/CFBundle.h"
#include "platform/corefoundation/CFString.h"

namespace CoreGraphics {

ImageData::~ImageData() {
    reset(nullptr);
}

void ImageData::reset(CGImageRef image) {
    if (mImageRef)
        CGImageRelease(mImageRef);
    mImageRef = image;
}

CFURLRef ImageData::ResourceURL(CFStringRef name, CFStringRef type) {
    if (!name)
        return nullptr;
    return CFBundleCopyResourceURL(CFBundleGetMainBundle(), name, type, nullptr);
}

CFURLRef ImageData::ResourceURL(const char* name, CFStringRef type) {
    if (!name)
        return nullptr;
    CFStringRef string = CFStringCreateWithCString(nullptr, name, kCFStringEncodingUTF8);
    if (!string)
        return nullptr;
    CFURLRef url = ResourceURL(string, type);
    CFRelease(string);
    return url;
}

} // namespace CoreGraphics
