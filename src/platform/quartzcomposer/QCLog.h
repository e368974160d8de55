#pragma once

class QString;

// Writes one line of the composition renderer's diagnostics to the platform log (NSLog).
void QCLog(const QString& in_line);
