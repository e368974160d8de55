#pragma once

#include "platform/corefoundation/CFBase.h"
#include "platform/corefoundation/CFString.h"

struct FSRef;

// URLs; file URLs name POSIX paths. A URL made from a relative path is relative to the current
// folder at the time it is made.

enum CFURLPathStyle : CFIndex {
    kCFURLPOSIXPathStyle = 0,
    kCFURLHFSPathStyle = 1,
    kCFURLWindowsPathStyle = 2,
};

CFTypeID CFURLGetTypeID();
// Only POSIX paths are understood; null for another style or an empty path.
CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef allocator, CFStringRef filePath,
                                       CFURLPathStyle pathStyle, Boolean isDirectory);
CFURLRef CFURLCreateWithFileSystemPathRelativeToBase(CFAllocatorRef allocator, CFStringRef filePath,
                                                     CFURLPathStyle pathStyle, Boolean isDirectory,
                                                     CFURLRef baseURL);
// The bytes are a UTF-8 path.
CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef allocator, const UInt8* buffer,
                                                 CFIndex bufLen, Boolean isDirectory);
// Parses a URL text, relative to baseURL when it has no scheme; null when it is not a URL.
CFURLRef CFURLCreateWithString(CFAllocatorRef allocator, CFStringRef URLString, CFURLRef baseURL);
// The URL of an existing object named by a file reference; null when it cannot be had.
CFURLRef CFURLCreateFromFSRef(CFAllocatorRef allocator, const FSRef* fsRef);
Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef);

CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef allocator, CFURLRef url,
                                               CFStringRef pathComponent, Boolean isDirectory);
CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef allocator, CFURLRef url);
CFURLRef CFURLCreateCopyAppendingPathExtension(CFAllocatorRef allocator, CFURLRef url,
                                               CFStringRef extension);
CFURLRef CFURLCreateCopyDeletingPathExtension(CFAllocatorRef allocator, CFURLRef url);
CFURLRef CFURLCopyAbsoluteURL(CFURLRef relativeURL);

// The path without a trailing slash ("/" for the root); null for a URL that is not a file URL.
CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle);
// The path as terminated UTF-8 in at most maxBufLen bytes; false when it does not fit.
Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer,
                                         CFIndex maxBufLen);
CFStringRef CFURLCopyLastPathComponent(CFURLRef url);
// Null when the last component has no extension.
CFStringRef CFURLCopyPathExtension(CFURLRef url);
CFStringRef CFURLCopyScheme(CFURLRef anURL);
// The URL's text (borrowed).
CFStringRef CFURLGetString(CFURLRef anURL);
CFURLRef CFURLGetBaseURL(CFURLRef anURL);
Boolean CFURLHasDirectoryPath(CFURLRef anURL);
// True when a file URL names an existing object.
Boolean CFURLResourceIsReachable(CFURLRef url, void* error);
