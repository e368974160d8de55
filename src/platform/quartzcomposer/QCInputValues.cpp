#include "platform/quartzcomposer/QCInputValues.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

using Model = QCCompositionModel;

int componentCount(Model::InputType type) {
    switch (type) {
    case Model::InputType::Point2D:
        return 2;
    case Model::InputType::Color:
        return 4;
    default:
        return 1;
    }
}

QString formatValue(const std::array<float, 4>& value, Model::InputType type) {
    if (type == Model::InputType::Bool || type == Model::InputType::Event)
        return value[0] != 0.0f ? QStringLiteral("true") : QStringLiteral("false");
    QStringList parts;
    for (int i = 0; i < componentCount(type); ++i)
        parts.append(QString::number(value[static_cast<std::size_t>(i)], 'g', 7));
    return parts.join(QLatin1Char(','));
}

} // namespace

QString QCInputTypeName(Model::InputType in_type) {
    switch (in_type) {
    case Model::InputType::Event:
        return QStringLiteral("event");
    case Model::InputType::Bool:
        return QStringLiteral("bool");
    case Model::InputType::Long:
        return QStringLiteral("long");
    case Model::InputType::Float:
        return QStringLiteral("float");
    case Model::InputType::Point2D:
        return QStringLiteral("point2D");
    case Model::InputType::Color:
        return QStringLiteral("color");
    case Model::InputType::Image:
        return QStringLiteral("image");
    case Model::InputType::Audio:
        return QStringLiteral("audio");
    case Model::InputType::AudioFFT:
        return QStringLiteral("audioFFT");
    }
    return QString();
}

std::optional<std::array<float, 4>> QCParseInputValue(const Model::Input& in_input,
                                                      const QString& in_text, QString* out_error) {
    const auto refuse = [&](const QString& why) -> std::optional<std::array<float, 4>> {
        if (out_error)
            *out_error = QStringLiteral("input \"%1\" (%2): %3")
                             .arg(in_input.name, QCInputTypeName(in_input.type), why);
        return std::nullopt;
    };
    if (in_input.isImage())
        return refuse(QStringLiteral("takes a file, not a value"));
    const QString text = in_text.trimmed();
    std::array<float, 4> value{0.0f, 0.0f, 0.0f, 0.0f};
    if (in_input.type == Model::InputType::Bool || in_input.type == Model::InputType::Event) {
        const QString word = text.toLower();
        if (word == u"true" || word == u"1" || word == u"yes")
            value[0] = 1.0f;
        else if (word != u"false" && word != u"0" && word != u"no")
            return refuse(QStringLiteral("\"%1\" is not true or false").arg(in_text));
        return value;
    }

    const QStringList parts = text.split(QLatin1Char(','));
    const int count = componentCount(in_input.type);
    const bool colorWithoutAlpha = in_input.type == Model::InputType::Color && parts.size() == 3;
    if (parts.size() != count && !colorWithoutAlpha)
        return refuse(count == 1 ? QStringLiteral("\"%1\" is not a number").arg(in_text)
                                 : QStringLiteral("\"%1\" is not %2 numbers separated by commas")
                                       .arg(in_text)
                                       .arg(count));
    if (colorWithoutAlpha)
        value[3] = 1.0f;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const double number = parts[i].trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(number) || std::abs(number) > 1e30)
            return refuse(QStringLiteral("\"%1\" is not a number").arg(parts[i].trimmed()));
        if (in_input.type == Model::InputType::Long &&
            (number != std::trunc(number) || std::abs(number) > 2147483647.0))
            return refuse(QStringLiteral("\"%1\" is not a whole number").arg(in_text));
        value[static_cast<std::size_t>(i)] = static_cast<float>(number);
    }
    if (in_input.type == Model::InputType::Color) {
        for (const float component : value) {
            if (component < 0.0f || component > 1.0f)
                return refuse(QStringLiteral("\"%1\": colour components are 0 to 1").arg(in_text));
        }
    }
    for (int i = 0; i < count; ++i) {
        const auto c = static_cast<std::size_t>(i);
        if ((in_input.min && value[c] < (*in_input.min)[c]) ||
            (in_input.max && value[c] > (*in_input.max)[c])) {
            const QString low =
                in_input.min ? formatValue(*in_input.min, in_input.type) : QStringLiteral("-");
            const QString high =
                in_input.max ? formatValue(*in_input.max, in_input.type) : QStringLiteral("-");
            return refuse(
                QStringLiteral("%1 is outside its range %2 to %3").arg(in_text, low, high));
        }
    }
    if (!in_input.values.empty() &&
        std::find(in_input.values.begin(), in_input.values.end(), static_cast<int>(value[0])) ==
            in_input.values.end()) {
        QStringList allowed;
        for (const int v : in_input.values)
            allowed.append(QString::number(v));
        return refuse(
            QStringLiteral("%1 is not one of %2").arg(in_text, allowed.join(QStringLiteral(", "))));
    }
    return value;
}

QString QCDescribeInput(const Model::Input& in_input) {
    QString line = QStringLiteral("%1  %2").arg(in_input.name, QCInputTypeName(in_input.type));
    if (in_input.type == Model::InputType::Image)
        return line + QStringLiteral("  file (image or movie)");
    if (in_input.type == Model::InputType::Audio || in_input.type == Model::InputType::AudioFFT) {
        const int count = in_input.sampleCount > 0
                              ? in_input.sampleCount
                              : (in_input.type == Model::InputType::Audio ? 1024 : 512);
        return line + QStringLiteral("  from the sound, %1 %2")
                          .arg(count)
                          .arg(in_input.type == Model::InputType::Audio ? QStringLiteral("samples")
                                                                        : QStringLiteral("bins"));
    }
    line += QStringLiteral("  default %1").arg(formatValue(in_input.value, in_input.type));
    if (in_input.min || in_input.max)
        line +=
            QStringLiteral("  range %1 to %2")
                .arg(in_input.min ? formatValue(*in_input.min, in_input.type) : QStringLiteral("-"),
                     in_input.max ? formatValue(*in_input.max, in_input.type)
                                  : QStringLiteral("-"));
    if (!in_input.values.empty()) {
        QStringList allowed;
        for (const int v : in_input.values)
            allowed.append(QString::number(v));
        line += QStringLiteral("  values %1").arg(allowed.join(QLatin1Char(',')));
    }
    return line;
}
