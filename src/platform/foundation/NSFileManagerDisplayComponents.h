#pragma once

// What the platform's file manager answers for componentsToDisplayForPath: the display names of
// a path's components, the name of the volume that holds it first. The volume's name is its
// file-system label; a volume without a label is named after its mount point, and the root file
// system "Computer". The remaining components are the folders and file below the volume's mount
// point, as the path names them once symbolic links are resolved.
//
//   "/home/ann/Videos" on an unlabelled root file system -> {"Computer", "home", "ann", "Videos"}
//   "/media/ann/CARD/DCIM" on the volume labelled CARD    -> {"CARD", "DCIM"}

#include <QString>
#include <QStringList>

#include <optional>

inline constexpr char kNSRootVolumeDisplayName[] = "Computer";

// Nothing for an empty path or a path that does not exist.
std::optional<QStringList> NSFileManagerComponentsToDisplayForPath(const QString& path);
