#pragma once

#include "platform/qtkit/QTTime.h"

#include <QString>

namespace qtkit {

// One track of a movie as a piece of a stream in a file: stream `stream` of `file`, the part
// `source` of it (in the stream's own time, 0 = its first sample), shown from movie time `at`.
struct MovieSegment {
    QString file;
    int stream = 0;
    QString mediaType;
    QString codecName;
    QTTimeRange source;
    QTTime at;
};

} // namespace qtkit
