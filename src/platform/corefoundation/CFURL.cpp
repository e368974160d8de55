#include "platform/corefoundation/CFURL.h"

#include "platform/corefoundation/CFInternal.h"
#include "platform/system/Folders.h"

#include <QDir>
#include <QUrl>

#include <sys/stat.h>

#include <cstring>

struct __CFURL final : __CFType {
    __CFURL() : __CFType(kCFTypeIDURL) {}
    ~__CFURL() override {
        CFRelease(base);
        CFRelease(text);
    }
    bool equals(const __CFType* other) const override {
        const auto* url = static_cast<const __CFURL*>(other);
        return CFEqual(text, url->text) &&
               ((base == nullptr && url->base == nullptr) || CFEqual(base, url->base));
    }
    CFHashCode hash() const override { return CFHash(text); }
    QString describe(int) const override {
        const QString own = CFStringToQString(text);
        return base ? own + QStringLiteral(" -- ") + static_cast<const __CFURL*>(base)->describe(0)
                    : own;
    }
    QString absolutePath() const {
        if (!base || path.startsWith(QLatin1Char('/')))
            return path;
        const QString basePath = static_cast<const __CFURL*>(base)->absolutePath();
        return basePath.endsWith(QLatin1Char('/')) ? basePath + path
                                                   : basePath + QLatin1Char('/') + path;
    }

    bool isFile = false;
    QString path; // decoded; no trailing slash except for the root
    bool directory = false;
    CFURLRef base = nullptr;
    CFStringRef text = nullptr;
};

namespace {

const __CFURL* urlCast(CFTypeRef cf) {
    return CFCast<__CFURL>(cf, kCFTypeIDURL);
}

QString trimmedPath(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

CFURLRef makeFileURL(const QString& rawPath, bool directory, CFURLRef base) {
    if (rawPath.isEmpty())
        return nullptr;
    auto* url = new __CFURL;
    url->isFile = true;
    url->path = trimmedPath(rawPath);
    url->directory = directory || url->path == QLatin1String("/");
    if (!url->path.startsWith(QLatin1Char('/')))
        url->base = static_cast<CFURLRef>(CFRetain(base));
    QString text;
    if (url->path.startsWith(QLatin1Char('/'))) {
        text = QUrl::fromLocalFile(url->path).toString(QUrl::FullyEncoded);
    } else {
        text = QString::fromUtf8(QUrl::toPercentEncoding(url->path, "/"));
    }
    if (url->directory && !text.endsWith(QLatin1Char('/')))
        text += QLatin1Char('/');
    url->text = CFStringCreateFromQString(text);
    return url;
}

CFURLRef currentFolderURL() {
    return makeFileURL(QDir::currentPath(), true, nullptr);
}

} // namespace

CFTypeID CFURLGetTypeID() {
    return kCFTypeIDURL;
}

CFURLRef CFURLCreateWithFileSystemPathRelativeToBase(CFAllocatorRef, CFStringRef filePath,
                                                     CFURLPathStyle pathStyle, Boolean isDirectory,
                                                     CFURLRef baseURL) {
    if (pathStyle != kCFURLPOSIXPathStyle)
        return nullptr;
    const QString path = CFStringToQString(filePath);
    if (path.isEmpty())
        return nullptr;
    if (path.startsWith(QLatin1Char('/')))
        return makeFileURL(path, isDirectory, nullptr);
    if (baseURL)
        return makeFileURL(path, isDirectory, baseURL);
    CFURLRef folder = currentFolderURL();
    CFURLRef url = makeFileURL(path, isDirectory, folder);
    CFRelease(folder);
    return url;
}

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef allocator, CFStringRef filePath,
                                       CFURLPathStyle pathStyle, Boolean isDirectory) {
    return CFURLCreateWithFileSystemPathRelativeToBase(allocator, filePath, pathStyle, isDirectory,
                                                       nullptr);
}

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef allocator, const UInt8* buffer,
                                                 CFIndex bufLen, Boolean isDirectory) {
    if (!buffer || bufLen <= 0)
        return nullptr;
    CFStringRef path = CFStringCreateWithBytes(nullptr, buffer, bufLen, kCFStringEncodingUTF8, 0);
    if (!path)
        return nullptr;
    CFURLRef url =
        CFURLCreateWithFileSystemPath(allocator, path, kCFURLPOSIXPathStyle, isDirectory);
    CFRelease(path);
    return url;
}

CFURLRef CFURLCreateWithString(CFAllocatorRef, CFStringRef URLString, CFURLRef baseURL) {
    const QString text = CFStringToQString(URLString);
    if (text.isEmpty())
        return nullptr;
    const QUrl parsed(text, QUrl::StrictMode);
    if (!parsed.isValid())
        return nullptr;
    if (parsed.scheme() == QLatin1String("file"))
        return makeFileURL(parsed.path(QUrl::FullyDecoded), text.endsWith(QLatin1Char('/')),
                           nullptr);
    if (parsed.scheme().isEmpty()) {
        const __CFURL* base = urlCast(baseURL);
        if (!base || !base->isFile)
            return nullptr;
        return makeFileURL(parsed.path(QUrl::FullyDecoded), text.endsWith(QLatin1Char('/')),
                           baseURL);
    }
    auto* url = new __CFURL;
    url->text = CFStringCreateFromQString(parsed.toString(QUrl::FullyEncoded));
    url->path = parsed.path(QUrl::FullyDecoded);
    url->directory = url->path.endsWith(QLatin1Char('/'));
    return url;
}

