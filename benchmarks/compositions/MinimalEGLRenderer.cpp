#include "MinimalEGLRenderer.h"

#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCCompositionModel.h"
#include "platform/quartzcomposer/QCRenderer.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Target {
    QByteArray name;
    QSize size;
    GLuint textures[2] = {0, 0};
    GLuint framebuffers[2] = {0, 0};
    int front = 0;
    bool persistent = false;
};

GLuint texture(QSize size, bool isFloat, const void* pixels) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, isFloat ? GL_RGBA32F : GL_RGBA8, size.width(), size.height(), 0,
                 GL_RGBA, isFloat ? GL_FLOAT : GL_UNSIGNED_BYTE, pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return name;
}

GLuint framebuffer(GLuint colour) {
    GLuint name = 0;
    glGenFramebuffers(1, &name);
    glBindFramebuffer(GL_FRAMEBUFFER, name);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    return name;
}

GLuint shader(GLenum stage, const QString& source) {
    const QByteArray text = source.toUtf8();
    const char* pointer = text.constData();
    GLuint name = glCreateShader(stage);
    glShaderSource(name, 1, &pointer, nullptr);
    glCompileShader(name);
    GLint ok = 0;
    glGetShaderiv(name, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[4096] = {};
        glGetShaderInfoLog(name, sizeof(log), nullptr, log);
        std::fprintf(stderr, "minimal EGL program: shader does not compile: %s\n", log);
    }
    return name;
}

QImage uploadable(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGBA8888).mirrored();
}

} // namespace

struct MinimalEGLRenderer::Impl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    GLuint program = 0;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint output = 0;
    GLuint outputFramebuffer = 0;
    QSize size;
    bool isISF = true;
    std::vector<Target> targets;
    std::vector<int> passTargets;
    std::vector<std::pair<GLint, GLuint>> fixedUnits; // unit, texture
    std::vector<std::pair<GLint, int>> targetUnits;   // unit, target
    std::vector<unsigned char> pixels;
};

MinimalEGLRenderer::MinimalEGLRenderer(std::unique_ptr<Impl> in_impl) : mImpl(std::move(in_impl)) {}

MinimalEGLRenderer::~MinimalEGLRenderer() {
    if (mImpl->context != EGL_NO_CONTEXT) {
        eglMakeCurrent(mImpl->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(mImpl->display, mImpl->context);
    }
}

std::unique_ptr<MinimalEGLRenderer> MinimalEGLRenderer::create(const QCRenderer& in_reference) {
    auto d = std::make_unique<Impl>();
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay)
        d->display =
            getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (d->display == EGL_NO_DISPLAY || !eglInitialize(d->display, nullptr, nullptr)) {
        std::fprintf(stderr, "minimal EGL program: no display\n");
        return nullptr;
    }
    eglBindAPI(EGL_OPENGL_API);
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                 3,
                                 EGL_CONTEXT_MINOR_VERSION,
                                 2,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                 EGL_NONE};
    d->context = eglCreateContext(d->display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (d->context == EGL_NO_CONTEXT ||
        !eglMakeCurrent(d->display, EGL_NO_SURFACE, EGL_NO_SURFACE, d->context)) {
        std::fprintf(stderr, "minimal EGL program: no context\n");
        return nullptr;
    }

    const QCCompositionModel& model = in_reference.composition()->model();
    d->isISF = model.format == QCCompositionModel::Format::ISF;
    d->size = in_reference.size();
    d->program = glCreateProgram();
    glAttachShader(d->program, shader(GL_VERTEX_SHADER, in_reference.vertexShaderSource()));
    glAttachShader(d->program, shader(GL_FRAGMENT_SHADER, in_reference.fragmentShaderSource()));
    glBindAttribLocation(d->program, 0, "isf_VertexPosition");
    glLinkProgram(d->program);
    GLint linked = 0;
    glGetProgramiv(d->program, GL_LINK_STATUS, &linked);
    if (!linked) {
        std::fprintf(stderr, "minimal EGL program: program does not link\n");
        return nullptr;
    }
    glUseProgram(d->program);

    const float corners[] = {-1, -1, 1, -1, -1, 1, 1, 1};
    glGenVertexArrays(1, &d->vertexArray);
    glBindVertexArray(d->vertexArray);
    glGenBuffers(1, &d->vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, d->vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof(corners), corners, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);

    d->output = texture(d->size, false, nullptr);
    d->outputFramebuffer = framebuffer(d->output);

    GLint unit = 0;
    const auto bindFixed = [&](const QString& name, const QImage& image) {
        const QImage pixels = image.isNull() ? QImage() : uploadable(image);
        const unsigned char none[4] = {0, 0, 0, 0};
        const GLuint name_ = texture(pixels.isNull() ? QSize(1, 1) : pixels.size(), false,
                                     pixels.isNull() ? none : pixels.constBits());
        glUniform1i(glGetUniformLocation(d->program, name.toUtf8().constData()), unit);
        if (!image.isNull())
            glUniform2f(
                glGetUniformLocation(d->program,
                                     QStringLiteral("_%1_imgSize").arg(name).toUtf8().constData()),
                float(image.width()), float(image.height()));
        d->fixedUnits.push_back({unit++, name_});
    };
    if (d->isISF) {
        for (std::size_t i = 0; i < model.passes.size(); ++i) {
            const QCCompositionModel::Pass& pass = model.passes[i];
            int found = -1;
            for (std::size_t t = 0; t < d->targets.size(); ++t) {
                if (!pass.target.isEmpty() && d->targets[t].name == pass.target.toUtf8())
                    found = int(t);
            }
            if (found < 0 && (i + 1 < model.passes.size() || !pass.target.isEmpty())) {
                Target target;
                target.name = pass.target.toUtf8();
                target.size = in_reference.passSize(int(i));
                target.persistent = pass.persistent;
                for (int side = 0; side < 2; ++side) {
                    target.textures[side] = texture(target.size, pass.isFloat, nullptr);
                    target.framebuffers[side] = framebuffer(target.textures[side]);
                }
                d->targets.push_back(target);
                found = int(d->targets.size() - 1);
                if (!target.name.isEmpty()) {
                    glUniform1i(glGetUniformLocation(d->program, target.name.constData()), unit);
                    glUniform2f(glGetUniformLocation(d->program,
                                                     ("_" + target.name + "_imgSize").constData()),
                                float(target.size.width()), float(target.size.height()));
                    d->targetUnits.push_back({unit++, found});
                }
            }
            d->passTargets.push_back(found);
        }
        for (const QCCompositionModel::Input& input : model.inputs) {
            const GLint where = glGetUniformLocation(d->program, input.name.toUtf8().constData());
            switch (input.type) {
            case QCCompositionModel::InputType::Float:
                glUniform1f(where, float(input.value[0]));
                break;
            case QCCompositionModel::InputType::Point2D:
                glUniform2f(where, float(input.value[0]), float(input.value[1]));
                break;
            case QCCompositionModel::InputType::Color:
                glUniform4f(where, float(input.value[0]), float(input.value[1]),
                            float(input.value[2]), float(input.value[3]));
                break;
            case QCCompositionModel::InputType::Image:
            case QCCompositionModel::InputType::Audio:
            case QCCompositionModel::InputType::AudioFFT:
                bindFixed(input.name, QImage());
                break;
            default:
                glUniform1i(where, int(input.value[0]));
                break;
            }
        }
        for (const QCCompositionModel::NamedImage& image : model.importedImages)
            bindFixed(image.name, image.image);
    } else {
        d->passTargets.push_back(-1);
        for (int c = 0; c < 4; ++c)
            bindFixed(QStringLiteral("iChannel%1").arg(c), model.channels[std::size_t(c)]);
    }
    d->pixels.resize(std::size_t(d->size.width()) * std::size_t(d->size.height()) * 4);
    return std::unique_ptr<MinimalEGLRenderer>(new MinimalEGLRenderer(std::move(d)));
}

