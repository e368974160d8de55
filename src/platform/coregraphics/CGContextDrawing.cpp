#include "platform/coregraphics/CGContextInternal.h"

#include <QLinearGradient>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace {

Qt::PenCapStyle penCap(CGLineCap cap) {
    switch (cap) {
    case kCGLineCapRound:
        return Qt::RoundCap;
    case kCGLineCapSquare:
        return Qt::SquareCap;
    default:
        return Qt::FlatCap;
    }
}

QPen strokePen(const CGGState& state) {
    QPen pen(state.stroke, state.lineWidth, Qt::SolidLine, penCap(state.cap), Qt::MiterJoin);
    return pen;
}

void appendToPainterPath(QPainterPath& path, const CGPathElementData& element) {
    switch (element.type) {
    case kCGPathElementMoveToPoint:
        path.moveTo(element.points[0].x, element.points[0].y);
        break;
    case kCGPathElementAddLineToPoint:
        path.lineTo(element.points[0].x, element.points[0].y);
        break;
    case kCGPathElementAddQuadCurveToPoint:
        path.quadTo(element.points[0].x, element.points[0].y, element.points[1].x,
                    element.points[1].y);
        break;
    case kCGPathElementAddCurveToPoint:
        path.cubicTo(element.points[0].x, element.points[0].y, element.points[1].x,
                     element.points[1].y, element.points[2].x, element.points[2].y);
        break;
    case kCGPathElementCloseSubpath:
        path.closeSubpath();
        break;
    case kCGPathElementAddArc: {
        // QPainterPath measures angles clockwise in its own y-down sense: negate them.
        const double r = element.radius;
        CGFloat sweep = element.endAngle - element.startAngle;
        if (element.clockwise)
            while (sweep > 0)
                sweep -= 2 * std::numbers::pi;
        else
            while (sweep < 0)
                sweep += 2 * std::numbers::pi;
        path.arcTo(QRectF(element.center.x - r, element.center.y - r, 2 * r, 2 * r),
                   -element.startAngle * 180 / std::numbers::pi, -sweep * 180 / std::numbers::pi);
        break;
    }
    }
}

} // namespace

void CGDrawImageUpright(QPainter& painter, const QRectF& rect, const QImage& image) {
    painter.save();
    painter.setWorldTransform(QTransform(1, 0, 0, -1, 0, 2 * rect.y() + rect.height()), true);
    painter.drawImage(rect, image);
    painter.restore();
}

void CGPaint(CGContextRef context, const std::function<void(QPainter&)>& draw) {
    QPainter* painter = context->painter;
    if (!painter)
        return;
    const CGGState& state = context->state;
    if (state.mask.isNull()) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        draw(*painter);
        painter->restore();
        return;
    }
    // Drawing through a mask: paint into a layer over the mask's area, keep only what the mask
    // covers, then lay the layer onto the painter.
    const QRectF area = state.maskTransform.mapRect(CGQRect(state.maskRect));
    const QRect pixels = area.toAlignedRect();
    if (pixels.isEmpty())
        return;
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QImage layer(pixels.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    {
        QPainter layerPainter(&layer);
        layerPainter.setRenderHint(QPainter::Antialiasing);
        layerPainter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QTransform offset = QTransform::fromTranslate(-pixels.x(), -pixels.y());
        layerPainter.setWorldTransform(painter->worldTransform() * offset);
        layerPainter.setOpacity(state.alpha);
        draw(layerPainter);
        layerPainter.setOpacity(1);
        layerPainter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        layerPainter.setWorldTransform(state.maskTransform * offset);
        CGDrawImageUpright(layerPainter, CGQRect(state.maskRect), state.mask);
    }
    painter->save();
    painter->resetTransform();
    painter->setOpacity(1);
    painter->drawImage(QPointF(pixels.topLeft()), layer);
    painter->restore();
}

void CGContextStrokeLineSegments(CGContextRef context, const CGPoint* points, std::size_t count) {
    if (!context || !points)
        return;
    if (context->recording) {
        std::vector<CGFloat> args;
        for (std::size_t i = 0; i < count; ++i) {
            args.push_back(points[i].x);
            args.push_back(points[i].y);
        }
        context->calls.push_back(
            CGRecordedCall{"CGContextStrokeLineSegments", args, context->state.ctm, {}});
    }
    const CGGState state = context->state;
    CGPaint(context, [&](QPainter& painter) {
        painter.setPen(strokePen(state));
        for (std::size_t i = 0; i + 1 < count; i += 2)
            painter.drawLine(QPointF(points[i].x, points[i].y),
                             QPointF(points[i + 1].x, points[i + 1].y));
    });
}

void CGContextFillRect(CGContextRef context, CGRect rect) {
    if (!context)
        return;
    context->record("CGContextFillRect",
                    {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height});
    const QColor fill = context->state.fill;
    CGPaint(context, [&](QPainter& painter) { painter.fillRect(CGQRect(rect), fill); });
}

void CGContextFillEllipseInRect(CGContextRef context, CGRect rect) {
    if (!context)
        return;
    context->record("CGContextFillEllipseInRect",
                    {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height});
    const QColor fill = context->state.fill;
    CGPaint(context, [&](QPainter& painter) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawEllipse(CGQRect(rect));
    });
}

