#include "platform/foundation/NSPathUtilities.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>

namespace {

QString* sTemporaryDirectory = nullptr;

void removeTemporaryDirectory() {
    if (sTemporaryDirectory)
        QDir(*sTemporaryDirectory).removeRecursively();
}

// Collapses repeated separators and drops a trailing one (but the root's).
QString standardised(const QString& path) {
    QString result;
    result.reserve(path.size());
    for (QChar c : path) {
        if (c == QLatin1Char('/') && result.endsWith(QLatin1Char('/')))
            continue;
        result.append(c);
    }
    if (result.size() > 1 && result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result;
}

} // namespace

QString NSTemporaryDirectory() {
    static std::once_flag sOnce;
    std::call_once(sOnce, [] {
        // Qt names no system folder (an empty text) when $TMPDIR does not exist; a folder made
        // from that would land in the working folder.
        const QString system = QDir::tempPath();
        std::optional<QTemporaryDir> folder;
        if (!system.isEmpty() && QDir::isAbsolutePath(system)) {
            folder.emplace(QDir(system).filePath(QStringLiteral("lumenreel-XXXXXX")));
            folder->setAutoRemove(false);
        }
        // Never the shared folder itself: names made there would be predictable to anyone.
        const bool made = folder && folder->isValid();
        sTemporaryDirectory = new QString(made ? folder->path() : QString());
        if (made)
            std::atexit(removeTemporaryDirectory);
        else
            std::fprintf(stderr,
                         "NSTemporaryDirectory: cannot make a private folder in \"%s\": %s\n",
                         qPrintable(qEnvironmentVariable("TMPDIR", QStringLiteral("/tmp"))),
                         folder ? qPrintable(folder->errorString()) : "no such folder");
    });
    return *sTemporaryDirectory;
}

QString NSHomeDirectory() {
    return QDir::homePath();
}

namespace NSPath {

QString lastPathComponent(const QString& path) {
    const QString clean = standardised(path);
    if (clean == QLatin1String("/"))
        return clean;
    return clean.section(QLatin1Char('/'), -1);
}

QString stringByDeletingLastPathComponent(const QString& path) {
    const QString clean = standardised(path);
    if (clean == QLatin1String("/"))
        return clean;
    const qsizetype slash = clean.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    return slash == 0 ? QStringLiteral("/") : clean.left(slash);
}

QString stringByAppendingPathComponent(const QString& path, const QString& component) {
    if (path.isEmpty())
        return standardised(component);
    if (component.isEmpty())
        return standardised(path);
    return standardised(path + QLatin1Char('/') + component);
}

QString pathExtension(const QString& path) {
    const QString name = lastPathComponent(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || name == QLatin1String("/"))
        return QString();
    return name.mid(dot + 1);
}

QString stringByDeletingPathExtension(const QString& path) {
    const QString clean = standardised(path);
    const QString extension = pathExtension(clean);
    if (extension.isEmpty() && !lastPathComponent(clean).endsWith(QLatin1Char('.')))
        return clean;
    return clean.left(clean.size() - extension.size() - 1);
}

QString stringByAppendingPathExtension(const QString& path, const QString& extension) {
    const QString clean = standardised(path);
    if (clean.isEmpty() || clean == QLatin1String("/"))
        return QString();
    return clean + QLatin1Char('.') + extension;
}

} // namespace NSPath
