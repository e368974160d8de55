#include "platform/qtkit/AnimationEncoding.h"

#include <bit>
#include <cstring>

namespace qtkit {

CodecContextPtr openAnimationEncoder(int width, int height, int timeScale, QString* out_error) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_QTRLE);
    if (!codec) {
        if (out_error)
            *out_error = QStringLiteral("the Animation (qtrle) encoder is not available");
        return nullptr;
    }
    CodecContextPtr encoder(avcodec_alloc_context3(codec));
    if (!encoder) {
        if (out_error)
            *out_error = QStringLiteral("cannot allocate the Animation encoder");
        return nullptr;
    }
    encoder->width = width;
    encoder->height = height;
    encoder->pix_fmt = AV_PIX_FMT_ARGB;
    encoder->time_base = AVRational{1, timeScale};
    encoder->gop_size = kAnimationGroupSize;
    encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int code = avcodec_open2(encoder.get(), codec, nullptr);
    if (code < 0) {
        if (out_error)
            *out_error = avErrorText("cannot open the Animation encoder", code);
        return nullptr;
    }
    return encoder;
}

FramePtr makeAnimationFrame(int width, int height) {
    FramePtr frame = makeFrame();
    if (!frame)
        return nullptr;
    frame->format = AV_PIX_FMT_ARGB;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    return frame;
}

void convertRgbaToArgb(const std::uint8_t* rgba, std::ptrdiff_t rgbaStride, int width, int height,
                       std::uint8_t* argb, std::ptrdiff_t argbStride) {
    // Read as one 32-bit word, RGBA becomes ARGB by rotating the alpha byte to the front.
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* source = rgba + y * rgbaStride;
        std::uint8_t* target = argb + y * argbStride;
        for (int x = 0; x < width; ++x) {
            std::uint32_t pixel;
            std::memcpy(&pixel, source + 4 * x, 4);
            if constexpr (std::endian::native == std::endian::little)
                pixel = std::rotl(pixel, 8);
            else
                pixel = std::rotr(pixel, 8);
            std::memcpy(target + 4 * x, &pixel, 4);
        }
    }
}

} // namespace qtkit
