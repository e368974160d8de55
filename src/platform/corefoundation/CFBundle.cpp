#include "platform/corefoundation/CFBundle.h"

#include "platform/corefoundation/CFData.h"
#include "platform/corefoundation/CFDictionary.h"
#include "platform/corefoundation/CFInternal.h"
#include "platform/corefoundation/CFPropertyList.h"
#include "platform/corefoundation/CFURL.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

#include <cstdio>
#include <mutex>
#include <vector>

#ifndef LUMENREEL_INSTALL_LIBDIR
#define LUMENREEL_INSTALL_LIBDIR "lib"
#endif

struct __CFBundle final : __CFType {
    __CFBundle() : __CFType(kCFTypeIDBundle) {}
    ~__CFBundle() override {
        if (handle && !isMain)
            ::dlclose(handle);
        CFRelease(info);
    }
    QString describe(int) const override {
        return QStringLiteral("CFBundle <%1> (%2)")
            .arg(root, handle ? QStringLiteral("loaded") : QStringLiteral("not loaded"));
    }

    QString root;
    QString executable;
    QString resources;
    QString privateFrameworks;
    QString sharedFrameworks;
    QString plugIns;
    QString supportFiles;
    CFDictionaryRef info = nullptr;
    void* handle = nullptr;
    bool isMain = false;
    std::mutex mutex;
};

namespace {

__CFBundle* bundleCast(CFTypeRef cf) {
    return const_cast<__CFBundle*>(CFCast<__CFBundle>(cf, kCFTypeIDBundle));
}

CFDictionaryRef readInfo(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray bytes = file.readAll();
    CFDataRef data =
        CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.constData()), bytes.size());
    CFStringRef error = nullptr;
    CFPropertyListRef plist =
        CFPropertyListCreateFromXMLData(nullptr, data, kCFPropertyListImmutable, &error);
    CFRelease(data);
    if (error) {
        std::fprintf(stderr, "CFBundle: cannot read %s: %s\n", path.toUtf8().constData(),
                     CFStringToQString(error).toUtf8().constData());
        CFRelease(error);
    }
    if (plist && CFGetTypeID(plist) != kCFTypeIDDictionary) {
        CFRelease(plist);
        return nullptr;
    }
    return static_cast<CFDictionaryRef>(plist);
}

QString infoString(CFDictionaryRef info, const char* key) {
    return CFStringToQString(
        static_cast<CFStringRef>(CFDictionaryGetValue(info, __CFStringMakeConstantString(key))));
}

void setupFolderBundle(__CFBundle* bundle, const QString& root) {
    bundle->root = root;
    const QString contents = root + QStringLiteral("/Contents");
    if (QFileInfo(contents).isDir()) {
        bundle->resources = contents + QStringLiteral("/Resources");
        bundle->privateFrameworks = contents + QStringLiteral("/Frameworks");
        bundle->sharedFrameworks = contents + QStringLiteral("/SharedFrameworks");
        bundle->plugIns = contents + QStringLiteral("/PlugIns");
        bundle->supportFiles = contents;
        bundle->info = readInfo(contents + QStringLiteral("/Info.plist"));
    } else {
        bundle->resources = root + QStringLiteral("/Resources");
        bundle->privateFrameworks = root + QStringLiteral("/Frameworks");
        bundle->sharedFrameworks = root + QStringLiteral("/SharedFrameworks");
        bundle->plugIns = root + QStringLiteral("/PlugIns");
        bundle->supportFiles = root;
        bundle->info = readInfo(bundle->resources + QStringLiteral("/Info.plist"));
        if (!bundle->info)
            bundle->info = readInfo(root + QStringLiteral("/Info.plist"));
    }
    QString name = infoString(bundle->info, "CFBundleExecutable");
    if (name.isEmpty()) {
        name = QFileInfo(root).fileName();
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot > 0)
            name.truncate(dot);
    }
    if (name.isEmpty())
        return;
    const QString candidates[] = {contents + QStringLiteral("/MacOS/") + name,
                                  root + QLatin1Char('/') + name};
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).isFile()) {
            bundle->executable = candidate;
            break;
        }
}

