#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// A desktop OpenGL context without any surface, on the process's shared EGL display: the first
// usable of the device platform, Mesa's surfaceless platform and the default display. The
// context may be used on any thread, one thread at a time, between makeCurrent and doneCurrent.
class QCEGLContext {
public:
    // A new context, or nullptr with out_error set.
    static std::unique_ptr<QCEGLContext> create(QString* out_error);
    ~QCEGLContext();
    QCEGLContext(const QCEGLContext&) = delete;
    QCEGLContext& operator=(const QCEGLContext&) = delete;

    // Binds the context to the calling thread, remembering what was bound before.
    bool makeCurrent();
    // Restores what makeCurrent found bound.
    void doneCurrent();

    // GLSL version as 100 * major + minor (for example 450).
    int glslVersion() const { return mGLSLVersion; }
    // The context keeps the deprecated fixed-function names (gl_FragColor, texture2D, ...).
    bool isCompatibilityProfile() const { return mCompatibility; }
    // The context compiles "#version 300 es" shaders.
    bool acceptsES3Shaders() const { return mES3Shaders; }
    // Which display and which OpenGL the context runs on, for log lines.
    QString description() const { return mDescription; }
    // What renders, in a few words: "llvmpipe, CPU" for a CPU renderer, otherwise the GPU's name.
    QString renderingDeviceSummary() const;

    // The summary of the OpenGL that this process renders with, found once by making a context;
    // empty, with a log line, when no context can be made.
    static QString processRenderingDeviceSummary();

    // One line per EGL device the driver reports, "<index>: <device file or software>,
    // <OpenGL renderer>", for choosing among them.
    static QStringList deviceList();
    // Makes every later context run on EGL device `in_index` of deviceList, instead of the first
    // usable display. False, with out_error set, for an index with no device, or once a context
    // was made (the display is chosen once for the process).
    static bool selectDevice(int in_index, QString* out_error);

private:
    QCEGLContext() = default;

    void* mDisplay = nullptr;
    void* mContext = nullptr;
    void* mPreviousDisplay = nullptr;
    void* mPreviousContext = nullptr;
    void* mPreviousDraw = nullptr;
    void* mPreviousRead = nullptr;
    unsigned mPreviousAPI = 0;
    int mGLSLVersion = 0;
    bool mCompatibility = false;
    bool mES3Shaders = false;
    QString mDescription;
    QString mRenderer;
};

// Keeps a context current for the lifetime of the scope.
class QCEGLCurrentScope {
public:
    explicit QCEGLCurrentScope(QCEGLContext& in_context)
        : mContext(in_context), mCurrent(in_context.makeCurrent()) {}
    ~QCEGLCurrentScope() {
        if (mCurrent)
            mContext.doneCurrent();
    }
    QCEGLCurrentScope(const QCEGLCurrentScope&) = delete;
    QCEGLCurrentScope& operator=(const QCEGLCurrentScope&) = delete;
    explicit operator bool() const { return mCurrent; }

private:
    QCEGLContext& mContext;
    bool mCurrent;
};
