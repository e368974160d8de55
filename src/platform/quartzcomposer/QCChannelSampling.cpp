#include "platform/quartzcomposer/QCChannelSampling.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <optional>

namespace {

using Filter = QCChannelSampling::Filter;
using Wrap = QCChannelSampling::Wrap;

std::optional<Filter> filterNamed(const QString& name) {
    const QString key = name.trimmed().toLower();
    if (key == u"nearest")
        return Filter::Nearest;
    if (key == u"linear")
        return Filter::Linear;
    if (key == u"nearestmipmapnearest")
        return Filter::NearestMipMapNearest;
    if (key == u"nearestmipmaplinear")
        return Filter::NearestMipMapLinear;
    if (key == u"linearmipmapnearest")
        return Filter::LinearMipMapNearest;
    if (key == u"linearmipmaplinear" || key == u"mipmap")
        return Filter::LinearMipMapLinear;
    return std::nullopt;
}

std::optional<Wrap> wrapNamed(const QString& name) {
    const QString key = name.trimmed().toLower();
    if (key == u"repeat")
        return Wrap::Repeat;
    if (key == u"clamp")
        return Wrap::Clamp;
    if (key == u"mirror")
        return Wrap::Mirror;
    return std::nullopt;
}

GLint glFilter(Filter filter) {
    switch (filter) {
    case Filter::Nearest:
        return GL_NEAREST;
    case Filter::Linear:
        return GL_LINEAR;
    case Filter::NearestMipMapNearest:
        return GL_NEAREST_MIPMAP_NEAREST;
    case Filter::NearestMipMapLinear:
        return GL_NEAREST_MIPMAP_LINEAR;
    case Filter::LinearMipMapNearest:
        return GL_LINEAR_MIPMAP_NEAREST;
    case Filter::LinearMipMapLinear:
        break;
    }
    return GL_LINEAR_MIPMAP_LINEAR;
}

GLint glWrap(Wrap wrap) {
    switch (wrap) {
    case Wrap::Clamp:
        return GL_CLAMP_TO_EDGE;
    case Wrap::Mirror:
        return GL_MIRRORED_REPEAT;
    case Wrap::Repeat:
        break;
    }
    return GL_REPEAT;
}

} // namespace

bool QCChannelSampling::usesMipmaps() const {
    return minFilter != Filter::Nearest && minFilter != Filter::Linear;
}

bool QCChannelSampling::setOption(const QString& in_option, const QString& in_value,
                                  QString* out_error) {
    const QString option = in_option.toLower();
    bool known = false;
    if (option == u"wrapmode") {
        const std::optional<Wrap> value = wrapNamed(in_value);
        if (value)
            wrap = *value;
        known = value.has_value();
    } else if (option == u"minfilter") {
        const std::optional<Filter> value = filterNamed(in_value);
        if (value)
            minFilter = *value;
        known = value.has_value();
    } else if (option == u"magfilter") {
        const std::optional<Filter> value = filterNamed(in_value);
        // Magnification never uses mipmaps.
        known = value == Filter::Nearest || value == Filter::Linear;
        if (known)
            magFilter = *value;
    } else {
        if (out_error)
            *out_error = QStringLiteral("unknown option \"%1\" (WrapMode, MinFilter or MagFilter)")
                             .arg(in_option);
        return false;
    }
    if (!known && out_error)
        *out_error = QStringLiteral("\"%1\" is no value of %2").arg(in_value, in_option);
    return known;
}

void QCChannelSampling::applyToBoundTexture() const {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, glWrap(wrap));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, glWrap(wrap));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, glFilter(magFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, glFilter(minFilter));
    if (usesMipmaps())
        glGenerateMipmap(GL_TEXTURE_2D);
}