CFURLRef CFURLCreateFromFSRef(CFAllocatorRef, const FSRef* fsRef) {
    if (!fsRef)
        return nullptr;
    UInt8 path[sizeof(fsRef->hidden)];
    if (FSRefMakePath(fsRef, path, sizeof(path)) != noErr)
        return nullptr;
    struct stat info {};
    const bool directory =
        ::stat(reinterpret_cast<const char*>(path), &info) == 0 && S_ISDIR(info.st_mode);
    return makeFileURL(QString::fromUtf8(reinterpret_cast<const char*>(path)), directory, nullptr);
}

Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef) {
    UInt8 path[sizeof(FSRef::hidden)];
    if (!fsRef || !CFURLGetFileSystemRepresentation(url, true, path, sizeof(path)))
        return false;
    return FSPathMakeRef(path, fsRef, nullptr) == noErr;
}

CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef, CFURLRef url,
                                               CFStringRef pathComponent, Boolean isDirectory) {
    const __CFURL* source = urlCast(url);
    const QString component = CFStringToQString(pathComponent);
    if (!source || !source->isFile || !CFStringCast(pathComponent))
        return nullptr;
    const QString path = source->path == QLatin1String("/")
                             ? QLatin1Char('/') + component
                             : source->path + QLatin1Char('/') + component;
    return makeFileURL(path, isDirectory, source->base);
}

CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef, CFURLRef url) {
    const __CFURL* source = urlCast(url);
    if (!source || !source->isFile)
        return nullptr;
    if (source->path == QLatin1String("/"))
        return static_cast<CFURLRef>(CFRetain(source));
    const qsizetype slash = source->path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return makeFileURL(QStringLiteral("."), true, source->base);
    return makeFileURL(slash == 0 ? QStringLiteral("/") : source->path.left(slash), true,
                       source->base);
}

CFURLRef CFURLCreateCopyAppendingPathExtension(CFAllocatorRef, CFURLRef url,
                                               CFStringRef extension) {
    const __CFURL* source = urlCast(url);
    if (!source || !source->isFile || source->path == QLatin1String("/"))
        return nullptr;
    return makeFileURL(source->path + QLatin1Char('.') + CFStringToQString(extension),
                       source->directory, source->base);
}

CFURLRef CFURLCreateCopyDeletingPathExtension(CFAllocatorRef, CFURLRef url) {
    const __CFURL* source = urlCast(url);
    if (!source || !source->isFile)
        return nullptr;
    const qsizetype slash = source->path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = source->path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1)
        return static_cast<CFURLRef>(CFRetain(source));
    return makeFileURL(source->path.left(dot), source->directory, source->base);
}

CFURLRef CFURLCopyAbsoluteURL(CFURLRef relativeURL) {
    const __CFURL* source = urlCast(relativeURL);
    if (!source)
        return nullptr;
    if (!source->base)
        return static_cast<CFURLRef>(CFRetain(source));
    return makeFileURL(source->absolutePath(), source->directory, nullptr);
}

CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle) {
    const __CFURL* url = urlCast(anURL);
    if (!url || !url->isFile || pathStyle != kCFURLPOSIXPathStyle)
        return nullptr;
    return CFStringCreateFromQString(url->path);
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer,
                                         CFIndex maxBufLen) {
    const __CFURL* object = urlCast(url);
    if (!object || !object->isFile || !buffer || maxBufLen <= 0)
        return false;
    const QByteArray bytes = (resolveAgainstBase ? object->absolutePath() : object->path).toUtf8();
    if (bytes.size() + 1 > maxBufLen)
        return false;
    std::memcpy(buffer, bytes.constData(), std::size_t(bytes.size()) + 1);
    return true;
}

CFStringRef CFURLCopyLastPathComponent(CFURLRef url) {
    const __CFURL* object = urlCast(url);
    if (!object)
        return nullptr;
    const QString path = trimmedPath(object->path);
    if (path == QLatin1String("/"))
        return CFStringCreateFromQString(path);
    return CFStringCreateFromQString(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
}

CFStringRef CFURLCopyPathExtension(CFURLRef url) {
    CFStringRef last = CFURLCopyLastPathComponent(url);
    const QString name = CFStringToQString(last);
    CFRelease(last);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot + 1 >= name.size())
        return nullptr;
    return CFStringCreateFromQString(name.mid(dot + 1));
}

CFStringRef CFURLCopyScheme(CFURLRef anURL) {
    const __CFURL* url = urlCast(anURL);
    if (!url)
        return nullptr;
    if (url->isFile)
        return url->base ? nullptr : CFStringCreateFromQString(QStringLiteral("file"));
    return CFStringCreateFromQString(QUrl(CFStringToQString(url->text)).scheme());
}

CFStringRef CFURLGetString(CFURLRef anURL) {
    const __CFURL* url = urlCast(anURL);
    return url ? url->text : nullptr;
}

CFURLRef CFURLGetBaseURL(CFURLRef anURL) {
    const __CFURL* url = urlCast(anURL);
    return url ? url->base : nullptr;
}

Boolean CFURLHasDirectoryPath(CFURLRef anURL) {
    const __CFURL* url = urlCast(anURL);
    return url && url->directory;
}

Boolean CFURLResourceIsReachable(CFURLRef url, void*) {
    UInt8 path[4096];
    struct stat info {};
    return CFURLGetFileSystemRepresentation(url, true, path, sizeof(path)) &&
           ::stat(reinterpret_cast<const char*>(path), &info) == 0;
}
