#include "platform/quartzcomposer/QCGLProgram.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <vector>

namespace {

QString shaderLog(GLuint shader) {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<std::size_t>(std::max(length, 1)), '\0');
    glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, log.data());
    return QString::fromUtf8(log.data()).trimmed();
}

QString programLog(GLuint program) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<std::size_t>(std::max(length, 1)), '\0');
    glGetProgramInfoLog(program, static_cast<GLsizei>(log.size()), nullptr, log.data());
    return QString::fromUtf8(log.data()).trimmed();
}

GLuint compile(GLenum stage, const QString& source, QString* log) {
    const QByteArray text = source.toUtf8();
    const char* pointer = text.constData();
    const GLint length = static_cast<GLint>(text.size());
    GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &pointer, &length);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled != GL_TRUE) {
        *log = QStringLiteral("the %1 shader does not compile:\n%2")
                   .arg(stage == GL_VERTEX_SHADER ? QStringLiteral("vertex")
                                                  : QStringLiteral("fragment"),
                        shaderLog(shader));
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

} // namespace

unsigned QCCompileProgram(const QString& in_vertexSource, const QString& in_fragmentSource,
                          const char* in_positionAttribute, QString* out_log) {
    GLuint vertex = compile(GL_VERTEX_SHADER, in_vertexSource, out_log);
    if (vertex == 0)
        return 0;
    GLuint fragment = compile(GL_FRAGMENT_SHADER, in_fragmentSource, out_log);
    if (fragment == 0) {
        glDeleteShader(vertex);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glBindAttribLocation(program, 0, in_positionAttribute);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        *out_log = QStringLiteral("the program does not link:\n%1").arg(programLog(program));
        glDeleteProgram(program);
        return 0;
    }
    return program;
}
