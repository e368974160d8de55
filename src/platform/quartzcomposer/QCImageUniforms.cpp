#include "platform/quartzcomposer/QCImageUniforms.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

namespace {

GLint uniformLocation(GLuint program, const QString& format, const QString& name) {
    const QByteArray uniform = format.arg(name).toUtf8();
    return glGetUniformLocation(program, uniform.constData());
}

} // namespace

QString QCImageUniformDeclarations(const QString& in_name) {
    return QStringLiteral("uniform sampler2D %1;\nuniform vec2 _%1_imgSize;\n"
                          "uniform vec4 _%1_imgRect;\nuniform bool _%1_flip;\n")
        .arg(in_name);
}

void QCSetImageUniforms(unsigned in_program, const QString& in_name, QSize in_size) {
    const auto width = static_cast<float>(std::max(in_size.width(), 0));
    const auto height = static_cast<float>(std::max(in_size.height(), 0));
    glUniform2f(uniformLocation(in_program, QStringLiteral("_%1_imgSize"), in_name), width, height);
    glUniform4f(uniformLocation(in_program, QStringLiteral("_%1_imgRect"), in_name), 0.0f, 0.0f,
                width, height);
    glUniform1i(uniformLocation(in_program, QStringLiteral("_%1_flip"), in_name), 0);
}

unsigned QCMakeConstantTexture(float in_red, float in_green, float in_blue, float in_alpha) {
    const float texel[4] = {in_red, in_green, in_blue, in_alpha};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, 1, 1, 0, GL_RGBA, GL_FLOAT, texel);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}
