#pragma once

// The per-user secret that authenticates bookmark records (NSURLBookmarkData.h).
//
// 32 bytes from the system's random source, kept in the file "bookmark-key" of the user's
// lumenreel data folder ($XDG_DATA_HOME/lumenreel, default ~/.local/share/lumenreel), readable
// and writable only by the user (mode 0600) and never stored beside the records it guards. The
// file is made on first use: written under a temporary name and linked into place, so processes
// racing to make it all end up with the one key that won.

#include <QByteArray>
#include <QString>

inline constexpr qsizetype kNSURLBookmarkKeySize = 32;

// The key file's path for the current environment.
QString NSURLBookmarkKeyFilePath();

// The key, read from or made at NSURLBookmarkKeyFilePath(); empty when it can be neither read nor
// made (one line in the log says why).
QByteArray NSURLBookmarkKey();
