#include "support/CFBaseDLL.h"

#include "platform/corefoundation/CFBundle.h"
#include "platform/corefoundation/CFString.h"
#include "platform/corefoundation/CFURL.h"
#include "platform/system/Folders.h"

#include <cstring>

namespace CFBaseDLL {

namespace {

CFURLRef appendName(CFURLRef folder, CFStringRef name) {
    if (!folder || !name)
        return nullptr;
    return CFURLCreateCopyAppendingPathComponent(kCFAllocatorDefault, folder, name, false);
}

} // namespace

CFURLRef URLOfNameInFindFolder(CFStringRef name, OSType folderType, SInt16 domain,
                               CFStringRef subFolder) {
    FSRef folderRef;
    if (FSFindFolder(domain, folderType, kDontCreateFolder, &folderRef) != noErr)
        return nullptr;
    CFURLRef folder = CFURLCreateFromFSRef(kCFAllocatorDefault, &folderRef);
    if (!folder)
        return nullptr;
    CFURLRef result = nullptr;
    if (subFolder) {
        CFURLRef sub =
            CFURLCreateCopyAppendingPathComponent(kCFAllocatorDefault, folder, subFolder, true);
        result = appendName(sub, name);
        if (sub)
            CFRelease(sub);
    } else {
        result = appendName(folder, name);
    }
    CFRelease(folder);
    return result;
}

CFURLRef URLOfNameInLocation(CFStringRef name, Location location) {
    switch (location) {
    case kLocationSystemFrameworks:
        return URLOfNameInFindFolder(name, kFrameworksFolderType, kSystemDomain, nullptr);
    case kLocationLocalFrameworks:
        return URLOfNameInFindFolder(name, kFrameworksFolderType, kLocalDomain, nullptr);
    case kLocationLocalComponents:
        return URLOfNameInFindFolder(name, kQuickTimeComponentsFolderType, kLocalDomain, nullptr);
    case kLocationSystemComponents:
        return URLOfNameInFindFolder(name, kQuickTimeComponentsFolderType, kSystemDomain, nullptr);
    case kLocationUserComponents:
        return URLOfNameInFindFolder(name, kQuickTimeComponentsFolderType, kUserDomain, nullptr);
    case kLocationExecutableFolder:
    case kLocationPrivateFrameworks:
    case kLocationSharedFrameworks:
    case kLocationResources:
    case kLocationBuiltInPlugIns:
    case kLocationSupportFiles:
        break;
    default:
        return nullptr;
    }
    CFBundleRef mainBundle = CFBundleGetMainBundle();
    if (!mainBundle)
        return nullptr;
    CFURLRef folder = nullptr;
    switch (location) {
    case kLocationExecutableFolder: {
        CFURLRef executable = CFBundleCopyExecutableURL(mainBundle);
        if (executable) {
            folder = CFURLCreateCopyDeletingLastPathComponent(kCFAllocatorDefault, executable);
            CFRelease(executable);
        }
        break;
    }
    case kLocationPrivateFrameworks:
        folder = CFBundleCopyPrivateFrameworksURL(mainBundle);
        break;
    case kLocationSharedFrameworks:
        folder = CFBundleCopySharedFrameworksURL(mainBundle);
        break;
    case kLocationResources:
        folder = CFBundleCopyResourcesDirectoryURL(mainBundle);
        break;
    case kLocationBuiltInPlugIns:
        folder = CFBundleCopyBuiltInPlugInsURL(mainBundle);
        break;
    default:
        folder = CFBundleCopySupportFilesDirectoryURL(mainBundle);
        break;
    }
    CFURLRef result = appendName(folder, name);
    if (folder)
        CFRelease(folder);
    return result;
}

std::string& PathFromURL(CFURLRef url, std::string& out_path) {
    static char sPathBuffer[1024];
    if (url && CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(sPathBuffer),
                                                sizeof(sPathBuffer)))
        out_path = sPathBuffer;
    return out_path;
}

} // namespace CFBaseDLL

bool I_CFBundleDLL::IsLoadedUnlocked() const {
    return mBundle && CFBundleIsExecutableLoaded(mBundle);
}

bool I_CFBundleDLL::IsLoaded() const {
    std::lock_guard<std::mutex> lock(mMutex);
    return IsLoadedUnlocked();
}

bool I_CFBundleDLL::LoadFromURLUnlocked(CFURLRef url) {
    if (!url)
        return false;
    // A bundle kept from an earlier, failed load is replaced.
    if (mBundle && !CFBundleIsExecutableLoaded(mBundle)) {
        CFRelease(mBundle);
        mBundle = nullptr;
    }
    if (!mBundle)
        mBundle = CFBundleCreate(kCFAllocatorSystemDefault, url);
    if (!mBundle)
        return false;
    if (CFBundleLoadExecutable(mBundle))
        return true;
    // Nothing would release a bundle that was never loaded.
    CFRelease(mBundle);
    mBundle = nullptr;
    return false;
}

bool I_CFBundleDLL::LoadFromURL(CFURLRef url) {
    std::lock_guard<std::mutex> lock(mMutex);
    return LoadFromURLUnlocked(url);
}

bool I_CFBundleDLL::UnloadUnlocked() {
    if (!IsLoadedUnlocked())
        return false;
    CFBundleUnloadExecutable(mBundle);
    CFRelease(mBundle);
    mBundle = nullptr;
    return true;
}

bool I_CFBundleDLL::Unload() {
    std::lock_guard<std::mutex> lock(mMutex);
    return UnloadUnlocked();
}

void* I_CFBundleDLL::GetFunctionPointerForName(const char* functionName) const {
    std::lock_guard<std::mutex> lock(mMutex);
    return GetFunctionPointerForNameUnlocked(functionName);
}

void* I_CFBundleDLL::GetFunctionPointerForNameUnlocked(const char* functionName) const {
    if (!functionName || !IsLoadedUnlocked())
        return nullptr;
    CFStringRef name =
        CFStringCreateWithCString(kCFAllocatorDefault, functionName, kCFStringEncodingUTF8);
    void* function = name ? CFBundleGetFunctionPointerForName(mBundle, name) : nullptr;
    if (name)
        CFRelease(name);
    return function;
}

template <class I>
bool T_CFBaseDLL<I>::LoadSystemFrameworkUnlocked(const char* name) {
    if (name)
        this->mName = name;
    if (this->IsLoadedUnlocked())
        return true;
    if (!this->mName)
        return false;
    CFStringRef frameworkName =
        CFStringCreateWithCString(kCFAllocatorDefault, this->mName, kCFStringEncodingUTF8);
    if (!frameworkName)
        return false;
    CFURLRef url =
        CFBaseDLL::URLOfNameInLocation(frameworkName, CFBaseDLL::kLocationSystemFrameworks);
    CFRelease(frameworkName);
    const bool loaded = this->LoadFromURLUnlocked(url);
    if (url)
        CFRelease(url);
    return loaded;
}

template class T_CFBaseDLL<I_CFBundleDLL>;
