#include "platform/quartzcomposer/QCGraphicsReset.h"

#include <EGL/egl.h>
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <atomic>

namespace {

std::atomic<unsigned> sSimulatedStatus{0};

using ResetStatusFunction = GLenum (*)();

// glGetGraphicsResetStatus (OpenGL 4.5) or the robustness extensions' earlier name; null where
// the implementation has neither.
ResetStatusFunction resetStatusFunction() {
    for (const char* name : {"glGetGraphicsResetStatus", "glGetGraphicsResetStatusARB",
                             "glGetGraphicsResetStatusKHR"}) {
        if (auto function = reinterpret_cast<ResetStatusFunction>(eglGetProcAddress(name)))
            return function;
    }
    return nullptr;
}

} // namespace

bool QCGraphicsWasReset(QString* out_why) {
    GLenum status = sSimulatedStatus.load();
    if (status == GL_NO_ERROR) {
        static const ResetStatusFunction function = resetStatusFunction();
        GLint strategy = GL_NO_RESET_NOTIFICATION;
        glGetIntegerv(GL_RESET_NOTIFICATION_STRATEGY, &strategy);
        glGetError(); // contexts older than the query refuse it
        if (function == nullptr || strategy != GL_LOSE_CONTEXT_ON_RESET)
            return false;
        status = function();
    }
    switch (status) {
    case GL_NO_ERROR:
        return false;
    case GL_GUILTY_CONTEXT_RESET:
        *out_why = QStringLiteral("the GPU was reset because of this composition's shader (it "
                                  "ran too long or faulted)");
        break;
    case GL_INNOCENT_CONTEXT_RESET:
        *out_why = QStringLiteral("the GPU was reset by another program");
        break;
    default:
        *out_why = QStringLiteral("the GPU was reset");
        break;
    }
    return true;
}

void QCSimulateGraphicsResetForTesting(unsigned in_status) {
    sSimulatedStatus.store(in_status);
}
