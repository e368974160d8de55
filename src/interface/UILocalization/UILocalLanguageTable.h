#pragma once

#include <QByteArray>
#include <QVariantMap>

#include <optional>

// A language table from an XML property list: a dictionary of texts by key path, as
// UILocalLanguageController::scriptFromDictionary writes it. Entries that are not text are
// dropped with a log line; nothing (with a log line) when the data is no dictionary.
std::optional<QVariantMap> UILocalLanguageTableFromPropertyList(const QByteArray& xml);
