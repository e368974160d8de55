#pragma once

#include "interface/CocoaFoundation/UNibSingleton.h"
#include "platform/foundation/NSURL.h"

#include <QString>

// Names the intermediate files of a render job inside the process's temporary folder. The class
// operations compute everything from that folder; the shared instance (a nib singleton) offers
// the same folder as a URL and a path. Any thread may use it.
class USandboxTempFolder : public UNibSingleton {
    Q_OBJECT
    NS_DECLARE_CLASS(USandboxTempFolder)
    Q_PROPERTY(NSURL* folderURL READ folderURL)
    Q_PROPERTY(QString folderPath READ folderPath)
public:
    // The process's temporary folder (NSTemporaryDirectory); null when it could not be made.
    static QString sharedTempFolderPath();
    // An autoreleased directory file URL of that folder; nil without the folder.
    static NSURL* sharedTempFolderURL();
    // The last path component of `path` inside the temporary folder. Nothing is created or
    // checked: equal last components give equal paths. Without the folder: a null text and one
    // log line, so the job that asked fails instead of writing elsewhere.
    static QString tempFileForReadOnlyFilePath(const QString& path);

    NSURL* folderURL() const;
    // A null text without a folder URL.
    QString folderPath() const;
};

int import_USandboxTempFolder();
