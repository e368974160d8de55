#include "platform/quartzcomposer/QCEGLContext.h"

#include "platform/quartzcomposer/QCLog.h"

#include <QRegularExpression>
#include <QStringList>

#define EGL_EGLEXT_PROTOTYPES 0
#include <EGL/egl.h>
#include <EGL/eglext.h>
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool hasExtension(const char* list, const char* name) {
    if (list == nullptr)
        return false;
    const std::size_t length = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += length) {
        const bool startsWord = p == list || p[-1] == ' ';
        const bool endsWord = p[length] == ' ' || p[length] == '\0';
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

QString eglErrorText() {
    return QStringLiteral("EGL error 0x%1").arg(eglGetError(), 4, 16, QLatin1Char('0'));
}

// The context attributes that ask for robust access and a lost context on a GPU reset, in the
// form the display's EGL takes; empty when it takes none.
std::vector<EGLint> robustnessAttributes(EGLDisplay display) {
    const char* version = eglQueryString(display, EGL_VERSION);
    int major = 0;
    int minor = 0;
    if (version != nullptr && std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
        major * 10 + minor >= 15)
        return {EGL_CONTEXT_OPENGL_ROBUST_ACCESS, EGL_TRUE,
                EGL_CONTEXT_OPENGL_RESET_NOTIFICATION_STRATEGY, EGL_LOSE_CONTEXT_ON_RESET};
    if (hasExtension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_create_context"))
        return {EGL_CONTEXT_FLAGS_KHR, EGL_CONTEXT_OPENGL_ROBUST_ACCESS_BIT_KHR,
                EGL_CONTEXT_OPENGL_RESET_NOTIFICATION_STRATEGY_KHR, EGL_LOSE_CONTEXT_ON_RESET_KHR};
    return {};
}

// A context of the richest kind the display offers: compatibility profile first, so that ISF
// sources using the classic built-ins compile as written; a core profile otherwise.
EGLContext createContext(EGLDisplay display) {
    if (!eglBindAPI(EGL_OPENGL_API))
        return EGL_NO_CONTEXT;
    EGLConfig config = EGL_NO_CONFIG_KHR;
    if (!hasExtension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_no_config_context")) {
        const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE,
                                     EGL_PBUFFER_BIT, EGL_NONE};
        EGLint count = 0;
        if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1)
            return EGL_NO_CONTEXT;
    }
    std::vector<std::vector<EGLint>> attempts = {
        {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 2,
         EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE},
        {EGL_NONE},
        {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 2,
         EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE},
    };
    // Where the driver offers it, each kind first as a robust context that learns of GPU
    // resets, so that a job can end instead of hanging or writing garbage after one. Desktop
    // OpenGL takes these attributes from EGL 1.5 (EGL_EXT_create_context_robustness's own are
    // for OpenGL ES).
    const std::vector<EGLint> robustness = robustnessAttributes(display);
    if (!robustness.empty()) {
        std::vector<std::vector<EGLint>> robustFirst;
        for (const std::vector<EGLint>& attributes : attempts) {
            std::vector<EGLint> robust = attributes;
            robust.insert(robust.end() - 1, robustness.begin(), robustness.end());
            robustFirst.push_back(robust);
            robustFirst.push_back(attributes);
        }
        attempts = robustFirst;
    }
    for (const std::vector<EGLint>& attributes : attempts) {
        EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes.data());
        if (context != EGL_NO_CONTEXT)
            return context;
    }
    return EGL_NO_CONTEXT;
}

// True when the display can run a surfaceless desktop OpenGL context; out_renderer, when
// given, receives the name of the OpenGL renderer.
bool isUsable(EGLDisplay display, QString* out_renderer = nullptr) {
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr))
        return false;
    bool usable = false;
    if (hasExtension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context") &&
        hasExtension(eglQueryString(display, EGL_CLIENT_APIS), "OpenGL")) {
        EGLContext context = createContext(display);
        if (context != EGL_NO_CONTEXT) {
            EGLDisplay previousDisplay = eglGetCurrentDisplay();
            EGLContext previousContext = eglGetCurrentContext();
            EGLSurface previousDraw = eglGetCurrentSurface(EGL_DRAW);
            EGLSurface previousRead = eglGetCurrentSurface(EGL_READ);
            if (eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
                usable = glGetString(GL_VERSION) != nullptr;
                if (usable && out_renderer)
                    *out_renderer =
                        QString::fromUtf8(reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
                if (previousContext != EGL_NO_CONTEXT)
                    eglMakeCurrent(previousDisplay, previousDraw, previousRead, previousContext);
                else
                    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            }
            eglDestroyContext(display, context);
        }
    }
    if (!usable)
        eglTerminate(display);
    return usable;
}

struct SharedDisplay {
    EGLDisplay display = EGL_NO_DISPLAY;
    QString name;
};

