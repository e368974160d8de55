#include "platform/quartzcomposer/QCRenderer.h"

#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/coregraphics/CGColorSpace.h"
#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCCompositionModel.h"
#include "platform/quartzcomposer/QCCompositionParser.h"
#include "platform/quartzcomposer/QCEGLContext.h"
#include "platform/quartzcomposer/QCFrameClock.h"
#include "platform/quartzcomposer/QCGLProgram.h"
#include "platform/quartzcomposer/QCGraphicsReset.h"
#include "platform/quartzcomposer/QCImageUniforms.h"
#include "platform/quartzcomposer/QCLog.h"
#include "platform/quartzcomposer/QCRendererImpl.h"
#include "platform/quartzcomposer/QCShaderSources.h"
#include "platform/quartzcomposer/QCSizeExpression.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

using Model = QCCompositionModel;
using qcrenderer::Buffer;
using qcrenderer::Sampler;

// Shadertoy's audio sample rate, reported as iSampleRate.
constexpr float kShadertoySampleRate = 44100.0f;

GLuint uploadImage(const QImage& image) {
    // Row 0 of a texture is the bottom of the picture.
    const QImage pixels = image.convertToFormat(QImage::Format_RGBA8888).mirrored();
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pixels.bytesPerLine() / 4));
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, pixels.width(), pixels.height(), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, pixels.constBits());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}

bool makeTarget(QSize size, bool isFloat, GLuint* texture, GLuint* framebuffer) {
    glGenTextures(1, texture);
    glBindTexture(GL_TEXTURE_2D, *texture);
    glTexImage2D(GL_TEXTURE_2D, 0, isFloat ? GL_RGBA32F : GL_RGBA8, size.width(), size.height(), 0,
                 GL_RGBA, isFloat ? GL_FLOAT : GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glGenFramebuffers(1, framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, *framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, *texture, 0);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    // Every target starts transparent black.
    glViewport(0, 0, size.width(), size.height());
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return complete;
}

QString glErrorText(GLenum error) {
    return QStringLiteral("OpenGL error 0x%1").arg(error, 4, 16, QLatin1Char('0'));
}

} // namespace

bool QCRenderer::Impl::planPasses(QString* error) {
    GLint maxTexture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    const QHash<QString, double> variables = QCSizeVariables(model(), size.width(), size.height());
    const auto evaluate = [&](const QString& expression, int renderSide, int* side) {
        if (expression.isEmpty()) {
            *side = renderSide;
            return true;
        }
        QString expressionError;
        const std::optional<double> value =
            QCEvaluateSizeExpression(expression, variables, &expressionError);
        if (!value || !std::isfinite(*value)) {
            *error =
                value
                    ? QStringLiteral("the pass size \"%1\" is not a finite number").arg(expression)
                    : expressionError;
            return false;
        }
        const double rounded = std::max(1.0, std::round(*value));
        if (rounded > maxTexture) {
            *error = QStringLiteral("the pass size \"%1\" gives %2 pixels, more than the %3 that "
                                    "OpenGL allows")
                         .arg(expression)
                         .arg(rounded)
                         .arg(maxTexture);
            return false;
        }
        *side = static_cast<int>(rounded);
        return true;
    };
    const std::size_t lastPass = model().passes.size() - 1;
    for (std::size_t i = 0; i < model().passes.size(); ++i) {
        const Model::Pass& pass = model().passes[i];
        int found = -1;
        for (std::size_t b = 0; b < buffers.size(); ++b) {
            if (!pass.target.isEmpty() && buffers[b].name == pass.target)
                found = static_cast<int>(b);
        }
        if (found < 0 && (i != lastPass || !pass.target.isEmpty())) {
            Buffer buffer;
            buffer.name = pass.target;
            buffer.isFloat = pass.isFloat;
            buffer.persistent = pass.persistent;
            int width = 0;
            int height = 0;
            if (!evaluate(pass.widthExpression, size.width(), &width) ||
                !evaluate(pass.heightExpression, size.height(), &height))
                return false;
            buffer.size = QSize(width, height);
            for (int side = 0; side < 2; ++side) {
                if (!makeTarget(buffer.size, buffer.isFloat, &buffer.textures[side],
                                &buffer.framebuffers[side])) {
                    buffers.push_back(buffer);
                    *error = QStringLiteral("cannot make a %1 x %2 framebuffer for a pass")
                                 .arg(width)
                                 .arg(height);
                    return false;
                }
            }
            buffers.push_back(buffer);
            found = static_cast<int>(buffers.size() - 1);
        }
        passBuffers.push_back(found);
    }
    return true;
}