__CFBundle* makeMainBundle(const QString& folder) {
    auto* bundle = new __CFBundle;
    bundle->immortal = true;
    bundle->isMain = true;
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString exeFolder = folder.isEmpty() ? QFileInfo(exe).absolutePath() : folder;
    const QDir dir(exeFolder);
    if (folder.isEmpty() && dir.dirName() == QLatin1String("bin")) {
        const QString prefix = QFileInfo(exeFolder + QStringLiteral("/..")).canonicalFilePath();
        bundle->root = prefix;
        bundle->resources = prefix + QStringLiteral("/share/lumenreel");
        const QString library = prefix + QStringLiteral("/" LUMENREEL_INSTALL_LIBDIR "/lumenreel");
        bundle->privateFrameworks = library + QStringLiteral("/Frameworks");
        bundle->sharedFrameworks = library + QStringLiteral("/SharedFrameworks");
        bundle->plugIns = library + QStringLiteral("/PlugIns");
        bundle->supportFiles = prefix;
        bundle->info = readInfo(bundle->resources + QStringLiteral("/Info.plist"));
    } else if (folder.isEmpty() && dir.dirName() == QLatin1String("MacOS") &&
               QDir(exeFolder + QStringLiteral("/..")).dirName() == QLatin1String("Contents")) {
        setupFolderBundle(bundle,
                          QFileInfo(exeFolder + QStringLiteral("/../..")).canonicalFilePath());
    } else {
        setupFolderBundle(bundle, exeFolder);
    }
    bundle->executable = exe;
    bundle->handle = ::dlopen(nullptr, RTLD_NOW);
    return bundle;
}

std::mutex sMainMutex;
__CFBundle* sMainBundle = nullptr;

QString& mainFolder() {
    static QString folder;
    return folder;
}

CFURLRef folderURL(const QString& path) {
    if (path.isEmpty())
        return nullptr;
    CFStringRef string = CFStringCreateFromQString(path);
    CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, string, kCFURLPOSIXPathStyle, true);
    CFRelease(string);
    return url;
}

CFURLRef fileURL(const QString& path) {
    if (path.isEmpty())
        return nullptr;
    CFStringRef string = CFStringCreateFromQString(path);
    CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, string, kCFURLPOSIXPathStyle, false);
    CFRelease(string);
    return url;
}

void* lookUp(CFBundleRef bundleRef, CFStringRef name) {
    __CFBundle* bundle = bundleCast(bundleRef);
    const QString symbol = CFStringToQString(name);
    if (!bundle || symbol.isEmpty() || !CFBundleLoadExecutable(bundleRef))
        return nullptr;
    std::lock_guard<std::mutex> lock(bundle->mutex);
    return bundle->handle ? ::dlsym(bundle->handle, symbol.toUtf8().constData()) : nullptr;
}

} // namespace

CFTypeID CFBundleGetTypeID() {
    return kCFTypeIDBundle;
}

CFBundleRef CFBundleCreate(CFAllocatorRef, CFURLRef bundleURL) {
    UInt8 path[4096];
    if (!CFURLGetFileSystemRepresentation(bundleURL, true, path, sizeof(path)))
        return nullptr;
    const QString folder = QString::fromUtf8(reinterpret_cast<const char*>(path));
    if (!QFileInfo(folder).isDir())
        return nullptr;
    auto* bundle = new __CFBundle;
    setupFolderBundle(bundle, QFileInfo(folder).absoluteFilePath());
    return bundle;
}

CFBundleRef CFBundleGetMainBundle() {
    std::lock_guard<std::mutex> lock(sMainMutex);
    if (!sMainBundle)
        sMainBundle = makeMainBundle(mainFolder());
    return sMainBundle;
}

void CFBundleSetMainBundleFolder(const char* posixPath) {
    std::lock_guard<std::mutex> lock(sMainMutex);
    mainFolder() = posixPath ? QString::fromUtf8(posixPath) : QString();
    // The previous main bundle may still be in use by callers: it is kept, not freed.
    static auto* retired = new std::vector<__CFBundle*>;
    if (sMainBundle)
        retired->push_back(sMainBundle);
    sMainBundle = nullptr;
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle) {
    const __CFBundle* object = bundleCast(bundle);
    return object ? folderURL(object->root) : nullptr;
}

CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle) {
    const __CFBundle* object = bundleCast(bundle);
    return object ? fileURL(object->executable) : nullptr;
}

CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle) {
    const __CFBundle* object = bundleCast(bundle);
    return object ? folderURL(object->resources) : nullptr;
}

