#pragma once

// User folders that differ from USandboxUserFolder only in their default folder (the class
// operation "defaultFolderPath").

#include "interface/USecuritySandbox/USandboxUserFolder.h"

// The user's Movies folder (XDG videos folder).
class USandboxMoviesFolder : public USandboxUserFolder {
    Q_OBJECT
    NS_DECLARE_CLASS(USandboxMoviesFolder)
};

// The user's Pictures folder.
class USandboxPicturesFolder : public USandboxUserFolder {
    Q_OBJECT
    NS_DECLARE_CLASS(USandboxPicturesFolder)
};

// The user's Documents folder.
class USandboxDocumentsFolder : public USandboxUserFolder {
    Q_OBJECT
    NS_DECLARE_CLASS(USandboxDocumentsFolder)
};

// The process's temporary folder, held as a bookmark like any user folder (unlike
// USandboxTempFolder, which only names temporary files).
class USandboxTemporaryFolder : public USandboxUserFolder {
    Q_OBJECT
    NS_DECLARE_CLASS(USandboxTemporaryFolder)
};

int import_USandboxStandardFolders();