bool QCRenderer::Impl::build(QString* error) {
    glDisable(GL_DITHER);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);

    QCShaderAbilities abilities;
    abilities.glslVersion = context->glslVersion();
    abilities.compatibility = context->isCompatibilityProfile();
    abilities.es3Shaders = context->acceptsES3Shaders();
    sources = QCBuildShaderSources(model(), abilities);
    QString log;
    program = QCCompileProgram(sources.vertex, sources.fragment, kQCVertexPositionAttribute, &log);
    abilities.implicitIntToUint = false;
    if (program == 0) {
        // The source may be one that GLSL 4.00's overload rules refuse and older ones take.
        const QCShaderSources plain = QCBuildShaderSources(model(), abilities);
        QString plainLog;
        if (plain.vertex != sources.vertex || plain.fragment != sources.fragment)
            program = QCCompileProgram(plain.vertex, plain.fragment, kQCVertexPositionAttribute,
                                       &plainLog);
        if (program != 0)
            sources = plain;
    }
    if (program == 0) {
        *error = QStringLiteral("the %1 composition's shader fails: %2")
                     .arg(composition->formatName(), log);
        return false;
    }

    if (!makeTarget(size, false, &outputTexture, &outputFramebuffer)) {
        *error = QStringLiteral("cannot make a %1 x %2 framebuffer")
                     .arg(size.width())
                     .arg(size.height());
        return false;
    }
    if (!planPasses(error))
        return false;

    const float corners[] = {-1.0f, -1.0f, 1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f};
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof(corners), corners, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);

    glUseProgram(program);
    // Images with nothing to show read as transparent black.
    const QImage transparent = [] {
        QImage image(1, 1, QImage::Format_RGBA8888);
        image.fill(Qt::transparent);
        return image;
    }();
    const auto addFixed = [&](const QString& name, GLuint texture, QSize reported) {
        fixedTextures.push_back(texture);
        samplers.push_back({name, 0, -1, texture});
        QCSetImageUniforms(program, name, reported);
    };
    if (model().format == Model::Format::ISF) {
        for (const Model::Input& input : model().inputs) {
            const QByteArray name = input.name.toUtf8();
            const GLint where = location(name.constData());
            if (!input.isImage())
                qcrenderer::setValueUniform(where, input.type, input.value);
            else if (input.type == Model::InputType::Audio)
                // Silence: one sample at the centre value.
                addFixed(input.name, QCMakeConstantTexture(0.5f, 0.5f, 0.5f, 1.0f), QSize(1, 1));
            else
                addFixed(input.name, uploadImage(transparent), QSize(0, 0));
        }
        for (const Model::NamedImage& image : model().importedImages)
            addFixed(image.name, uploadImage(image.image.isNull() ? transparent : image.image),
                     image.image.size());
        for (std::size_t b = 0; b < buffers.size(); ++b) {
            if (buffers[b].name.isEmpty())
                continue;
            samplers.push_back({buffers[b].name, 0, static_cast<int>(b), 0});
            QCSetImageUniforms(program, buffers[b].name, buffers[b].size);
        }
    } else {
        float resolutions[12] = {};
        for (std::size_t c = 0; c < model().channels.size(); ++c) {
            const QImage& image = model().channels[c];
            fixedTextures.push_back(uploadImage(image.isNull() ? transparent : image));
            samplers.push_back({QStringLiteral("iChannel%1").arg(c), 0, -1, fixedTextures.back()});
            if (!image.isNull()) {
                model().channelSampling[c].applyToBoundTexture();
                resolutions[c * 3] = static_cast<float>(image.width());
                resolutions[c * 3 + 1] = static_cast<float>(image.height());
                resolutions[c * 3 + 2] = 1.0f;
            }
        }
        glUniform3fv(location("iChannelResolution"), 4, resolutions);
        glUniform1f(location("iSampleRate"), kShadertoySampleRate);
        glUniform4f(location("iMouse"), 0.0f, 0.0f, 0.0f, 0.0f);
    }

    GLint maxUnits = 0;
    glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &maxUnits);
    if (static_cast<GLint>(samplers.size()) > maxUnits) {
        *error = QStringLiteral("the composition samples %1 images; OpenGL offers %2 units")
                     .arg(samplers.size())
                     .arg(maxUnits);
        return false;
    }
    for (std::size_t s = 0; s < samplers.size(); ++s) {
        samplers[s].unit = static_cast<GLint>(s);
        const QByteArray name = samplers[s].name.toUtf8();
        glUniform1i(location(name.constData()), samplers[s].unit);
    }
    if (const GLenum glError = glGetError(); glError != GL_NO_ERROR) {
        *error = QStringLiteral("setting up the renderer failed (%1)").arg(glErrorText(glError));
        return false;
    }
    return true;
}

