#include "platform/appkit/NSNibReader.h"

#include <QRectF>
#include <QXmlStreamReader>

#include <cmath>
#include <optional>

QString NSNib::Element::attribute(const QString& name) const {
    for (const auto& [key, value] : attributes) {
        if (key == name)
            return value;
    }
    return {};
}

bool NSNib::Element::hasAttribute(const QString& name) const {
    for (const auto& entry : attributes) {
        if (entry.first == name)
            return true;
    }
    return false;
}

namespace {

constexpr int kMaxDepth = 64;

bool readElement(QXmlStreamReader& reader, NSNib::Element& element, int depth) {
    element.tag = reader.name().toString();
    element.line = reader.lineNumber();
    for (const QXmlStreamAttribute& attribute : reader.attributes())
        element.attributes.append({attribute.name().toString(), attribute.value().toString()});
    if (depth > kMaxDepth) {
        reader.raiseError(QStringLiteral("elements nested deeper than %1").arg(kMaxDepth));
        return false;
    }
    while (reader.readNextStartElement()) {
        element.children.emplace_back();
        if (!readElement(reader, element.children.back(), depth + 1))
            return false;
    }
    return !reader.hasError();
}

std::optional<std::vector<double>> numbers(const QString& text, int count) {
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != count)
        return std::nullopt;
    std::vector<double> values;
    for (const QString& part : parts) {
        bool ok = false;
        const double value = part.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return std::nullopt;
        values.push_back(value);
    }
    return values;
}

} // namespace

std::shared_ptr<const NSNib::Element> NSNibReadElements(const QByteArray& xml, QString* out_error) {
    QXmlStreamReader reader(xml);
    auto root = std::make_shared<NSNib::Element>();
    if (!reader.readNextStartElement() || reader.name() != QLatin1StringView("interface")) {
        *out_error = reader.hasError() ? reader.errorString()
                                       : QStringLiteral("the root element is not <interface>");
        return nullptr;
    }
    if (!readElement(reader, *root, 0)) {
        *out_error =
            QStringLiteral("line %1: %2").arg(reader.lineNumber()).arg(reader.errorString());
        return nullptr;
    }
    // Nothing but white space and comments may follow the root.
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && !reader.hasError())
            reader.raiseError(QStringLiteral("more than one root element"));
    }
    if (reader.hasError() && reader.error() != QXmlStreamReader::PrematureEndOfDocumentError) {
        *out_error =
            QStringLiteral("line %1: %2").arg(reader.lineNumber()).arg(reader.errorString());
        return nullptr;
    }
    return root;
}

QVariant NSNibValueFromText(const QString& text, QMetaType type) {
    switch (type.id()) {
    case QMetaType::QRectF:
    case QMetaType::QRect:
        if (const auto v = numbers(text, 4))
            return QRectF((*v)[0], (*v)[1], (*v)[2], (*v)[3]);
        return {};
    case QMetaType::QSizeF:
    case QMetaType::QSize:
        if (const auto v = numbers(text, 2))
            return QSizeF((*v)[0], (*v)[1]);
        return {};
    case QMetaType::QPointF:
    case QMetaType::QPoint:
        if (const auto v = numbers(text, 2))
            return QPointF((*v)[0], (*v)[1]);
        return {};
    case QMetaType::Bool:
        if (text == QLatin1StringView("YES") || text == QLatin1StringView("true") ||
            text == QLatin1StringView("1"))
            return true;
        if (text == QLatin1StringView("NO") || text == QLatin1StringView("false") ||
            text == QLatin1StringView("0"))
            return false;
        return {};
    case QMetaType::QString:
        return text;
    default: {
        QVariant value(text);
        if (!value.convert(type))
            return {};
        return value;
    }
    }
}