PFNEGLGETPLATFORMDISPLAYEXTPROC platformDisplayFunction() {
    return reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
}

// The EGL devices that the driver reports, in its order; empty without the device platform.
std::vector<EGLDeviceEXT> eglDevices() {
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto queryDevices =
        reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    EGLint count = 0;
    if (platformDisplayFunction() == nullptr || queryDevices == nullptr ||
        !hasExtension(clientExtensions, "EGL_EXT_platform_device") ||
        !queryDevices(0, nullptr, &count) || count <= 0)
        return {};
    std::vector<EGLDeviceEXT> devices(static_cast<std::size_t>(count));
    if (!queryDevices(count, devices.data(), &count))
        return {};
    devices.resize(static_cast<std::size_t>(std::max(count, 0)));
    return devices;
}

EGLDisplay deviceDisplay(EGLDeviceEXT device) {
    return platformDisplayFunction()(EGL_PLATFORM_DEVICE_EXT, device, nullptr);
}

// The device chosen with QCEGLContext::selectDevice, or -1 for the first usable display.
std::atomic<int> sSelectedDevice{-1};
std::atomic<bool> sDisplayChosen{false};

SharedDisplay chooseDisplay() {
    sDisplayChosen = true;
    const std::vector<EGLDeviceEXT> devices = eglDevices();
    if (const int selected = sSelectedDevice.load(); selected >= 0) {
        const auto index = static_cast<std::size_t>(selected);
        if (index < devices.size() && isUsable(deviceDisplay(devices[index])))
            return {deviceDisplay(devices[index]), QStringLiteral("EGL device %1").arg(selected)};
        return {};
    }
    for (std::size_t i = 0; i < devices.size(); ++i) {
        EGLDisplay display = deviceDisplay(devices[i]);
        if (isUsable(display))
            return {display, QStringLiteral("EGL device %1").arg(i)};
    }
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto getPlatformDisplay = platformDisplayFunction();
    if (getPlatformDisplay != nullptr &&
        hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        EGLDisplay display =
            getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (isUsable(display))
            return {display, QStringLiteral("EGL surfaceless platform")};
    }
    EGLDisplay display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (isUsable(display))
        return {display, QStringLiteral("EGL default display")};
    return {};
}

// Chosen once for the process and kept for its whole run (never terminated: the driver is
// unloaded on termination, and the process may still hold contexts at exit).
const SharedDisplay& sharedDisplay() {
    static const SharedDisplay display = chooseDisplay();
    return display;
}

int parseGLSLVersion(const char* text) {
    int major = 0;
    int minor = 0;
    if (text == nullptr)
        return 0;
    const char* p = text;
    while (*p != '\0' && (*p < '0' || *p > '9'))
        ++p;
    while (*p >= '0' && *p <= '9')
        major = major * 10 + (*p++ - '0');
    if (*p == '.')
        ++p;
    for (int digits = 0; digits < 2 && *p >= '0' && *p <= '9'; ++digits)
        minor = minor * 10 + (*p++ - '0');
    return major * 100 + minor;
}

} // namespace

std::unique_ptr<QCEGLContext> QCEGLContext::create(QString* out_error) {
    const SharedDisplay& shared = sharedDisplay();
    if (shared.display == EGL_NO_DISPLAY) {
        const int selected = sSelectedDevice.load();
        *out_error = selected >= 0 ? QStringLiteral("EGL device %1 cannot run desktop OpenGL "
                                                    "without a surface")
                                         .arg(selected)
                                   : QStringLiteral("no EGL display can run desktop OpenGL "
                                                    "without a surface");
        return nullptr;
    }
    const EGLenum previousAPI = eglQueryAPI();
    EGLContext context = createContext(shared.display);
    eglBindAPI(previousAPI);
    if (context == EGL_NO_CONTEXT) {
        *out_error = QStringLiteral("cannot create an OpenGL context on the %1 (%2)")
                         .arg(shared.name, eglErrorText());
        return nullptr;
    }
    std::unique_ptr<QCEGLContext> result(new QCEGLContext);
    result->mDisplay = shared.display;
    result->mContext = context;
    QCEGLCurrentScope current(*result);
    if (!current) {
        *out_error =
            QStringLiteral("cannot make the OpenGL context current (%1)").arg(eglErrorText());
        return nullptr;
    }
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    result->mGLSLVersion =
        parseGLSLVersion(reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION)));
    GLint major = 0;
    GLint minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    GLint profile = 0;
    if (major * 10 + minor >= 32)
        glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    result->mCompatibility =
        major * 10 + minor < 32 || (profile & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT) != 0;
    GLint extensionCount = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &extensionCount);
    for (GLint i = 0; i < extensionCount; ++i) {
        const char* name = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, i));
        if (name != nullptr && std::strcmp(name, "GL_ARB_ES3_compatibility") == 0)
            result->mES3Shaders = true;
    }
    GLint strategy = GL_NO_RESET_NOTIFICATION;
    glGetIntegerv(GL_RESET_NOTIFICATION_STRATEGY, &strategy);
    glGetError();
    result->mRenderer = QString::fromUtf8(renderer ? renderer : "?");
    result->mDescription =
        QStringLiteral("%1, OpenGL %2 on %3%4")
            .arg(shared.name, QString::fromLatin1(version ? version : "?"), result->mRenderer,
                 strategy == GL_LOSE_CONTEXT_ON_RESET ? QStringLiteral(", reset notification")
                                                      : QString());
    return result;
}

