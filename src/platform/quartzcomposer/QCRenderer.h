#pragma once

#include "platform/foundation/NSObject.h"

#include <QDateTime>
#include <QSize>
#include <QSizeF>
#include <QVariantMap>

#include <array>
#include <memory>

class NSBitmapImageRep;
class QImage;
class QCComposition;
using CGColorSpaceRef = struct CGColorSpace*;
// A value input's value, as QCCompositionModel.h declares it.
using QCInputValue = std::array<double, 4>;

// Renders a composition off-screen into a framebuffer of a fixed size, on its own OpenGL
// context. Made on one thread, it may render on another later: every operation takes the
// context for its own duration and gives it back, so one thread at a time may use it.
//
// Clocks are deterministic: TIME is the time passed to renderAtTime, TIMEDELTA the difference
// to the previous rendered time (0 for the first frame), FRAMEINDEX the number of frames
// rendered before, and DATE the local date and time at the renderer's creation advanced by the
// render time (past midnight, the next day; Shadertoy's iDate counts months from 0).
class QCRenderer : public NSObject {
    Q_OBJECT
public:
    // [[QCRenderer alloc] initOffScreenWithSize:colorSpace:composition:]: a new renderer (one
    // reference, the caller's) or nullptr, with a log line saying why, when the size is not
    // 1 to the context's largest framebuffer (at least 4096 x 2160) pixels a side, the
    // composition or colour space is missing, no OpenGL context is available, or the shaders do
    // not compile or link (the log line then holds the compiler's log). `out_error`, when
    // given, receives the reason too.
    static QCRenderer* initOffScreenWithSize(QSizeF in_size, CGColorSpaceRef in_colorSpace,
                                             QCComposition* in_composition,
                                             QString* out_error = nullptr);

    // Renders every pass of the composition at `in_time` seconds. The arguments are accepted
    // for the platform's signature and unused. False, with a log line, when the frame could not
    // be rendered.
    bool renderAtTime(double in_time, const QVariantMap& in_arguments = QVariantMap());

    // [renderer setValue:forInputKey:]: sets a value input (event, bool, long, float, point2D,
    // color) for the frames rendered from now on, in the layout of QCCompositionModel::Input's
    // value. False, with a log line, when the composition has no such value input.
    bool setValueForInputKey(const QCInputValue& in_value, const QString& in_key);
    // Sets what an image, audio or audioFFT input (or a Shadertoy channel, "iChannel0" to
    // "iChannel3") shows from the next frame on: 8-bit images as they are, float images
    // (QImage::Format_RGBA32FPx4) as float textures; a null image shows transparent black.
    // False, with a log line, when there is no such input. `in_bottomRowFirst` says that the
    // image's first row is the picture's bottom (as OpenGL takes it, so it needs no flipping).
    bool setImageForInputKey(const QImage& in_image, const QString& in_key,
                             bool in_bottomRowFirst = false);
    // The sample rate a Shadertoy composition reads as iSampleRate (44100 until set).
    void setSoundSampleRate(double in_hertz);

    // The last rendered frame as a new "NSBitmapImageRep" (8-bit RGBA, straight alpha, top row
    // first), owned by the caller; nullptr before the first frame or for another type.
    NSBitmapImageRep* createSnapshotImageOfType(const QString& in_type);

    // The job's frame rate, which Shadertoy's iFrameRate reports from the first frame on. Without
    // one, iFrameRate follows the render times (60 on the first frame).
    void setFrameRate(double in_framesPerSecond);
    // Why the renderer cannot render any more (its GPU was reset); empty while it can.
    QString lostReason() const;

    QSize size() const;
    QCComposition* composition() const;
    CGColorSpaceRef colorSpace() const;
    // The local date and time that DATE and iDate count from.
    QDateTime jobStartDate() const;

    // The program as compiled, and the size each pass renders at, for tools that compare.
    QString vertexShaderSource() const;
    QString fragmentShaderSource() const;
    QSize passSize(int in_passIndex) const;
    // The EGL display and OpenGL implementation in use.
    QString contextDescription() const;

    QString description() const override;

private:
    struct Impl;
    explicit QCRenderer(std::unique_ptr<Impl> in_impl);
    ~QCRenderer() override;

    std::unique_ptr<Impl> mImpl;
};
