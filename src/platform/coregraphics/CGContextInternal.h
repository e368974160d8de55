#pragma once

// The context's inside, shared by the files that implement its calls.

#include "platform/coregraphics/CGRecordingContext.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QTransform>

#include <atomic>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

struct CGGState {
    CGAffineTransform ctm;
    QColor fill = Qt::black;
    QColor stroke = Qt::black;
    CGFloat lineWidth = 1;
    CGLineCap cap = kCGLineCapButt;
    CGFloat alpha = 1;
    // The mask clip: coverage in `maskRect`, placed with the painter's transform at clip time.
    QImage mask;
    CGRect maskRect;
    QTransform maskTransform;
};

struct CGContext {
    QPainter* painter = nullptr;
    // For bitmap contexts: the painter the context made and owns.
    std::unique_ptr<QPainter> ownPainter;
    bool recording = false;
    std::vector<CGRecordedCall> calls;
    std::vector<CGGState> saved;
    CGGState state;
    QPainterPath path;
    std::vector<CGPathElementData> pathElements;
    std::atomic<int> retainCount{1};

    ~CGContext();
    void record(const char* name, std::initializer_list<CGFloat> args);
};

QTransform CGQTransform(const CGAffineTransform& t);
QColor CGClampedColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
QRectF CGQRect(const CGRect& rect);
// Draws with `draw` on the context's painter, through its mask when one is set.
void CGPaint(CGContextRef context, const std::function<void(QPainter&)>& draw);
// Draws `image` (top row first) upright into `rect` of a y-up painter.
void CGDrawImageUpright(QPainter& painter, const QRectF& rect, const QImage& image);
