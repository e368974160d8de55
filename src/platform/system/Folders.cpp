#include "platform/system/Folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>

#ifndef LUMENREEL_BUILD_FRAMEWORKS_DIR
#define LUMENREEL_BUILD_FRAMEWORKS_DIR ""
#endif
#ifndef LUMENREEL_INSTALL_LIBDIR
#define LUMENREEL_INSTALL_LIBDIR "lib"
#endif

namespace {

std::mutex& overrideMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<std::pair<SInt16, OSType>, std::string>& overrides() {
    static std::map<std::pair<SInt16, OSType>, std::string> table;
    return table;
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string environmentFolder(const char* name, const char* homeRelativeDefault) {
    const char* value = std::getenv(name);
    if (value && value[0] == '/')
        return value;
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/')
        return {};
    return std::string(home) + "/" + homeRelativeDefault;
}

std::string executableFolder() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : exe.parent_path().string();
}

// The <libdir>/lumenreel folder of the installed tree, or the build tree's folder that stands for
// it.
std::string systemLibraryFolder() {
    const std::string exeFolder = executableFolder();
    if (!exeFolder.empty()) {
        const std::string installed = exeFolder + "/../" LUMENREEL_INSTALL_LIBDIR "/lumenreel";
        if (isDirectory(installed + "/Frameworks"))
            return installed;
    }
    const std::string built = LUMENREEL_BUILD_FRAMEWORKS_DIR;
    if (built.empty())
        return {};
    return std::filesystem::path(built).parent_path().string();
}

std::string leafForType(OSType type) {
    if (type == kFrameworksFolderType)
        return "Frameworks";
    if (type == kQuickTimeComponentsFolderType)
        return "Components";
    return {};
}

// Where the folder would be; empty when the pair names no folder on this system.
std::string standardFolder(SInt16 domain, OSType type) {
    {
        std::lock_guard<std::mutex> lock(overrideMutex());
        const auto found = overrides().find({domain, type});
        if (found != overrides().end())
            return found->second;
    }
    switch (domain) {
    case kUserDomain:
        if (type == kLogsFolderType)
            return environmentFolder("XDG_STATE_HOME", ".local/state");
        if (!leafForType(type).empty()) {
            const std::string data = environmentFolder("XDG_DATA_HOME", ".local/share");
            return data.empty() ? data : data + "/lumenreel/" + leafForType(type);
        }
        return {};
    case kLocalDomain:
        return leafForType(type).empty() ? std::string()
                                         : "/usr/local/lib/lumenreel/" + leafForType(type);
    case kSystemDomain: {
        if (leafForType(type).empty())
            return {};
        const std::string root = systemLibraryFolder();
        return root.empty() ? root : root + "/" + leafForType(type);
    }
    default:
        return {};
    }
}

bool storePath(const std::string& path, FSRef* ref) {
    if (path.size() + 1 > sizeof(ref->hidden))
        return false;
    std::memset(ref->hidden, 0, sizeof(ref->hidden));
    std::memcpy(ref->hidden, path.data(), path.size());
    return true;
}

} // namespace

OSErr FSFindFolder(SInt16 domain, OSType folderType, Boolean createFolder, FSRef* foundFolder) {
    if (!foundFolder)
        return paramErr;
    if (domain != kSystemDomain && domain != kLocalDomain && domain != kUserDomain &&
        domain != kNetworkDomain)
        return paramErr;
    const std::string path = standardFolder(domain, folderType);
    if (path.empty())
        return fnfErr;
    if (!isDirectory(path)) {
        if (!createFolder)
            return fnfErr;
        std::error_code error;
        std::filesystem::create_directories(path, error);
        if (error || !isDirectory(path))
            return permErr;
    }
    return storePath(path, foundFolder) ? noErr : paramErr;
}

OSStatus FSPathMakeRef(const UInt8* path, FSRef* ref, Boolean* isDirectoryOut) {
    if (!path || !ref || path[0] == 0)
        return paramErr;
    const std::string text(reinterpret_cast<const char*>(path));
    struct stat info {};
    if (::stat(text.c_str(), &info) != 0)
        return fnfErr;
    if (!storePath(text, ref))
        return paramErr;
    if (isDirectoryOut)
        *isDirectoryOut = S_ISDIR(info.st_mode) ? 1 : 0;
    return noErr;
}

OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap, void*, void*, void*, FSRef*) {
    if (!ref || ref->hidden[0] == 0 || ::memchr(ref->hidden, 0, sizeof(ref->hidden)) == nullptr)
        return paramErr;
    struct stat info {};
    return ::stat(ref->hidden, &info) == 0 ? noErr : fnfErr;
}

OSStatus FSRefMakePath(const FSRef* ref, UInt8* path, UInt32 maxPathSize) {
    if (!ref || !path || maxPathSize == 0)
        return paramErr;
    const OSErr valid = FSGetCatalogInfo(ref, kFSCatInfoNone, nullptr, nullptr, nullptr, nullptr);
    if (valid != noErr)
        return valid;
    const std::size_t length = std::strlen(ref->hidden);
    if (length + 1 > maxPathSize)
        return paramErr;
    std::memcpy(path, ref->hidden, length + 1);
    return noErr;
}

void FSSetFolderOverride(SInt16 domain, OSType folderType, const char* posixPath) {
    std::lock_guard<std::mutex> lock(overrideMutex());
    if (posixPath)
        overrides()[{domain, folderType}] = posixPath;
    else
        overrides().erase({domain, folderType});
}
