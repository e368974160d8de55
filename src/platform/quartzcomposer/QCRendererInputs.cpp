#include "platform/quartzcomposer/QCImageUniforms.h"
#include "platform/quartzcomposer/QCLog.h"
#include "platform/quartzcomposer/QCRendererImpl.h"

#include <QImage>

#include <cmath>
#include <limits>

namespace {

using Model = QCCompositionModel;

// The Shadertoy channel a key names ("iChannel0" ... "iChannel3"), or -1.
int channelNamed(const QString& key) {
    static const QString prefix = QStringLiteral("iChannel");
    if (key.size() != prefix.size() + 1 || !key.startsWith(prefix))
        return -1;
    const int index = key.back().digitValue();
    return index >= 0 && index <= 3 ? index : -1;
}

// A long's value as a GLSL int: truncated toward zero and held to the int's range (values
// given through the model are whole numbers in range already).
GLint glslInt(double value) {
    if (!(value == value))
        return 0;
    const double whole = std::trunc(value);
    if (whole <= double(std::numeric_limits<GLint>::min()))
        return std::numeric_limits<GLint>::min();
    if (whole >= double(std::numeric_limits<GLint>::max()))
        return std::numeric_limits<GLint>::max();
    return static_cast<GLint>(whole);
}

} // namespace

namespace qcrenderer {

void uploadImageInto(GLuint texture, const QImage& image, bool bottomRowFirst) {
    const bool isFloat = image.format() == QImage::Format_RGBA32FPx4;
    QImage pixels = isFloat ? image : image.convertToFormat(QImage::Format_RGBA8888);
    if (!bottomRowFirst)
        pixels = pixels.mirrored();
    const int bytesPerPixel = isFloat ? 16 : 4;
    const GLenum internalFormat = isFloat ? GL_RGBA32F : GL_RGBA8;
    const GLenum type = isFloat ? GL_FLOAT : GL_UNSIGNED_BYTE;
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint width = 0;
    GLint height = 0;
    GLint format = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pixels.bytesPerLine() / bytesPerPixel));
    if (width == pixels.width() && height == pixels.height() &&
        format == static_cast<GLint>(internalFormat))
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, type, pixels.constBits());
    else
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internalFormat), pixels.width(),
                     pixels.height(), 0, GL_RGBA, type, pixels.constBits());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // A texture sampled through mipmaps needs them made anew for its new picture.
    GLint minFilter = GL_LINEAR;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    if (minFilter != GL_LINEAR && minFilter != GL_NEAREST)
        glGenerateMipmap(GL_TEXTURE_2D);
}

void setValueUniform(GLint where, Model::InputType type, const QCInputValue& value) {
    const auto f = [&](std::size_t i) {
        return static_cast<GLfloat>(value[i]);
    };
    switch (type) {
    case Model::InputType::Event:
    case Model::InputType::Bool:
        glUniform1i(where, value[0] != 0.0 ? 1 : 0);
        break;
    case Model::InputType::Long:
        glUniform1i(where, glslInt(value[0]));
        break;
    case Model::InputType::Float:
        glUniform1f(where, f(0));
        break;
    case Model::InputType::Point2D:
        glUniform2f(where, f(0), f(1));
        break;
    case Model::InputType::Color:
        glUniform4f(where, f(0), f(1), f(2), f(3));
        break;
    case Model::InputType::Image:
    case Model::InputType::Audio:
    case Model::InputType::AudioFFT:
        break;
    }
}

} // namespace qcrenderer

bool QCRenderer::setValueForInputKey(const QCInputValue& in_value, const QString& in_key) {
    const Model::Input* input = mImpl->model().inputNamed(in_key);
    if (!input || input->isImage()) {
        QCLog(QStringLiteral("QCRenderer: the composition has no value input \"%1\"").arg(in_key));
        return false;
    }
    mImpl->pending.values.insert(in_key, in_value);
    return true;
}

bool QCRenderer::setImageForInputKey(const QImage& in_image, const QString& in_key,
                                     bool in_bottomRowFirst) {
    const Model::Input* input = mImpl->model().inputNamed(in_key);
    const bool known = mImpl->model().format == Model::Format::ISF ? input && input->isImage()
                                                                   : channelNamed(in_key) >= 0;
    if (!known) {
        QCLog(QStringLiteral("QCRenderer: the composition has no image input \"%1\"").arg(in_key));
        return false;
    }
    mImpl->pending.images.insert(in_key, in_image);
    if (in_bottomRowFirst)
        mImpl->pending.bottomRowFirst.insert(in_key);
    else
        mImpl->pending.bottomRowFirst.remove(in_key);
    return true;
}

void QCRenderer::setSoundSampleRate(double in_hertz) {
    mImpl->pending.values.insert(QStringLiteral("iSampleRate"), {in_hertz, 0.0, 0.0, 0.0});
}

void QCRenderer::Impl::applyPendingInputs() {
    for (auto it = pending.values.constBegin(); it != pending.values.constEnd(); ++it) {
        const QByteArray name = it.key().toUtf8();
        if (model().format == Model::Format::Shadertoy) {
            glUniform1f(location(name.constData()), static_cast<GLfloat>(it.value()[0]));
            continue;
        }
        qcrenderer::setValueUniform(location(name.constData()), model().inputNamed(it.key())->type,
                                    it.value());
    }
    for (auto it = pending.images.constBegin(); it != pending.images.constEnd(); ++it) {
        for (const qcrenderer::Sampler& sampler : samplers) {
            if (sampler.buffer >= 0 || sampler.name != it.key())
                continue;
            QImage image = it.value();
            if (image.isNull()) {
                image = QImage(1, 1, QImage::Format_RGBA8888);
                image.fill(Qt::transparent);
            }
            qcrenderer::uploadImageInto(sampler.texture, image,
                                        pending.bottomRowFirst.contains(it.key()));
            // An unbound input reports no size, as before anything was given.
            const QSize reported = it.value().isNull() ? QSize(0, 0) : image.size();
            const int channel = channelNamed(it.key());
            if (model().format == Model::Format::Shadertoy && channel >= 0) {
                const QByteArray element =
                    QStringLiteral("iChannelResolution[%1]").arg(channel).toUtf8();
                glUniform3f(location(element.constData()), static_cast<float>(reported.width()),
                            static_cast<float>(reported.height()),
                            reported.isEmpty() ? 0.0f : 1.0f);
            } else {
                QCSetImageUniforms(program, it.key(), reported);
            }
        }
    }
    pending.values.clear();
    pending.images.clear();
    pending.bottomRowFirst.clear();
}
