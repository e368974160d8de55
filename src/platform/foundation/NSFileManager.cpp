#include "platform/foundation/NSFileManager.h"

#include "platform/foundation/NSError.h"
#include "platform/foundation/NSFileManagerDisplayComponents.h"
#include "platform/foundation/NSPathUtilities.h"
#include "platform/foundation/NSURL.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

NS_IMPLEMENT_CLASS(NSFileManager, NSObject)

int import_NSFileManager() {
    return NSFileManager::classObject() ? 1 : 0;
}

namespace {

void fail(NSError** error, int code, const QString& path, const QString& description) {
    if (!error)
        return;
    *error =
        NSError::errorWithDomain(QString::fromLatin1(NSCocoaErrorDomain), code,
                                 {{QString::fromLatin1(NSFilePathErrorKey), path},
                                  {QString::fromLatin1(NSLocalizedDescriptionKey), description}});
}

bool exists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

NSFileManager* NSFileManager::defaultManager() {
    static NSFileManager* sManager = new NSFileManager();
    return sManager;
}

bool NSFileManager::fileExistsAtPath(const QString& path) const {
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool NSFileManager::fileExistsAtPath(const QString& path, bool* isDirectory) const {
    const QFileInfo info(path);
    const bool found = !path.isEmpty() && info.exists();
    if (isDirectory)
        *isDirectory = found && info.isDir();
    return found;
}

bool NSFileManager::createDirectoryAtPath(const QString& path, bool withIntermediateDirectories,
                                          NSError** error) {
    if (path.isEmpty()) {
        fail(error, NSFileWriteUnknownError, path, QStringLiteral("No folder name was given."));
        return false;
    }
    QDir dir;
    const bool made = withIntermediateDirectories ? dir.mkpath(path) : dir.mkdir(path);
    if (!made || !QFileInfo(path).isDir()) {
        fail(error, NSFileWriteUnknownError, path,
             QStringLiteral("The folder \u201c%1\u201d couldn\u2019t be created.")
                 .arg(NSPath::lastPathComponent(path)));
        return false;
    }
    return true;
}

bool NSFileManager::removeItemAtPath(const QString& path, NSError** error) {
    const QFileInfo info(path);
    if (path.isEmpty() || !exists(path)) {
        fail(error, NSFileNoSuchFileError, path,
             QStringLiteral("\u201c%1\u201d couldn\u2019t be removed because it doesn\u2019t "
                            "exist.")
                 .arg(NSPath::lastPathComponent(path)));
        return false;
    }
    const bool removed =
        info.isDir() && !info.isSymLink() ? QDir(path).removeRecursively() : QFile::remove(path);
    if (!removed) {
        fail(error, NSFileWriteUnknownError, path,
             QStringLiteral("\u201c%1\u201d couldn\u2019t be removed.")
                 .arg(NSPath::lastPathComponent(path)));
        return false;
    }
    return true;
}

bool NSFileManager::removeItemAtURL(const NSURL* url, NSError** error) {
    if (!url || !url->isFileURL()) {
        fail(error, NSFileNoSuchFileError, url ? url->absoluteString() : QString(),
             QStringLiteral("The item is not a file."));
        return false;
    }
    return removeItemAtPath(url->path(), error);
}

bool NSFileManager::trashItemAtURL(NSURL* url, NSURL** resultingItemURL, NSError** error) {
    const QString path = url && url->isFileURL() ? url->path() : QString();
    if (path.isEmpty() || !exists(path)) {
        fail(error, NSFileNoSuchFileError, path,
             QStringLiteral("\u201c%1\u201d couldn\u2019t be moved to the Trash because it "
                            "doesn\u2019t exist.")
                 .arg(NSPath::lastPathComponent(path)));
        return false;
    }
    // The user's data folder holds the Trash; a fresh account may not have it yet.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    QFile file(path);
    if (!file.moveToTrash()) {
        fail(error, NSFileWriteUnknownError, path,
             QStringLiteral("\u201c%1\u201d couldn\u2019t be moved to the Trash: %2")
                 .arg(NSPath::lastPathComponent(path), file.errorString()));
        return false;
    }
    if (resultingItemURL)
        *resultingItemURL = NSURL::fileURLWithPath(file.fileName());
    return true;
}

QList<NSURL*> NSFileManager::URLsForDirectory(NSSearchPathDirectory directory,
                                              NSSearchPathDomainMask domains) const {
    if (!(domains & NSUserDomainMask))
        return {};
    QString path;
    switch (directory) {
    case NSDocumentDirectory:
        path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        break;
    case NSMoviesDirectory:
        path = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
        break;
    case NSPicturesDirectory:
        path = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        break;
    case NSMusicDirectory:
        path = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        break;
    case NSDesktopDirectory:
        path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        break;
    case NSDownloadsDirectory:
        path = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        break;
    case NSCachesDirectory:
        path = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        break;
    case NSApplicationSupportDirectory:
    case NSLibraryDirectory:
        path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        break;
    }
    if (path.isEmpty())
        return {};
    return {NSURL::fileURLWithPath(path, true)};
}

std::optional<QStringList> NSFileManager::componentsToDisplayForPath(const QString& path) const {
    return NSFileManagerComponentsToDisplayForPath(path);
}

QString NSFileManager::displayNameAtPath(const QString& path) const {
    const std::optional<QStringList> components = componentsToDisplayForPath(path);
    if (components && !components->isEmpty())
        return components->last();
    return NSPath::lastPathComponent(path);
}
