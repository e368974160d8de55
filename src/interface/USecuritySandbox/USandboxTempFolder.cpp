#include "interface/USecuritySandbox/USandboxTempFolder.h"

#include "platform/foundation/NSPathUtilities.h"

NS_IMPLEMENT_CLASS(USandboxTempFolder, UNibSingleton)

int import_USandboxTempFolder() {
    return import_UNibSingleton() && USandboxTempFolder::classObject() ? 1 : 0;
}

QString USandboxTempFolder::sharedTempFolderPath() {
    return NSTemporaryDirectory();
}

NSURL* USandboxTempFolder::sharedTempFolderURL() {
    return NSURL::fileURLWithPath(sharedTempFolderPath(), true);
}

QString USandboxTempFolder::tempFileForReadOnlyFilePath(const QString& path) {
    return NSPath::stringByAppendingPathComponent(sharedTempFolderPath(),
                                                  NSPath::lastPathComponent(path));
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
