#include "platform/coregraphics/CGShading.h"

#include <algorithm>
#include <atomic>
#include <cmath>

struct CGFunction {
    void* info = nullptr;
    CGFloat domain[2] = {0, 1};
    std::size_t rangeDimension = 0;
    CGFloat range[8] = {};
    CGFunctionCallbacks callbacks;
    std::atomic<int> retainCount{1};
};

struct CGShading {
    CGColorSpaceRef space = nullptr;
    CGFunctionRef function = nullptr;
    CGPoint start;
    CGPoint end;
    bool extendStart = false;
    bool extendEnd = false;
};

CGFunctionRef CGFunctionCreate(void* info, std::size_t domainDimension, const CGFloat* domain,
                               std::size_t rangeDimension, const CGFloat* range,
                               const CGFunctionCallbacks* callbacks) {
    if (!callbacks || !callbacks->evaluate || domainDimension != 1 || !domain || !range ||
        rangeDimension == 0 || rangeDimension > 4)
        return nullptr;
    auto* function = new CGFunction;
    function->info = info;
    function->domain[0] = domain[0];
    function->domain[1] = domain[1];
    function->rangeDimension = rangeDimension;
    std::copy_n(range, 2 * rangeDimension, function->range);
    function->callbacks = *callbacks;
    return function;
}

void CGFunctionRelease(CGFunctionRef function) {
    auto* f = const_cast<CGFunction*>(function);
    if (!f || f->retainCount.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    if (f->callbacks.releaseInfo)
        f->callbacks.releaseInfo(f->info);
    delete f;
}

CGShadingRef CGShadingCreateAxial(CGColorSpaceRef space, CGPoint start, CGPoint end,
                                  CGFunctionRef function, bool extendStart, bool extendEnd) {
    if (!space || !function)
        return nullptr;
    const std::size_t components = std::size_t(CGColorSpaceGetNumberOfComponents(space));
    if (function->rangeDimension != components && function->rangeDimension != components + 1)
        return nullptr;
    auto* shading = new CGShading;
    shading->space = CGColorSpaceRetain(space);
    const_cast<CGFunction*>(function)->retainCount.fetch_add(1, std::memory_order_relaxed);
    shading->function = function;
    shading->start = start;
    shading->end = end;
    shading->extendStart = extendStart;
    shading->extendEnd = extendEnd;
    return shading;
}

void CGShadingRelease(CGShadingRef shading) {
    if (!shading)
        return;
    CGColorSpaceRelease(shading->space);
    CGFunctionRelease(shading->function);
    delete shading;
}

CGPoint CGShadingGetStart(CGShadingRef shading) {
    return shading ? shading->start : CGPoint{};
}
CGPoint CGShadingGetEnd(CGShadingRef shading) {
    return shading ? shading->end : CGPoint{};
}
bool CGShadingExtendsStart(CGShadingRef shading) {
    return shading && shading->extendStart;
}
bool CGShadingExtendsEnd(CGShadingRef shading) {
    return shading && shading->extendEnd;
}

void CGShadingColorAt(CGShadingRef shading, CGFloat t, CGFloat out_rgba[4]) {
    out_rgba[0] = out_rgba[1] = out_rgba[2] = 0;
    out_rgba[3] = 1;
    if (!shading)
        return;
    const CGFunction* f = shading->function;
    const CGFloat input = f->domain[0] + std::clamp(t, 0.0, 1.0) * (f->domain[1] - f->domain[0]);
    CGFloat out[4] = {0, 0, 0, 1};
    f->callbacks.evaluate(f->info, &input, out);
    for (std::size_t i = 0; i < f->rangeDimension; ++i) {
        const CGFloat value = std::isfinite(out[i]) ? out[i] : f->range[2 * i];
        out[i] = std::clamp(value, f->range[2 * i], std::max(f->range[2 * i], f->range[2 * i + 1]));
    }
    std::copy_n(out, 4, out_rgba);
}
