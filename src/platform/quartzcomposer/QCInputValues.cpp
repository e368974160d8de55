#include "platform/quartzcomposer/QCInputValues.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using Model = QCCompositionModel;

// A number as a listing shows it: whole numbers of longs in full, others to float precision.
QString formatNumber(double number, Model::InputType type) {
    if (type == Model::InputType::Long && number == std::trunc(number) && std::abs(number) < 1e15)
        return QString::number(static_cast<qint64>(number));
    return QString::number(number, 'g', 7);
}

QString formatValue(const QCInputValue& value, Model::InputType type) {
    if (type == Model::InputType::Bool || type == Model::InputType::Event)
        return value[0] != 0.0 ? QStringLiteral("true") : QStringLiteral("false");
    QStringList parts;
    for (int i = 0; i < QCInputComponentCount(type); ++i)
        parts.append(formatNumber(value[static_cast<std::size_t>(i)], type));
    return parts.join(QLatin1Char(','));
}

// A long's text as a whole number: digits, or a number with no fraction ("3.0", "1e3"). Whole
// numbers too large for 64 bits come out as the largest of their sign (out of any int's range).
std::optional<qint64> wholeNumber(const QString& text, QString* out_why) {
    bool ok = false;
    const qint64 integer = text.toLongLong(&ok);
    if (ok)
        return integer;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number)) {
        *out_why = QStringLiteral("\"%1\" is not a number").arg(text);
        return std::nullopt;
    }
    if (number != std::trunc(number)) {
        *out_why = QStringLiteral("\"%1\" is not a whole number").arg(text);
        return std::nullopt;
    }
    if (std::abs(number) >= 9223372036854775808.0) // 2^63
        return number < 0 ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
    return static_cast<qint64>(number);
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

std::optional<QCInputValue> QCParseInputValue(const Model::Input& in_input, const QString& in_text,
                                              QString* out_error) {
    const auto refuse = [&](const QString& why) -> std::optional<QCInputValue> {
        if (out_error)
            *out_error = QStringLiteral("input \"%1\" (%2): %3")
                             .arg(in_input.name, QCInputTypeName(in_input.type), why);
        return std::nullopt;
    };
    if (in_input.isImage())
        return refuse(QStringLiteral("takes a file, not a value"));
    const QString text = in_text.trimmed();
    QCInputValue value{0.0, 0.0, 0.0, 0.0};
    if (in_input.type == Model::InputType::Bool || in_input.type == Model::InputType::Event) {
        const QString word = text.toLower();
        if (word == u"true" || word == u"1" || word == u"yes")
            value[0] = 1.0;
        else if (word != u"false" && word != u"0" && word != u"no")
            return refuse(QStringLiteral("\"%1\" is not true or false").arg(in_text));
        return value;
    }

    const QStringList parts = text.split(QLatin1Char(','));
    const int count = QCInputComponentCount(in_input.type);
    const bool colorWithoutAlpha = in_input.type == Model::InputType::Color && parts.size() == 3;
    if (parts.size() != count && !colorWithoutAlpha)
        return refuse(count == 1 ? QStringLiteral("\"%1\" is not a number").arg(in_text)
                                 : QStringLiteral("\"%1\" is not %2 numbers separated by commas")
                                       .arg(in_text)
                                       .arg(count));
    if (colorWithoutAlpha)
        value[3] = 1.0;
    if (in_input.type == Model::InputType::Long) {
        QString why;
        const std::optional<qint64> whole = wholeNumber(text, &why);
        if (!whole)
            return refuse(why);
        if (*whole < std::numeric_limits<std::int32_t>::min() ||
            *whole > std::numeric_limits<std::int32_t>::max())
            return refuse(QStringLiteral("%1 is outside the range of a GLSL int (%2 to %3)")
                              .arg(in_text)
                              .arg(std::numeric_limits<std::int32_t>::min())
                              .arg(std::numeric_limits<std::int32_t>::max()));
        value[0] = static_cast<double>(*whole);
    }
    for (qsizetype i = 0; i < parts.size() && in_input.type != Model::InputType::Long; ++i) {
        bool ok = false;
        const double number = parts[i].trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(number) || std::abs(number) > 1e30)
            return refuse(QStringLiteral("\"%1\" is not a number").arg(parts[i].trimmed()));
        value[static_cast<std::size_t>(i)] = number;
    }
    if (in_input.type == Model::InputType::Color) {
        for (const double component : value) {
            if (component < 0.0 || component > 1.0)
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
    // A long's value is a whole number in the range of a GLSL int by now.
    if (!in_input.values.empty() &&
        std::find(in_input.values.begin(), in_input.values.end(),
                  static_cast<std::int32_t>(value[0])) == in_input.values.end()) {
        QStringList allowed;
        for (const std::int32_t v : in_input.values)
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
        for (const std::int32_t v : in_input.values)
            allowed.append(QString::number(v));
        line += QStringLiteral("  values %1").arg(allowed.join(QLatin1Char(',')));
    }
    return line;
}

int QCInputComponentCount(QCCompositionModel::InputType in_type) {
    switch (in_type) {
    case QCCompositionModel::InputType::Point2D:
        return 2;
    case QCCompositionModel::InputType::Color:
        return 4;
    default:
        return 1;
    }
}
