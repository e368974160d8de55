#include "platform/coregraphics/CGContextInternal.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

CGContext::~CGContext() {
    if (painter)
        for (std::size_t i = 0; i < saved.size(); ++i)
            painter->restore();
    if (ownPainter)
        ownPainter->end();
}

void CGContext::record(const char* name, std::initializer_list<CGFloat> args) {
    if (recording)
        calls.push_back(CGRecordedCall{name, std::vector<CGFloat>(args), state.ctm, {}});
}

QTransform CGQTransform(const CGAffineTransform& t) {
    return QTransform(t.a, t.b, t.c, t.d, t.tx, t.ty);
}

QColor CGClampedColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha) {
    auto unit = [](CGFloat value) {
        return std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0);
    };
    return QColor::fromRgbF(float(unit(red)), float(unit(green)), float(unit(blue)),
                            float(unit(alpha)));
}

QRectF CGQRect(const CGRect& rect) {
    return QRectF(CGRectGetMinX(rect), CGRectGetMinY(rect), CGRectGetWidth(rect),
                  CGRectGetHeight(rect));
}

CGContextRef CGContextCreateWithPainter(QPainter* painter) {
    if (!painter || !painter->isActive())
        return nullptr;
    auto* context = new CGContext;
    context->painter = painter;
    return context;
}

CGContextRef CGBitmapContextCreateWithImage(QImage* image) {
    if (!image || image->isNull())
        return nullptr;
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(image))
        return nullptr;
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    const double height = image->height() / image->devicePixelRatio();
    painter->translate(0, height);
    painter->scale(1, -1);
    auto* context = new CGContext;
    context->painter = painter.get();
    context->ownPainter = std::move(painter);
    return context;
}

CGContextRef CGContextCreateRecording() {
    auto* context = new CGContext;
    context->recording = true;
    return context;
}

CGContextRef CGContextRetain(CGContextRef context) {
    if (context)
        context->retainCount.fetch_add(1, std::memory_order_relaxed);
    return context;
}

void CGContextRelease(CGContextRef context) {
    if (context && context->retainCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete context;
}

QPainter* CGContextGetPainter(CGContextRef context) {
    return context ? context->painter : nullptr;
}

std::vector<CGRecordedCall> CGContextCopyRecordedCalls(CGContextRef context) {
    return context ? context->calls : std::vector<CGRecordedCall>{};
}

std::vector<CGRecordedCall> CGContextCopyRecordedCallsNamed(CGContextRef context,
                                                            const std::string& name) {
    std::vector<CGRecordedCall> result;
    if (context)
        std::copy_if(context->calls.begin(), context->calls.end(), std::back_inserter(result),
                     [&](const CGRecordedCall& call) { return call.name == name; });
    return result;
}

void CGContextSaveGState(CGContextRef context) {
    if (!context)
        return;
    context->record("CGContextSaveGState", {});
    context->saved.push_back(context->state);
    if (context->painter)
        context->painter->save();
}

void CGContextRestoreGState(CGContextRef context) {
    if (!context)
        return;
    context->record("CGContextRestoreGState", {});
    if (context->saved.empty())
        return;
    context->state = context->saved.back();
    context->saved.pop_back();
    if (context->painter)
        context->painter->restore();
}

int CGContextGetGStateDepth(CGContextRef context) {
    return context ? int(context->saved.size()) : 0;
}

CGAffineTransform CGContextGetCTM(CGContextRef context) {
    return context ? context->state.ctm : CGAffineTransformIdentity;
}

void CGContextConcatCTM(CGContextRef context, CGAffineTransform transform) {
    if (!context)
        return;
    context->record("CGContextConcatCTM", {transform.a, transform.b, transform.c, transform.d,
                                           transform.tx, transform.ty});
    context->state.ctm = CGAffineTransformConcat(transform, context->state.ctm);
    if (context->painter)
        context->painter->setWorldTransform(CGQTransform(transform), true);
}

void CGContextTranslateCTM(CGContextRef context, CGFloat tx, CGFloat ty) {
    if (!context)
        return;
    context->record("CGContextTranslateCTM", {tx, ty});
    const CGAffineTransform t = CGAffineTransformMakeTranslation(tx, ty);
    context->state.ctm = CGAffineTransformConcat(t, context->state.ctm);
    if (context->painter)
        context->painter->setWorldTransform(CGQTransform(t), true);
}

void CGContextScaleCTM(CGContextRef context, CGFloat sx, CGFloat sy) {
    if (!context)
        return;
    context->record("CGContextScaleCTM", {sx, sy});
    const CGAffineTransform t = CGAffineTransformMakeScale(sx, sy);
    context->state.ctm = CGAffineTransformConcat(t, context->state.ctm);
    if (context->painter)
        context->painter->setWorldTransform(CGQTransform(t), true);
}

void CGContextSetRGBFillColor(CGContextRef context, CGFloat red, CGFloat green, CGFloat blue,
                              CGFloat alpha) {
    if (!context)
        return;
    context->record("CGContextSetRGBFillColor", {red, green, blue, alpha});
    context->state.fill = CGClampedColor(red, green, blue, alpha);
}

void CGContextSetRGBStrokeColor(CGContextRef context, CGFloat red, CGFloat green, CGFloat blue,
                                CGFloat alpha) {
    if (!context)
        return;
    context->record("CGContextSetRGBStrokeColor", {red, green, blue, alpha});
    context->state.stroke = CGClampedColor(red, green, blue, alpha);
}

void CGContextSetAlpha(CGContextRef context, CGFloat alpha) {
    if (!context)
        return;
    context->record("CGContextSetAlpha", {alpha});
    context->state.alpha = std::isnan(alpha) ? 0.0 : std::clamp(alpha, 0.0, 1.0);
    if (context->painter)
        context->painter->setOpacity(context->state.alpha);
}

void CGContextSetLineWidth(CGContextRef context, CGFloat width) {
    if (!context)
        return;
    context->record("CGContextSetLineWidth", {width});
    context->state.lineWidth = std::isfinite(width) ? std::max(0.0, width) : 0.0;
}

void CGContextSetLineCap(CGContextRef context, CGLineCap cap) {
    if (!context)
        return;
    context->record("CGContextSetLineCap", {CGFloat(cap)});
    context->state.cap = cap;
}
