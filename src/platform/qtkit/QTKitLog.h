#pragma once

#include <QString>

namespace qtkit {

// Writes one diagnostic line of the movie library (ending in "\n") to the log.
void logLine(const QString& line);

// Routes FFmpeg's own warnings and errors into the log; installed once, on first use of the
// library.
void installFFmpegLogRouting();

} // namespace qtkit