void QCRenderer::Impl::bindSamplers() {
    for (const Sampler& sampler : samplers) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(sampler.unit));
        const GLuint texture =
            sampler.buffer < 0
                ? sampler.texture
                : buffers[static_cast<std::size_t>(sampler.buffer)]
                      .textures[buffers[static_cast<std::size_t>(sampler.buffer)].front];
        glBindTexture(GL_TEXTURE_2D, texture);
    }
}

void QCRenderer::Impl::setFrameUniforms(double time) {
    const QCFrameClock clock{time, frameIndex > 0 ? time - previousTime : 0.0, frameIndex,
                             frameRate};
    QCSetClockUniforms(program, model().format == Model::Format::Shadertoy, size, clock, jobStart);
}

void QCRenderer::Impl::releaseGL() {
    for (Buffer& buffer : buffers) {
        glDeleteFramebuffers(2, buffer.framebuffers);
        glDeleteTextures(2, buffer.textures);
    }
    buffers.clear();
    if (!fixedTextures.empty())
        glDeleteTextures(static_cast<GLsizei>(fixedTextures.size()), fixedTextures.data());
    fixedTextures.clear();
    glDeleteFramebuffers(1, &outputFramebuffer);
    glDeleteTextures(1, &outputTexture);
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteVertexArrays(1, &vertexArray);
    if (program != 0)
        glDeleteProgram(program);
    program = 0;
}

QCRenderer::QCRenderer(std::unique_ptr<Impl> in_impl) : mImpl(std::move(in_impl)) {}

QCRenderer::~QCRenderer() {
    if (mImpl->context) {
        QCEGLCurrentScope current(*mImpl->context);
        if (current)
            mImpl->releaseGL();
    }
    mImpl->context.reset();
    CGColorSpaceRelease(mImpl->colorSpace);
}

