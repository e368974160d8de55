#pragma once

#include <QString>

// Compiling and linking the composition's program. Needs the renderer's context current.

// The linked program's name, or 0 with out_log holding the compiler's or linker's log,
// introduced by which stage failed.
unsigned QCCompileProgram(const QString& in_vertexSource, const QString& in_fragmentSource,
                          const char* in_positionAttribute, QString* out_log);
