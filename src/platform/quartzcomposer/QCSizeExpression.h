#pragma once

#include <QHash>
#include <QString>

#include <optional>

// Evaluates the arithmetic of a pass's WIDTH or HEIGHT: numbers, $variables ($WIDTH, $HEIGHT,
// the inputs), + - * / %, unary + - !, comparisons, && ||, ?: and the functions abs, ceil,
// clamp, cos, exp, floor, log, max, min, mod, pow, round, sin, sqrt, tan and trunc.
// Returns nothing and sets out_error for malformed text or an unknown name.
std::optional<double> QCEvaluateSizeExpression(const QString& in_text,
                                               const QHash<QString, double>& in_variables,
                                               QString* out_error);
