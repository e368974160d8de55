#pragma once

#include "platform/foundation/NSObject.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class NSError;
class NSURL;

// Directories that URLsForDirectory knows, with the platform's codes.
enum NSSearchPathDirectory : NSUInteger {
    NSLibraryDirectory = 5,
    NSDocumentDirectory = 9,
    NSDesktopDirectory = 12,
    NSCachesDirectory = 13,
    NSApplicationSupportDirectory = 14,
    NSDownloadsDirectory = 15,
    NSMoviesDirectory = 17,
    NSMusicDirectory = 18,
    NSPicturesDirectory = 19,
};

enum NSSearchPathDomainMask : NSUInteger {
    NSUserDomainMask = 1,
    NSLocalDomainMask = 2,
    NSNetworkDomainMask = 4,
    NSSystemDomainMask = 8,
    NSAllDomainsMask = 0x0ffff,
};

// Error codes of NSCocoaErrorDomain that the file manager reports.
enum : int {
    NSFileNoSuchFileError = 4,
    NSFileWriteUnknownError = 512,
};

// The file manager: existence, creation, removal, the Trash (the freedesktop.org Trash through
// QFile::moveToTrash), the user's standard folders (XDG user folders through QStandardPaths) and
// display names. Failures return false or nil and, where asked, an autoreleased error in
// NSCocoaErrorDomain naming the path.
class NSFileManager : public NSObject {
    Q_OBJECT
    NS_DECLARE_CLASS(NSFileManager)
public:
    // The process-wide file manager; never freed.
    static NSFileManager* defaultManager();

    bool fileExistsAtPath(const QString& path) const;
    bool fileExistsAtPath(const QString& path, bool* isDirectory) const;
    bool createDirectoryAtPath(const QString& path, bool withIntermediateDirectories,
                               NSError** error);
    // Removes a file or a folder with its contents.
    bool removeItemAtPath(const QString& path, NSError** error);
    bool removeItemAtURL(const NSURL* url, NSError** error);
    // Moves the item to the user's Trash; on success *resultingItemURL (when asked) is its
    // autoreleased URL inside the Trash.
    Q_INVOKABLE bool trashItemAtURL(NSURL* url, NSURL** resultingItemURL, NSError** error);

    // Autoreleased directory URLs of a standard folder: the user's only (other domains have
    // none here). Empty when the system names no such folder.
    QList<NSURL*> URLsForDirectory(NSSearchPathDirectory directory,
                                   NSSearchPathDomainMask domains) const;

    // The names to show for each component of an existing path, the volume's name first;
    // nothing for a path that does not exist.
    std::optional<QStringList> componentsToDisplayForPath(const QString& path) const;
    // The name to show for an item: its file name (the volume's name for a mount point).
    QString displayNameAtPath(const QString& path) const;
};

int import_NSFileManager();
