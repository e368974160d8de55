#pragma once

#include "platform/appkit/NSNib.h"

#include <QPair>
#include <QString>

#include <memory>
#include <vector>

// One element of an interface file, as read.
struct NSNib::Element {
    QString tag;
    QList<QPair<QString, QString>> attributes; // in file order
    std::vector<Element> children;
    qint64 line = 0;

    QString attribute(const QString& name) const;
    bool hasAttribute(const QString& name) const;
};

// Reads an interface file's XML into its element tree; null and `out_error` when the text is
// not a well-formed interface file (an <interface> root).
std::shared_ptr<const NSNib::Element> NSNibReadElements(const QByteArray& xml, QString* out_error);

// The value of a setting written as text for a property or setter of type `type`: "x y w h" for
// rectangles, "w h" for sizes, "x y" for points, YES/NO (or true/false, 1/0) for booleans.
// Invalid when the text does not fit the type.
QVariant NSNibValueFromText(const QString& text, QMetaType type);
