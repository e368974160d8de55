#pragma once

#include <QString>

#include <ostream>

// Shows a Qt text in a failure message as its quoted UTF-8 (lists of texts follow), instead of
// the bytes of its characters.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