QCRenderer* QCRenderer::initOffScreenWithSize(QSizeF in_size, CGColorSpaceRef in_colorSpace,
                                              QCComposition* in_composition, QString* out_error) {
    const auto refuse = [out_error](const QString& why) -> QCRenderer* {
        QCLog(QStringLiteral("QCRenderer: no renderer: %1").arg(why));
        if (out_error)
            *out_error = why;
        return nullptr;
    };
    if (in_composition == nullptr)
        return refuse(QStringLiteral("there is no composition"));
    if (in_colorSpace == nullptr)
        return refuse(QStringLiteral("there is no colour space"));
    const double width = std::round(in_size.width());
    const double height = std::round(in_size.height());
    if (!std::isfinite(width) || !std::isfinite(height) || width < 1.0 || height < 1.0 ||
        width > 16384.0 || height > 16384.0)
        return refuse(QStringLiteral("%1 x %2 is not a size to render at")
                          .arg(in_size.width())
                          .arg(in_size.height()));

    auto impl = std::make_unique<Impl>();
    impl->composition = NSRef<QCComposition>(in_composition);
    impl->colorSpace = CGColorSpaceRetain(in_colorSpace);
    impl->size = QSize(static_cast<int>(width), static_cast<int>(height));
    impl->jobStart = QDateTime::currentDateTime();
    QString error;
    impl->context = QCEGLContext::create(&error);
    if (!impl->context) {
        CGColorSpaceRelease(impl->colorSpace);
        return refuse(error);
    }
    // Made now, so that a failed build below is cleaned up by the destructor.
    auto* renderer = new QCRenderer(std::move(impl));
    bool built = false;
    {
        QCEGLCurrentScope current(*renderer->mImpl->context);
        if (current) {
            GLint maxSize = 0;
            GLint maxViewport[2] = {0, 0};
            glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
            glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
            const QSize wanted = renderer->mImpl->size;
            if (wanted.width() > std::min(maxSize, maxViewport[0]) ||
                wanted.height() > std::min(maxSize, maxViewport[1]))
                error = QStringLiteral("%1 x %2 is larger than OpenGL renders here")
                            .arg(wanted.width())
                            .arg(wanted.height());
            else
                built = renderer->mImpl->build(&error);
        } else {
            error = QStringLiteral("the OpenGL context cannot be made current");
        }
    }
    if (!built) {
        renderer->release();
        return refuse(error);
    }
    QCLog(QStringLiteral("QCRenderer: rendering on %1").arg(renderer->contextDescription()));
    return renderer;
}

bool QCRenderer::renderAtTime(double in_time, const QVariantMap& in_arguments) {
    Q_UNUSED(in_arguments);
    Impl& d = *mImpl;
    if (!std::isfinite(in_time)) {
        QCLog(QStringLiteral("QCRenderer: cannot render at the time %1").arg(in_time));
        return false;
    }
    if (!d.lostReason.isEmpty()) {
        QCLog(QStringLiteral("QCRenderer: the OpenGL context was lost: %1").arg(d.lostReason));
        return false;
    }
    QCEGLCurrentScope current(*d.context);
    if (!current)
        return false;
    glUseProgram(d.program);
    glBindVertexArray(d.vertexArray);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    // What a pass reads of a buffer that is not kept is only what was drawn in this frame.
    for (Buffer& buffer : d.buffers) {
        if (buffer.persistent)
            continue;
        glBindFramebuffer(GL_FRAMEBUFFER, buffer.framebuffers[buffer.front]);
        glViewport(0, 0, buffer.size.width(), buffer.size.height());
        glClear(GL_COLOR_BUFFER_BIT);
    }
    d.applyPendingInputs();
    d.setFrameUniforms(in_time);
    d.bindSamplers();
    const GLint passIndexLocation = d.location("PASSINDEX");
    const GLint renderSizeLocation = d.location("RENDERSIZE");
    for (std::size_t i = 0; i < d.passBuffers.size(); ++i) {
        const int bufferIndex = d.passBuffers[i];
        QSize passSize = d.size;
        if (bufferIndex < 0) {
            glBindFramebuffer(GL_FRAMEBUFFER, d.outputFramebuffer);
        } else {
            Buffer& buffer = d.buffers[static_cast<std::size_t>(bufferIndex)];
            glBindFramebuffer(GL_FRAMEBUFFER, buffer.framebuffers[1 - buffer.front]);
            passSize = buffer.size;
        }
        glViewport(0, 0, passSize.width(), passSize.height());
        glUniform1i(passIndexLocation, static_cast<GLint>(i));
        glUniform2f(renderSizeLocation, static_cast<float>(passSize.width()),
                    static_cast<float>(passSize.height()));
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        if (bufferIndex >= 0) {
            Buffer& buffer = d.buffers[static_cast<std::size_t>(bufferIndex)];
            buffer.front = 1 - buffer.front;
            for (const Sampler& sampler : d.samplers) {
                if (sampler.buffer == bufferIndex) {
                    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(sampler.unit));
                    glBindTexture(GL_TEXTURE_2D, buffer.textures[buffer.front]);
                }
            }
        }
    }
    // A last pass that draws into a named buffer is also the picture.
    if (const int last = d.passBuffers.back(); last >= 0) {
        const Buffer& buffer = d.buffers[static_cast<std::size_t>(last)];
        glBindFramebuffer(GL_READ_FRAMEBUFFER, buffer.framebuffers[buffer.front]);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, d.outputFramebuffer);
        glBlitFramebuffer(0, 0, buffer.size.width(), buffer.size.height(), 0, 0, d.size.width(),
                          d.size.height(), GL_COLOR_BUFFER_BIT,
                          buffer.size == d.size ? GL_NEAREST : GL_LINEAR);
    }
    if (const GLenum glError = glGetError(); glError != GL_NO_ERROR) {
        QCLog(QStringLiteral("QCRenderer: rendering at %1 s failed (%2)")
                  .arg(in_time)
                  .arg(glErrorText(glError)));
        return false;
    }
    if (QCGraphicsWasReset(&d.lostReason)) {
        QCLog(QStringLiteral("QCRenderer: rendering failed: %1").arg(d.lostReason));
        return false;
    }
    d.previousTime = in_time;
    ++d.frameIndex;
    d.hasRendered = true;
    return true;
}

