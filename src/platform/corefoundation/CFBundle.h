#pragma once

#include "platform/corefoundation/CFBase.h"

// Bundles: folders that hold a loadable executable, resources and an information property list.
//
// Layouts understood:
// - "<Name>.app/Contents/{MacOS/<exe>,Resources,Frameworks,SharedFrameworks,PlugIns,Info.plist}";
// - flat, as frameworks are: "<Name>.framework/{<exe>,Resources/Info.plist,Resources,
//   Frameworks,SharedFrameworks,PlugIns}";
// - the main bundle of an installed program "<prefix>/bin/<exe>": the bundle is <prefix>, its
//   resources share/lumenreel, its frameworks, shared frameworks and plug-ins under
//   <libdir>/lumenreel (lib, or lib/<multiarch> under /usr); any other main executable makes its
//   own folder a flat bundle.
// The executable's name is the information key CFBundleExecutable, else the folder's name less
// its extension. Executables load with dlopen and their functions are found with dlsym.

CFTypeID CFBundleGetTypeID();
// A new bundle for an existing folder; null when there is no such folder. Each bundle object
// loads and unloads its executable on its own.
CFBundleRef CFBundleCreate(CFAllocatorRef allocator, CFURLRef bundleURL);
// The running program's bundle (borrowed, lives for the whole run).
CFBundleRef CFBundleGetMainBundle();
// Makes another folder the main bundle (for tests and relocated programs); null restores the
// program's own. Earlier main bundles stay valid.
void CFBundleSetMainBundleFolder(const char* posixPath);

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
// Null when the bundle has no executable file.
CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle);
CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle);
CFURLRef CFBundleCopyPrivateFrameworksURL(CFBundleRef bundle);
CFURLRef CFBundleCopySharedFrameworksURL(CFBundleRef bundle);
CFURLRef CFBundleCopyBuiltInPlugInsURL(CFBundleRef bundle);
CFURLRef CFBundleCopySupportFilesDirectoryURL(CFBundleRef bundle);
// The existing resource "<name>.<type>" in the resources folder (or its sub-folder), then in
// its Base.lproj and en.lproj; null when there is none.
CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName,
                                 CFStringRef resourceType, CFStringRef subDirName);

// The information property list (borrowed; empty when the bundle has none).
CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle);
CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key);
CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);

Boolean CFBundleLoadExecutable(CFBundleRef bundle);
Boolean CFBundleIsExecutableLoaded(CFBundleRef bundle);
void CFBundleUnloadExecutable(CFBundleRef bundle);
// Loads the executable when needed; null when it cannot be loaded or has no such symbol.
void* CFBundleGetFunctionPointerForName(CFBundleRef bundle, CFStringRef functionName);
void* CFBundleGetDataPointerForName(CFBundleRef bundle, CFStringRef symbolName);
