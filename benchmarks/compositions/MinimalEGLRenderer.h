#pragma once

#include <QSize>

#include <memory>

class QCRenderer;

// The reference for the composition benchmark: the least a program must do to draw a
// composition's compiled shaders and read the picture back, written straight on EGL and
// OpenGL without the renderer's layers. It compiles the renderer's own GLSL, draws the same
// passes at the same sizes and reads the pixels with one glReadPixels a frame.
class MinimalEGLRenderer {
public:
    // Nullptr when EGL or the shaders fail (reported on standard error).
    static std::unique_ptr<MinimalEGLRenderer> create(const QCRenderer& in_reference);
    ~MinimalEGLRenderer();

    // Draws one frame at `in_time` and reads it back; false on an OpenGL error.
    bool renderAndRead(double in_time);
    // The last frame read: RGBA rows of the output size, bottom row first.
    const unsigned char* pixels() const;
    QSize size() const;

    struct Impl;

private:
    explicit MinimalEGLRenderer(std::unique_ptr<Impl> in_impl);
    std::unique_ptr<Impl> mImpl;
};
