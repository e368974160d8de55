#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// A picture that tells, in place of the preview, why a composition cannot play: a title and the
// reason below it, wrapped to the picture's width.
QImage PreviewMessageImage(QSize size, const QString& title, const QString& message);

// The first line of the compiler's log that names a line of the shader ("0:12(5): error: ..."),
// as "Line 12: error: ..."; the first non-empty line of the log when none does.
QString PreviewCompilerMessageLine(const QString& log);
