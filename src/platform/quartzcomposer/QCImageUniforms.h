#pragma once

#include <QSize>
#include <QString>

// The uniforms that describe each image a composition samples, as ISF hosts declare them for
// every image input, imported image and pass target named X:
//   _X_imgSize  vec2, the image's size in pixels (0, 0 for an image with nothing bound);
//   _X_imgRect  vec4, the image's region in the texture, origin then size, in pixels: the whole
//               texture (0, 0, width, height), since every image fills its own texture;
//   _X_flip     bool, true when the rows are stored top-down; never here, rows go bottom-up as
//               OpenGL reads them.

// Their GLSL declarations.
QString QCImageUniformDeclarations(const QString& in_name);

// Sets them for an image of `in_size` pixels; needs the program in use on the current context.
void QCSetImageUniforms(unsigned in_program, const QString& in_name, QSize in_size);

// A 1 x 1 floating-point texture of one exact colour, bound to GL_TEXTURE_2D of the active
// unit; 0 when it cannot be made.
unsigned QCMakeConstantTexture(float in_red, float in_green, float in_blue, float in_alpha);
