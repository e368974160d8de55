#pragma once

#include "app/job/RenderJobOptions.h"

#include <QString>
#include <QStringList>

struct ParsedRenderCommandLine {
    enum class Action {
        Render = 1,
        ShowHelp,
        ShowVersion,
        ListInputs,
        ListDevices,
        Join,
        PrintFrameCount,
        Fail
    };
    Action action = Action::Fail;
    RenderJobOptions options;
    QString message; // the help or version text, or the one-line reason of a failure
};

// Parses `arguments` (the program name first). The output folder defaults to `defaultOutputFolder`.
ParsedRenderCommandLine parseRenderCommandLine(const QStringList& arguments,
                                               const QString& defaultOutputFolder);

// Number of frames a job renders: frame k at time k/fps for as long as that time does not pass
// the duration (to within a millionth of a frame), and at least one. A loop leaves out the frame
// at the duration itself.
quint64 renderFrameCount(double durationSeconds, unsigned framesPerSecond, bool loop = false);