void CGContextClearRect(CGContextRef context, CGRect rect) {
    if (!context)
        return;
    context->record("CGContextClearRect",
                    {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height});
    CGPaint(context, [&](QPainter& painter) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(CGQRect(rect), Qt::transparent);
    });
}

void CGContextBeginPath(CGContextRef context) {
    if (!context)
        return;
    context->record("CGContextBeginPath", {});
    context->path = QPainterPath();
    context->pathElements.clear();
}

void CGContextAddPath(CGContextRef context, CGPathRef path) {
    if (!context || !path)
        return;
    std::vector<CGPathElementData> elements;
    for (std::size_t i = 0; i < CGPathGetElementCount(path); ++i)
        elements.push_back(CGPathGetElementAt(path, i));
    if (context->recording)
        context->calls.push_back(
            CGRecordedCall{"CGContextAddPath", {}, context->state.ctm, elements});
    for (const CGPathElementData& element : elements)
        appendToPainterPath(context->path, element);
    context->pathElements.insert(context->pathElements.end(), elements.begin(), elements.end());
}

void CGContextDrawPath(CGContextRef context, CGPathDrawingMode mode) {
    if (!context)
        return;
    context->record("CGContextDrawPath", {CGFloat(mode)});
    QPainterPath path = context->path;
    path.setFillRule(mode == kCGPathEOFill || mode == kCGPathEOFillStroke ? Qt::OddEvenFill
                                                                          : Qt::WindingFill);
    const CGGState state = context->state;
    CGPaint(context, [&](QPainter& painter) {
        if (mode != kCGPathStroke)
            painter.fillPath(path, state.fill);
        if (mode == kCGPathStroke || mode == kCGPathFillStroke || mode == kCGPathEOFillStroke)
            painter.strokePath(path, strokePen(state));
    });
    context->path = QPainterPath();
    context->pathElements.clear();
}

void CGContextFillPath(CGContextRef context) {
    CGContextDrawPath(context, kCGPathFill);
}

void CGContextStrokePath(CGContextRef context) {
    CGContextDrawPath(context, kCGPathStroke);
}

void CGContextClipToMask(CGContextRef context, CGRect rect, CGImageRef mask) {
    if (!context || !mask)
        return;
    context->record("CGContextClipToMask",
                    {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height});
    CGGState& state = context->state;
    // A newer mask replaces an older one.
    state.mask = CGImageMaskCoverage(mask);
    state.maskRect = rect;
    state.maskTransform = context->painter ? context->painter->worldTransform() : QTransform();
}

void CGContextDrawShading(CGContextRef context, CGShadingRef shading) {
    if (!context || !shading)
        return;
    const CGPoint start = CGShadingGetStart(shading), end = CGShadingGetEnd(shading);
    context->record("CGContextDrawShading", {start.x, start.y, end.x, end.y});
    QLinearGradient gradient(QPointF(start.x, start.y), QPointF(end.x, end.y));
    constexpr int kStops = 64;
    for (int i = 0; i <= kStops; ++i) {
        CGFloat rgba[4];
        CGShadingColorAt(shading, CGFloat(i) / kStops, rgba);
        gradient.setColorAt(double(i) / kStops, CGClampedColor(rgba[0], rgba[1], rgba[2], rgba[3]));
    }
    gradient.setSpread(QGradient::PadSpread);
    // Without extension the shading stops at the lines through its ends across the axis.
    const double dx = end.x - start.x, dy = end.y - start.y;
    const double length = std::hypot(dx, dy);
    if (length == 0)
        return;
    const double far = 1e6;
    const QPointF across(-dy / length * far, dx / length * far);
    const QPointF along(dx / length * far, dy / length * far);
    QPointF a(start.x, start.y), b(end.x, end.y);
    if (CGShadingExtendsStart(shading))
        a -= along;
    if (CGShadingExtendsEnd(shading))
        b += along;
    QPainterPath band;
    band.addPolygon(QPolygonF({a + across, b + across, b - across, a - across}));
    band.closeSubpath();
    CGPaint(context, [&](QPainter& painter) { painter.fillPath(band, gradient); });
}

void CGContextDrawImage(CGContextRef context, CGRect rect, CGImageRef image) {
    if (!context || !image)
        return;
    context->record("CGContextDrawImage",
                    {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height});
    CGPaint(context, [&](QPainter& painter) {
        CGDrawImageUpright(painter, CGQRect(rect), CGImageGetQImage(image));
    });
}

void CGContextDrawPDFPage(CGContextRef context, CGPDFPageRef page) {
    if (!context || !page)
        return;
    const CGRect box = CGPDFPageGetBoxRect(page, kCGPDFMediaBox);
    context->record("CGContextDrawPDFPage",
                    {box.origin.x, box.origin.y, box.size.width, box.size.height});
    QPainter* painter = context->painter;
    if (!painter)
        return;
    // Rasterise at the size the page takes on the device, so that it is sharp at any scale.
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QRectF onDevice = painter->worldTransform().mapRect(CGQRect(box));
    const QSize pixels = (onDevice.size() * ratio).toSize().expandedTo(QSize(1, 1));
    if (pixels.width() > 8192 || pixels.height() > 8192)
        return;
    const QImage picture = CGPDFPageRenderImage(page, pixels);
    if (picture.isNull())
        return;
    CGPaint(context, [&](QPainter& p) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        CGDrawImageUpright(p, CGQRect(box), picture);
    });
}
