#pragma once

#include "platform/quartzcomposer/QCCompositionModel.h"

#include <QHash>

#include <optional>

class QString;

// Reading composition files. `in_location` is the composition file's path (its folder resolves
// the files it loads, its base name finds the companion vertex shader) or just a folder; empty
// means the current folder.

// True when the text opens with a comment holding a JSON object: the file means to be ISF.
bool QCLooksLikeISF(const QString& in_text);
// True when the text (outside comments) defines `void mainImage(`.
bool QCLooksLikeShadertoy(const QString& in_text);

std::optional<QCCompositionModel> QCParseISF(const QString& in_text, const QString& in_location,
                                             QString* out_error);
std::optional<QCCompositionModel> QCParseShadertoy(const QString& in_text,
                                                   const QString& in_location, QString* out_error);

// The variables that WIDTH and HEIGHT expressions see: $WIDTH, $HEIGHT and the numeric inputs.
QHash<QString, double> QCSizeVariables(const QCCompositionModel& in_model, double in_width,
                                       double in_height);
