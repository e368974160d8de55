#pragma once

#include "platform/quartzcomposer/QCCompositionModel.h"

#include <QColor>
#include <QIcon>
#include <QString>

#include <optional>
#include <utility>

// How the inputs panel shows input values in its controls and reads them back. Main thread only
// (the numbers follow the window's language).

namespace inputcontrols {

// A number as a field shows it, in the window's language.
QString numberText(double number);
// A number typed into a field, in the window's language or with a point; nothing for anything
// else or a number that is not finite.
std::optional<double> typedNumber(const QString& typed);
// A float's slider range: MIN to MAX, or 0 to 1 (widened to hold the default) where the file
// gives none.
std::pair<double, double> sliderRange(const QCCompositionModel::Input& input);
// The colour over a chequered ground, so that its alpha shows.
QIcon swatch(const QColor& colour, QSize size);
// A color input's value as a colour.
QColor colourOf(const QCInputValue& value);

} // namespace inputcontrols
