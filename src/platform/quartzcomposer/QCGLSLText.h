#pragma once

#include <QSet>
#include <QString>

#include <optional>

// Text operations on GLSL sources that respect comments.

// The source with every comment replaced by spaces (line breaks kept, so offsets and line
// numbers stay the same).
QString QCStripComments(const QString& in_source);

// True when the source (outside comments) defines or declares a function `void <name>(`.
bool QCDeclaresVoidFunction(const QString& in_source, const QString& in_name);

// Removes the first "#version ..." directive, leaving an empty line, and returns it (trimmed);
// empty when there is none.
QString QCTakeVersionDirective(QString& io_source);

// Removes the source's own "#extension" directives, leaving empty lines (so line numbers stay),
// and returns them, one a line, to be placed before any declaration: GLSL takes them only
// there. A directive inside a conditional block ("#ifdef GL_ES ... #endif") moves with its
// whole block when the block holds nothing but directives; one in a block that holds code
// stays where it is.
QString QCTakeExtensionDirectives(QString& io_source);

// Rewrites ISF's image functions (IMG_PIXEL, IMG_NORM_PIXEL, IMG_THIS_PIXEL,
// IMG_THIS_NORM_PIXEL, IMG_NORM_THIS_PIXEL, IMG_SIZE) into calls of the helpers that the
// renderer declares (isf_sample, isf_samplePixel) and the size uniform _<name>_imgSize.
// Fails, with out_error set, on an unknown image name, a wrong argument count or unbalanced
// parentheses.
std::optional<QString> QCRewriteImageFunctions(const QString& in_source,
                                               const QSet<QString>& in_imageNames,
                                               QString* out_error);

// True for a name usable as a GLSL identifier that is not reserved (gl_ prefix, double
// underscore, the renderer's isf_ names).
bool QCIsUsableIdentifier(const QString& in_name);
