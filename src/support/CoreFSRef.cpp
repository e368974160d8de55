#include "support/CoreFSRef.h"

#include "platform/system/Folders.h"
#include "support/CoreMachDebugLog.h"

bool bool_FSRef_IsValid(const FSRef& fileRef) {
    return noErr == FSGetCatalogInfo(&fileRef, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr);
}

bool bool_FSRef_GetUnixPath(const FSRef& fileRef, char* out_path, std::size_t size) {
    if (!out_path || size == 0)
        return false;
    out_path[0] = '\0';
    if (!VERIFY(bool_FSRef_IsValid(fileRef)))
        return false;
    const OSStatus status =
        FSRefMakePath(&fileRef, reinterpret_cast<UInt8*>(out_path), static_cast<UInt32>(size));
    if (status != noErr) {
        out_path[0] = '\0';
        return false;
    }
    return true;
}
