#include "interface/USecuritySandbox/USandboxTempFolder.h"

#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSPathUtilities.h"

NS_IMPLEMENT_CLASS(USandboxTempFolder, UNibSingleton)

int import_USandboxTempFolder() {
    return import_UNibSingleton() && USandboxTempFolder::classObject() ? 1 : 0;
}

QString USandboxTempFolder::sharedTempFolderPath() {
    return NSTemporaryDirectory();
}

NSURL* USandboxTempFolder::sharedTempFolderURL() {
    const QString path = sharedTempFolderPath();
    return path.isEmpty() ? nullptr : NSURL::fileURLWithPath(path, true);
}

QString USandboxTempFolder::tempFileForReadOnlyFilePath(const QString& path) {
    const QString folder = sharedTempFolderPath();
    if (folder.isEmpty()) {
        NSLog("USandboxTempFolder::tempFileForReadOnlyFilePath: this process has no temporary "
              "folder; no temporary file for %@\n",
              path);
        return QString();
    }
    return NSPath::stringByAppendingPathComponent(folder, NSPath::lastPathComponent(path));
}

NSURL* USandboxTempFolder::folderURL() const {
    return sharedTempFolderURL();
}

QString USandboxTempFolder::folderPath() const {
    NSURL* url = folderURL();
    if (!url)
        return QString();
    NSURL* filePath = url->filePathURL();
    return filePath ? filePath->path() : QString();
}
