// CoreServices.framework: the symbolic names and comments of the status codes that this system's
// stand-ins return, looked up by name at run time.
#include "platform/system/MacTypes.h"

#include <cstddef>

namespace {

struct StatusText {
    OSStatus status;
    const char* name;
    const char* comment;
};

constexpr StatusText kStatusTexts[] = {
    {noErr, "noErr", "No error"},
    {unimpErr, "unimpErr", "unimplemented core routine"},
    {nsvErr, "nsvErr", "no such volume"},
    {ioErr, "ioErr", "I/O error (bummers)"},
    {bdNamErr, "bdNamErr", "there may be no bad names in the final system!"},
    {fnOpnErr, "fnOpnErr", "File not open"},
    {eofErr, "eofErr", "End of file"},
    {tmfoErr, "tmfoErr", "too many files open"},
    {fnfErr, "fnfErr", "File not found"},
    {wPrErr, "wPrErr", "diskette is write protected."},
    {fLckdErr, "fLckdErr", "file is locked"},
    {dupFNErr, "dupFNErr", "duplicate filename (rename)"},
    {paramErr, "paramErr", "error in user parameter list"},
    {permErr, "permErr", "permissions error (on file open)"},
    {memFullErr, "memFullErr", "Not enough room in heap zone"},
    {dirNFErr, "dirNFErr", "Directory not found"},
    {userCanceledErr, "userCanceledErr", ""},
    {afpAccessDenied, "afpAccessDenied", "Insufficient access privileges for operation"},
    {gestaltUnknownErr, "gestaltUnknownErr", "value returned if Gestalt doesn't know the answer"},
    {gestaltUndefSelectorErr, "gestaltUndefSelectorErr",
     "undefined selector was passed to Gestalt"},
};

const StatusText* find(OSStatus status) {
    for (const StatusText& entry : kStatusTexts)
        if (entry.status == status)
            return &entry;
    return nullptr;
}

} // namespace

// The symbolic name of a status code, or null when this system has none for it.
extern "C" __attribute__((visibility("default"))) const char*
GetMacOSStatusErrorString(OSStatus err) {
    const StatusText* entry = find(err);
    return entry ? entry->name : nullptr;
}

// The comment on a status code, or null when this system has none for it.
extern "C" __attribute__((visibility("default"))) const char*
GetMacOSStatusCommentString(OSStatus err) {
    const StatusText* entry = find(err);
    return entry ? entry->comment : nullptr;
}
