#pragma once

#include <QString>

// How a Shadertoy channel's image is sampled. The defaults are Shadertoy's own: repeated at the
// edges, minified through mipmaps with linear filtering, magnified linearly. A shader asks for
// others with option lines as common Shadertoy editors read them:
//   #iChannel0::WrapMode "Clamp"        Repeat, Clamp or Mirror
//   #iChannel0::MinFilter "Nearest"     Nearest, Linear, Mipmap (= LinearMipMapLinear),
//                                       NearestMipMapNearest, NearestMipMapLinear,
//                                       LinearMipMapNearest, LinearMipMapLinear
//   #iChannel0::MagFilter "Nearest"     Nearest or Linear
struct QCChannelSampling {
    enum class Wrap { Repeat = 1, Clamp, Mirror };
    enum class Filter {
        Nearest = 1,
        Linear,
        NearestMipMapNearest,
        NearestMipMapLinear,
        LinearMipMapNearest,
        LinearMipMapLinear
    };
    Wrap wrap = Wrap::Repeat;
    Filter minFilter = Filter::LinearMipMapLinear;
    Filter magFilter = Filter::Linear;

    bool usesMipmaps() const;

    // Applies the option `in_option` ("WrapMode", "MinFilter" or "MagFilter", any case) with the
    // value `in_value`; false, with out_error set, for an unknown option or value.
    bool setOption(const QString& in_option, const QString& in_value, QString* out_error);

    // Sets the parameters of the texture bound to GL_TEXTURE_2D, making its mipmaps when the
    // minification filter needs them.
    void applyToBoundTexture() const;
};
