#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// The platform's geometry in points, y growing upwards. An NSRect's origin is its lower-left
// corner: read it with x() and y() and never with Qt's top() and bottom(), whose meaning is the
// other way round.
using NSPoint = QPointF;
using NSSize = QSizeF;
using NSRect = QRectF;

inline NSRect NSMakeRect(double x, double y, double width, double height) {
    return NSRect(x, y, width, height);
}

// The rectangle `rect` of a y-up space of height `height` in the y-down space of the same
// height, and back (the mapping is its own inverse).
inline QRectF NSFlipRect(const QRectF& rect, double height) {
    return QRectF(rect.x(), height - rect.y() - rect.height(), rect.width(), rect.height());
}