bool MinimalEGLRenderer::renderAndRead(double in_time) {
    Impl& d = *mImpl;
    const GLint time = glGetUniformLocation(d.program, d.isISF ? "TIME" : "iTime");
    glUniform1f(time, float(in_time));
    if (!d.isISF)
        glUniform3f(glGetUniformLocation(d.program, "iResolution"), float(d.size.width()),
                    float(d.size.height()), 1.0f);
    for (const auto& [unit, name] : d.fixedUnits) {
        glActiveTexture(GL_TEXTURE0 + GLenum(unit));
        glBindTexture(GL_TEXTURE_2D, name);
    }
    for (const auto& [unit, target] : d.targetUnits) {
        glActiveTexture(GL_TEXTURE0 + GLenum(unit));
        glBindTexture(
            GL_TEXTURE_2D,
            d.targets[std::size_t(target)].textures[d.targets[std::size_t(target)].front]);
    }
    for (std::size_t i = 0; i < d.passTargets.size(); ++i) {
        const int t = d.passTargets[i];
        QSize size = d.size;
        if (t < 0) {
            glBindFramebuffer(GL_FRAMEBUFFER, d.outputFramebuffer);
        } else {
            glBindFramebuffer(
                GL_FRAMEBUFFER,
                d.targets[std::size_t(t)].framebuffers[1 - d.targets[std::size_t(t)].front]);
            size = d.targets[std::size_t(t)].size;
        }
        glViewport(0, 0, size.width(), size.height());
        if (d.isISF) {
            glUniform1i(glGetUniformLocation(d.program, "PASSINDEX"), GLint(i));
            glUniform2f(glGetUniformLocation(d.program, "RENDERSIZE"), float(size.width()),
                        float(size.height()));
        }
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        if (t >= 0) {
            Target& target = d.targets[std::size_t(t)];
            target.front = 1 - target.front;
            for (const auto& [unit, index] : d.targetUnits) {
                if (index == t) {
                    glActiveTexture(GL_TEXTURE0 + GLenum(unit));
                    glBindTexture(GL_TEXTURE_2D, target.textures[target.front]);
                }
            }
        }
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, d.outputFramebuffer);
    glReadPixels(0, 0, d.size.width(), d.size.height(), GL_RGBA, GL_UNSIGNED_BYTE, d.pixels.data());
    return glGetError() == GL_NO_ERROR;
}

const unsigned char* MinimalEGLRenderer::pixels() const {
    return mImpl->pixels.data();
}

QSize MinimalEGLRenderer::size() const {
    return mImpl->size;
}
