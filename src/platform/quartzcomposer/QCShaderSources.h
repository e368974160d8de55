#pragma once

#include <QString>

struct QCCompositionModel;

// The complete GLSL of a composition's program for a context with the given abilities: the
// version line, the declarations of the built-in uniforms, the inputs and images, the helpers
// that the rewritten image functions call, then the composition's own source.
struct QCShaderSources {
    QString vertex;
    QString fragment;
};

struct QCShaderAbilities {
    int glslVersion = 0;        // 100 * major + minor
    bool compatibility = false; // the classic built-ins are available
    bool es3Shaders = false;    // "#version 300 es" compiles
    // Sources without a version line get GLSL 4.00's implicit conversions (int to uint too),
    // through GL_ARB_gpu_shader5. Its overload rules refuse a few calls that compiled without
    // it (an int given to functions overloaded for float and uint): those compile without.
    bool implicitIntToUint = true;
};

QCShaderSources QCBuildShaderSources(const QCCompositionModel& in_model,
                                     const QCShaderAbilities& in_abilities);

// Name of the vertex attribute that carries the full-frame quad's corners (-1..1).
inline constexpr const char* kQCVertexPositionAttribute = "isf_VertexPosition";
