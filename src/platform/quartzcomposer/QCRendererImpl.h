#pragma once

// The renderer's state, shared by the files that implement QCRenderer.

#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCCompositionModel.h"
#include "platform/quartzcomposer/QCEGLContext.h"
#include "platform/quartzcomposer/QCRenderer.h"
#include "platform/quartzcomposer/QCShaderSources.h"
#include "platform/quartzcomposer/QCSnapshotImages.h"

#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/glcorearb.h>

#include <QDateTime>
#include <QHash>
#include <QSet>

#include <array>
#include <memory>
#include <vector>

namespace qcrenderer {

// A render target of a pass: two textures, so that a pass may read the buffer's previous
// contents (the front) while it draws the new ones (the back).
struct Buffer {
    QString name; // empty for a pass that draws into nothing the others read
    QSize size;
    bool isFloat = false;
    bool persistent = false;
    GLuint textures[2] = {0, 0};
    GLuint framebuffers[2] = {0, 0};
    int front = 0;
};

// An image the program samples: a buffer's front texture or a fixed texture.
struct Sampler {
    QString name;
    GLint unit = 0;
    int buffer = -1;
    GLuint texture = 0;
};

// Changes of the composition's inputs given between two frames, applied before the next one.
struct PendingInputs {
    QHash<QString, QCInputValue> values;
    QHash<QString, QImage> images;
    // The images whose first row is the picture's bottom.
    QSet<QString> bottomRowFirst;
};

// Makes `texture` hold `image`: 8-bit RGBA, or 32-bit float RGBA for a float image; row 0 is
// the bottom of the picture (the image's last row, or its first with `bottomRowFirst`). The
// texture's storage is kept when the size and format stay.
void uploadImageInto(GLuint texture, const QImage& image, bool bottomRowFirst = false);

// Sets the uniform at `where` to a value input's value.
void setValueUniform(GLint where, QCCompositionModel::InputType type, const QCInputValue& value);

} // namespace qcrenderer

struct QCRenderer::Impl {
    std::unique_ptr<QCEGLContext> context;
    NSRef<QCComposition> composition;
    CGColorSpaceRef colorSpace = nullptr;
    QSize size;
    QCShaderSources sources;
    QDateTime jobStart;

    GLuint program = 0;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint outputTexture = 0;
    GLuint outputFramebuffer = 0;
    std::vector<GLuint> fixedTextures;
    std::vector<qcrenderer::Buffer> buffers;
    std::vector<qcrenderer::Sampler> samplers;
    // Per pass: the buffer it draws into, or -1 for the output.
    std::vector<int> passBuffers;

    double previousTime = 0.0;
    double frameRate = 0.0; // 0: not given, iFrameRate follows the render times
    int frameIndex = 0;
    bool hasRendered = false;
    QString lostReason; // why the context is gone (a GPU reset); empty while it renders
    std::vector<unsigned char> readback;
    QCSnapshotImages snapshots;

    qcrenderer::PendingInputs pending;

    const QCCompositionModel& model() const { return composition->model(); }

    GLint location(const char* name) const { return glGetUniformLocation(program, name); }

    bool build(QString* error);
    bool planPasses(QString* error);
    void bindSamplers();
    void setFrameUniforms(double time);
    void releaseGL();
    // Sets the inputs given since the last frame; the program is in use.
    void applyPendingInputs();
};
