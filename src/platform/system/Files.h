#pragma once

#include "platform/system/MacTypes.h"

// File records of the classic platform interfaces, as far as the support library's string
// classes read or fill them.

// A file or folder name of at most 255 UTF-16 units.
struct HFSUniStr255 {
    UInt16 length;
    UniChar unicode[255];
};

// A file specification: volume, parent folder and a length-prefixed name.
struct FSSpec {
    SInt16 vRefNum;
    SInt32 parID;
    unsigned char name[64];
};
