#include "platform/foundation/NSFileManagerDisplayComponents.h"

#include <QFileInfo>
#include <QStorageInfo>

std::optional<QStringList> NSFileManagerComponentsToDisplayForPath(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return std::nullopt;
    const QStorageInfo volume(canonical);
    QString root = volume.isValid() ? volume.rootPath() : QStringLiteral("/");
    if (!canonical.startsWith(root))
        root = QStringLiteral("/");

    QString volumeName = volume.isValid() ? volume.name() : QString();
    if (volumeName.isEmpty()) {
        volumeName = root == QLatin1String("/") ? QString::fromLatin1(kNSRootVolumeDisplayName)
                                                : QFileInfo(root).fileName();
    }
    QStringList components{volumeName};
    components += canonical.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return components;
}
