#pragma once

#include "platform/quartzcomposer/QCCompositionModel.h"

#include <QString>

#include <optional>

// Input values in text form, as command lines give them and listings show them.

// The composition file's name of the type: "float", "point2D", "audioFFT" ...
QString QCInputTypeName(QCCompositionModel::InputType in_type);

// How many numbers a value of the type holds: 2 for point2D, 4 for color, else 1.
int QCInputComponentCount(QCCompositionModel::InputType in_type);

// Parses `in_text` as a value of `in_input`: a number for float; a whole number for long, read
// and compared as an integer, in the range of a GLSL int and one of VALUES when the input lists
// them; "true"/"false"/"1"/"0" for bool and event, "x,y" for point2D and "r,g,b,a" (or "r,g,b",
// alpha 1) for color. Nothing, with the reason in `out_error`, when the text is of the wrong
// form, not finite, outside MIN/MAX, or the input takes no value (an image).
std::optional<QCInputValue> QCParseInputValue(const QCCompositionModel::Input& in_input,
                                              const QString& in_text, QString* out_error);

// One line: name, type, default and range, for example
// "level  float  default 0.5  range 0 to 1".
QString QCDescribeInput(const QCCompositionModel::Input& in_input);
