#pragma once

#include "platform/corefoundation/CFBase.h"
#include "platform/system/MacTypes.h"

#include <mutex>
#include <string>

// Standard locations, and loading frameworks by name at run time.
namespace CFBaseDLL {

enum Location : std::int32_t {
    kLocationExecutableFolder = 0,
    kLocationSystemFrameworks = 1,
    kLocationLocalFrameworks = 2,
    kLocationPrivateFrameworks = 3,
    kLocationSharedFrameworks = 4,
    kLocationResources = 5,
    kLocationBuiltInPlugIns = 6,
    kLocationSupportFiles = 7,
    kLocationLocalComponents = 8,
    kLocationSystemComponents = 9,
    kLocationUserComponents = 10,
};

// The URL of `name` inside the standard folder (never created), below `subFolder` when given;
// null when the folder cannot be found. The caller releases the result.
CFURLRef URLOfNameInFindFolder(CFStringRef name, OSType folderType, SInt16 domain,
                               CFStringRef subFolder);
// The URL of `name` in one of the locations above; null for any other location or when the
// place cannot be found. The caller releases the result.
CFURLRef URLOfNameInLocation(CFStringRef name, Location location);
// Sets out_path to the URL's file-system path (at most 1023 bytes) and returns it; leaves it
// unchanged when the URL has none or it does not fit.
std::string& PathFromURL(CFURLRef url, std::string& out_path);

} // namespace CFBaseDLL

// The bundle operations of one loadable framework: its name (a constant text, not owned) and,
// once loaded, its bundle (owned).
class I_CFBundleDLL {
public:
    constexpr explicit I_CFBundleDLL(const char* name) : mName(name) {}
    I_CFBundleDLL(const I_CFBundleDLL&) = delete;
    I_CFBundleDLL& operator=(const I_CFBundleDLL&) = delete;

    // Creates the bundle for the folder URL and loads its executable; false for a null URL or
    // when either step fails.
    bool LoadFromURL(CFURLRef url);
    // Unloads and releases a loaded bundle; false (and nothing changed) when none is loaded.
    bool Unload();
    bool IsLoaded() const;
    // The function of that name in the loaded bundle, or null.
    void* GetFunctionPointerForName(const char* functionName) const;

    const char* Name() const { return mName; }
    CFBundleRef Bundle() const { return mBundle; }

protected:
    ~I_CFBundleDLL() = default;
    bool IsLoadedUnlocked() const;
    bool LoadFromURLUnlocked(CFURLRef url);
    bool UnloadUnlocked();
    void* GetFunctionPointerForNameUnlocked(const char* functionName) const;

    const char* mName;
    CFBundleRef mBundle = nullptr;
    // Two threads asking for the same framework at once load it once.
    mutable std::mutex mMutex;
};

// A framework handle that loads its framework by name from the system Frameworks folder and
// unloads it when destroyed.
template <class I>
class T_CFBaseDLL : public I {
public:
    constexpr explicit T_CFBaseDLL(const char* name) : I(name) {}
    ~T_CFBaseDLL() {
        I::Unload();
        this->mName = nullptr;
    }

    // A given name replaces the stored one. True at once when the bundle is loaded already.
    bool LoadSystemFramework(const char* name = nullptr) {
        std::lock_guard<std::mutex> lock(this->mMutex);
        return LoadSystemFrameworkUnlocked(name);
    }

    // The calling pattern of every user: load when needed, then look the function up; null
    // when the framework or the function cannot be had.
    template <class F>
    F Function(const char* functionName) {
        std::lock_guard<std::mutex> lock(this->mMutex);
        if (!this->IsLoadedUnlocked())
            LoadSystemFrameworkUnlocked(nullptr);
        if (!this->IsLoadedUnlocked())
            return nullptr;
        return reinterpret_cast<F>(this->GetFunctionPointerForNameUnlocked(functionName));
    }

private:
    bool LoadSystemFrameworkUnlocked(const char* name);
};

extern template class T_CFBaseDLL<I_CFBundleDLL>;