QString QCEGLContext::renderingDeviceSummary() const {
    static const QRegularExpression software(
        QStringLiteral("^(llvmpipe|softpipe|swr|swrast|software)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = software.match(mRenderer);
    if (match.hasMatch())
        return QStringLiteral("%1, CPU").arg(match.captured(1));
    // "NVIDIA H100/PCIe/SSE2", "AMD Radeon RX 6800 (navi21, LLVM 15.0.6, DRM 3.49)": the name.
    return mRenderer.section(u'/', 0, 0).section(QStringLiteral(" ("), 0, 0).trimmed();
}

QString QCEGLContext::processRenderingDeviceSummary() {
    static const QString summary = [] {
        QString error;
        const std::unique_ptr<QCEGLContext> context = create(&error);
        if (!context)
            QCLog(QStringLiteral("QCRenderer: no OpenGL context: %1").arg(error));
        return context ? context->renderingDeviceSummary() : QString();
    }();
    return summary;
}

QStringList QCEGLContext::deviceList() {
    const std::vector<EGLDeviceEXT> devices = eglDevices();
    auto queryString = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(
        eglGetProcAddress("eglQueryDeviceStringEXT"));
    QStringList lines;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const char* extensions = queryString ? queryString(devices[i], EGL_EXTENSIONS) : nullptr;
        QString place = QStringLiteral("EGL device");
        if (hasExtension(extensions, "EGL_MESA_device_software"))
            place = QStringLiteral("software");
        else if (hasExtension(extensions, "EGL_EXT_device_drm"))
            place = QString::fromUtf8(queryString(devices[i], EGL_DRM_DEVICE_FILE_EXT));
        const EGLenum previousAPI = eglQueryAPI();
        QString renderer;
        const bool usable = isUsable(deviceDisplay(devices[i]), &renderer);
        eglBindAPI(previousAPI);
        lines << QStringLiteral("%1: %2, %3")
                     .arg(i)
                     .arg(place, usable ? renderer
                                        : QStringLiteral("cannot run desktop OpenGL without a "
                                                         "surface"));
    }
    return lines;
}

bool QCEGLContext::selectDevice(int in_index, QString* out_error) {
    if (sDisplayChosen.load()) {
        *out_error = QStringLiteral("the EGL device is chosen before the first OpenGL context");
        return false;
    }
    const std::vector<EGLDeviceEXT> devices = eglDevices();
    if (in_index < 0 || static_cast<std::size_t>(in_index) >= devices.size()) {
        *out_error = devices.empty() ? QStringLiteral("this system reports no EGL devices")
                                     : QStringLiteral("there is no EGL device %1 (0 to %2)")
                                           .arg(in_index)
                                           .arg(devices.size() - 1);
        return false;
    }
    sSelectedDevice = in_index;
    return true;
}

QCEGLContext::~QCEGLContext() {
    if (mContext != nullptr)
        eglDestroyContext(mDisplay, mContext);
}

bool QCEGLContext::makeCurrent() {
    mPreviousDisplay = eglGetCurrentDisplay();
    mPreviousContext = eglGetCurrentContext();
    mPreviousDraw = eglGetCurrentSurface(EGL_DRAW);
    mPreviousRead = eglGetCurrentSurface(EGL_READ);
    mPreviousAPI = eglQueryAPI();
    eglBindAPI(EGL_OPENGL_API);
    if (!eglMakeCurrent(mDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, mContext)) {
        QCLog(QStringLiteral("QCRenderer: cannot make the OpenGL context current on this thread "
                             "(%1)")
                  .arg(eglErrorText()));
        eglBindAPI(mPreviousAPI);
        return false;
    }
    return true;
}

void QCEGLContext::doneCurrent() {
    // Finish the work so that the next thread to take the context finds it complete.
    glFlush();
    if (mPreviousContext != EGL_NO_CONTEXT && mPreviousContext != mContext)
        eglMakeCurrent(mPreviousDisplay, mPreviousDraw, mPreviousRead, mPreviousContext);
    else
        eglMakeCurrent(mDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglBindAPI(mPreviousAPI);
}
