#pragma once

#include <QString>

#include <functional>

class NSURL;

// Hands files and folders to the user's applications: a folder opens in the file manager.
// Opening goes through an opener: by default the desktop's (QDesktopServices); tests install one
// that plays the desktop's part. Main thread only.
class NSWorkspace {
public:
    static NSWorkspace* sharedWorkspace();

    // Opens `url` with the application the desktop registers for it; false when there is none
    // or it could not be started.
    bool openURL(const NSURL* url);

    // Installs an opener for every later openURL (an empty one restores the desktop's); returns
    // the previous one.
    using Opener = std::function<bool(const QString& path)>;
    static Opener setOpener(Opener opener);
};
