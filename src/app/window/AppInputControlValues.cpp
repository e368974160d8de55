#include "app/window/AppInputControlValues.h"

#include "interface/UILocalization/UILocalLanguageController.h"

#include <QLocale>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace {

// Numbers in the fields follow the window's language.
QLocale numberLocale() {
    QLocale locale(UILocalLanguageController::stringWithID(
        QStringLiteral("main.numbers.numberLocale"), QStringLiteral("en_US")));
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

} // namespace

namespace inputcontrols {

QString numberText(double number) {
    return numberLocale().toString(number, 'g', 6);
}

std::optional<double> typedNumber(const QString& typed) {
    bool ok = false;
    double number = numberLocale().toDouble(typed.trimmed(), &ok);
    if (!ok)
        number = QLocale::c().toDouble(typed.trimmed(), &ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return number;
}

std::pair<double, double> sliderRange(const QCCompositionModel::Input& input) {
    const double low = input.min ? (*input.min)[0] : std::min(0.0, input.value[0]);
    double high = input.max ? (*input.max)[0] : std::max(low + 1.0, input.value[0]);
    if (!(high > low))
        high = low;
    return {low, high};
}

QIcon swatch(const QColor& colour, QSize size) {
    QPixmap picture(size);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    const int cell = 6;
    for (int y = 0; y < size.height(); y += cell) {
        for (int x = 0; x < size.width(); x += cell) {
            if (((x + y) / cell) % 2)
                painter.fillRect(x, y, cell, cell, QColor(204, 204, 204));
        }
    }
    painter.fillRect(picture.rect(), colour);
    painter.setPen(QColor(0, 0, 0, 96));
    painter.drawRect(picture.rect().adjusted(0, 0, -1, -1));
    return QIcon(picture);
}

QColor colourOf(const QCInputValue& value) {
    return QColor::fromRgbF(float(value[0]), float(value[1]), float(value[2]), float(value[3]));
}

} // namespace inputcontrols
