#pragma once

#include "platform/system/MacTypes.h"

// Standard folders by domain and type, the file references that name them and their POSIX paths.
//
// Where the folders are on this system:
// - user domain: Logs is the XDG state folder ($XDG_STATE_HOME, default ~/.local/state);
//   Frameworks and components live under $XDG_DATA_HOME/lumenreel (default ~/.local/share).
// - local domain: /usr/local/lib/lumenreel/{Frameworks,Components}.
// - system domain: the Frameworks folder of the installed tree (<prefix>/<libdir>/lumenreel/
//   Frameworks, found from the running executable in <prefix>/bin; libdir is lib, or
//   lib/<multiarch> when installed under /usr) or else of the build tree (not in a package
//   build); components beside it in Components.
// A folder that does not exist is reported as fnfErr unless kCreateFolder asks to create it.

// A reference to an existing file-system object. Plain data: zero-filled means "refers to nothing".
struct FSRef {
    char hidden[4096];
};

enum : SInt16 {
    kSystemDomain = -32766,
    kLocalDomain = -32765,
    kNetworkDomain = -32764,
    kUserDomain = -32763,
};

constexpr OSType kLogsFolderType = FOUR_CHAR_CODE("logs");
constexpr OSType kFrameworksFolderType = FOUR_CHAR_CODE("fram");
constexpr OSType kQuickTimeComponentsFolderType = FOUR_CHAR_CODE("wcmp");

constexpr Boolean kDontCreateFolder = 0;
constexpr Boolean kCreateFolder = 1;

// Finds the folder of the given type in the domain. paramErr for a null output or an unknown
// domain, fnfErr for an unknown type or a folder that does not exist (and is not to be created).
OSErr FSFindFolder(SInt16 domain, OSType folderType, Boolean createFolder, FSRef* foundFolder);

// Makes a reference to an existing object. fnfErr when nothing is there, paramErr on bad input.
OSStatus FSPathMakeRef(const UInt8* path, FSRef* ref, Boolean* isDirectory);

// Writes the POSIX path of the reference, terminated, into at most maxPathSize bytes.
// paramErr when the reference is empty or the path does not fit; fnfErr when it no longer exists.
OSStatus FSRefMakePath(const FSRef* ref, UInt8* path, UInt32 maxPathSize);

// Succeeds (noErr) when the reference names an object that still exists; the catalog details
// are not filled in by this system (pass null for them).
using FSCatalogInfoBitmap = UInt32;
constexpr FSCatalogInfoBitmap kFSCatInfoNone = 0;
OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, void* catalogInfo,
                       void* outName, void* fsSpec, FSRef* parentRef);

// Points one (domain, type) pair at another folder, or back at its standard place with null.
// For tests and for relocated installations.
void FSSetFolderOverride(SInt16 domain, OSType folderType, const char* posixPath);
