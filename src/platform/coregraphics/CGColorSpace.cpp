#include "platform/coregraphics/CGColorSpace.h"

#include <atomic>
#include <cstring>

const char* const kCGColorSpaceGenericRGB = "kCGColorSpaceGenericRGB";
const char* const kCGColorSpaceSRGB = "kCGColorSpaceSRGB";

struct CGColorSpace {
    const char* name;
    int components;
    std::atomic<int> retainCount{1};
};

CGColorSpaceRef CGColorSpaceCreateWithName(const char* in_name) {
    if (in_name == nullptr)
        return nullptr;
    // The name constants are compared by value so that a copied name text works too.
    if (in_name == kCGColorSpaceGenericRGB || std::strcmp(in_name, kCGColorSpaceGenericRGB) == 0)
        return new CGColorSpace{kCGColorSpaceGenericRGB, 3};
    if (in_name == kCGColorSpaceSRGB || std::strcmp(in_name, kCGColorSpaceSRGB) == 0)
        return new CGColorSpace{kCGColorSpaceSRGB, 3};
    return nullptr;
}

CGColorSpaceRef CGColorSpaceRetain(CGColorSpaceRef in_space) {
    if (in_space != nullptr)
        in_space->retainCount.fetch_add(1, std::memory_order_relaxed);
    return in_space;
}

void CGColorSpaceRelease(CGColorSpaceRef in_space) {
    if (in_space != nullptr && in_space->retainCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete in_space;
}

const char* CGColorSpaceGetName(CGColorSpaceRef in_space) {
    return in_space != nullptr ? in_space->name : nullptr;
}

int CGColorSpaceGetNumberOfComponents(CGColorSpaceRef in_space) {
    return in_space != nullptr ? in_space->components : 0;
}