NSBitmapImageRep* QCRenderer::createSnapshotImageOfType(const QString& in_type) {
    Impl& d = *mImpl;
    if (in_type != u"NSBitmapImageRep") {
        QCLog(QStringLiteral("QCRenderer: no snapshot of the type \"%1\"").arg(in_type));
        return nullptr;
    }
    if (!d.hasRendered)
        return nullptr;
    QCEGLCurrentScope current(*d.context);
    if (!current)
        return nullptr;
    const int width = d.size.width();
    const int height = d.size.height();
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    d.readback.resize(rowBytes * static_cast<std::size_t>(height));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, d.outputFramebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, d.readback.data());
    if (const GLenum glError = glGetError(); glError != GL_NO_ERROR) {
        QCLog(QStringLiteral("QCRenderer: reading the frame back failed (%1)")
                  .arg(glErrorText(glError)));
        return nullptr;
    }
    uchar* pixels = nullptr;
    const QImage image = d.snapshots.take(width, height, &pixels);
    if (image.isNull()) {
        QCLog(
            QStringLiteral("QCRenderer: no memory for a %1 x %2 snapshot").arg(width).arg(height));
        return nullptr;
    }
    // OpenGL's rows run bottom-up; the bitmap's top-down.
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels + rowBytes * static_cast<std::size_t>(y),
                    d.readback.data() + rowBytes * static_cast<std::size_t>(height - 1 - y),
                    rowBytes);
    return new NSBitmapImageRep(image);
}

void QCRenderer::setFrameRate(double in_framesPerSecond) {
    mImpl->frameRate = std::isfinite(in_framesPerSecond) ? std::max(in_framesPerSecond, 0.0) : 0.0;
}

QString QCRenderer::lostReason() const {
    return mImpl->lostReason;
}

QSize QCRenderer::size() const {
    return mImpl->size;
}

QCComposition* QCRenderer::composition() const {
    return mImpl->composition.get();
}

CGColorSpaceRef QCRenderer::colorSpace() const {
    return mImpl->colorSpace;
}

QDateTime QCRenderer::jobStartDate() const {
    return mImpl->jobStart;
}

QString QCRenderer::vertexShaderSource() const {
    return mImpl->sources.vertex;
}

QString QCRenderer::fragmentShaderSource() const {
    return mImpl->sources.fragment;
}

QSize QCRenderer::passSize(int in_passIndex) const {
    if (in_passIndex < 0 || in_passIndex >= static_cast<int>(mImpl->passBuffers.size()))
        return {};
    const int buffer = mImpl->passBuffers[static_cast<std::size_t>(in_passIndex)];
    return buffer < 0 ? mImpl->size : mImpl->buffers[static_cast<std::size_t>(buffer)].size;
}

QString QCRenderer::contextDescription() const {
    return mImpl->context->description();
}

QString QCRenderer::description() const {
    return QStringLiteral("<QCRenderer: 0x%1 %2 x %3, %4>")
        .arg(reinterpret_cast<quintptr>(this), 0, 16)
        .arg(mImpl->size.width())
        .arg(mImpl->size.height())
        .arg(mImpl->composition->description());
}