CFURLRef CFBundleCopyPrivateFrameworksURL(CFBundleRef bundle) {
    const __CFBundle* object = bundleCast(bundle);
    return object ? folderURL(object->privateFrameworks) : nullptr;
}

CFURLRef CFBundleCopySharedFrameworksURL(CFBundleRef bundle) {
    const __CFBundle* object = bundleCast(bundle);
    return object ? folderURL(object->sharedFrameworks) : nullptr;
}

CFURLRef CFBundleCopyBuiltInPlugInsURL(CFBundleRef bundle) {
    const __CFBundle* object = bundleCast(bundle);
    return object ? folderURL(object->plugIns) : nullptr;
}

CFURLRef CFBundleCopySupportFilesDirectoryURL(CFBundleRef bundle) {
    const __CFBundle* object = bundleCast(bundle);
    return object ? folderURL(object->supportFiles) : nullptr;
}

CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName,
                                 CFStringRef resourceType, CFStringRef subDirName) {
    const __CFBundle* object = bundleCast(bundle);
    const QString name = CFStringToQString(resourceName);
    if (!object || name.isEmpty() || name.contains(QLatin1String("..")))
        return nullptr;
    QString type = CFStringToQString(resourceType);
    if (type.startsWith(QLatin1Char('.')))
        type.remove(0, 1);
    const QString leaf = type.isEmpty() || name.endsWith(QLatin1Char('.') + type)
                             ? name
                             : name + QLatin1Char('.') + type;
    const QString sub = CFStringToQString(subDirName);
    if (sub.contains(QLatin1String("..")))
        return nullptr;
    const QString base =
        sub.isEmpty() ? object->resources : object->resources + QLatin1Char('/') + sub;
    const QString candidates[] = {base + QLatin1Char('/') + leaf,
                                  base + QStringLiteral("/Base.lproj/") + leaf,
                                  base + QStringLiteral("/en.lproj/") + leaf};
    for (const QString& candidate : candidates) {
        const QFileInfo info(candidate);
        if (info.exists())
            return info.isDir() ? folderURL(candidate) : fileURL(candidate);
    }
    return nullptr;
}

CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle) {
    __CFBundle* object = bundleCast(bundle);
    if (!object)
        return nullptr;
    std::lock_guard<std::mutex> lock(object->mutex);
    if (!object->info)
        object->info =
            CFDictionaryCreate(nullptr, nullptr, nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                               &kCFTypeDictionaryValueCallBacks);
    return object->info;
}

CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key) {
    return CFDictionaryGetValue(CFBundleGetInfoDictionary(bundle), key);
}

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle) {
    CFTypeRef value = CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("CFBundleIdentifier"));
    return CFGetTypeID(value) == kCFTypeIDString ? static_cast<CFStringRef>(value) : nullptr;
}

Boolean CFBundleLoadExecutable(CFBundleRef bundle) {
    __CFBundle* object = bundleCast(bundle);
    if (!object)
        return false;
    std::lock_guard<std::mutex> lock(object->mutex);
    if (object->handle)
        return true;
    // A bundle without an executable (a framework that is not installed) is no error: the
    // caller gets its failure value.
    if (object->executable.isEmpty())
        return false;
    object->handle = ::dlopen(object->executable.toUtf8().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!object->handle) {
        const char* why = ::dlerror();
        std::fprintf(stderr, "CFBundle: cannot load %s: %s\n",
                     object->executable.toUtf8().constData(), why ? why : "unknown error");
        return false;
    }
    return true;
}

Boolean CFBundleIsExecutableLoaded(CFBundleRef bundle) {
    __CFBundle* object = bundleCast(bundle);
    if (!object)
        return false;
    std::lock_guard<std::mutex> lock(object->mutex);
    return object->handle != nullptr;
}

void CFBundleUnloadExecutable(CFBundleRef bundle) {
    __CFBundle* object = bundleCast(bundle);
    if (!object || object->isMain)
        return;
    std::lock_guard<std::mutex> lock(object->mutex);
    if (object->handle)
        ::dlclose(object->handle);
    object->handle = nullptr;
}

void* CFBundleGetFunctionPointerForName(CFBundleRef bundle, CFStringRef functionName) {
    return lookUp(bundle, functionName);
}

void* CFBundleGetDataPointerForName(CFBundleRef bundle, CFStringRef symbolName) {
    return lookUp(bundle, symbolName);
}
