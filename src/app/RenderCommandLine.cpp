#include "app/RenderCommandLine.h"

#include "app/QTZMovieRenderer.h"
#include "app/RenderPresets.h"
#include "app/RenderSegments.h"
#include "platform/qtkit/DeliveryFormats.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>

namespace {

constexpr int kMaxFrameSide = 8192;
constexpr unsigned kMaxFramesPerSecond = kQTZMovieRenderer_MaxFramesPerSecond;
constexpr int kMaxEncoderThreads = 256;

ParsedRenderCommandLine failure(const QString& reason) {
    ParsedRenderCommandLine result;
    result.action = ParsedRenderCommandLine::Action::Fail;
    result.message = reason;
    return result;
}

bool parseSize(const QString& text, QSizeF* size) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const int width = match.captured(1).toInt();
    const int height = match.captured(2).toInt();
    if (width < 1 || height < 1 || width > kMaxFrameSide || height > kMaxFrameSide)
        return false;
    *size = QSizeF(width, height);
    return true;
}

// --fps and --duration into `options`; the one-line reason when either is not valid.
QString parseRateAndDuration(const QCommandLineParser& parser, const QCommandLineOption& fps,
                             const QCommandLineOption& duration, RenderJobOptions& options) {
    options.framesPerSecond = 30;
    if (parser.isSet(fps)) {
        bool ok = false;
        const uint value = parser.value(fps).toUInt(&ok);
        if (!ok || value < 1 || value > kMaxFramesPerSecond)
            return QStringLiteral("Invalid frame rate \"%1\": use a whole number from 1 to %2.")
                .arg(parser.value(fps))
                .arg(kMaxFramesPerSecond);
        options.framesPerSecond = value;
    }

    options.durationSeconds = kDefaultMovieDurationSeconds;
    if (parser.isSet(duration)) {
        bool ok = false;
        const double value = parser.value(duration).toDouble(&ok);
        if (!ok || !std::isfinite(value) || value < 0 ||
            value > kQTZMovieRenderer_MaxDurationSeconds)
            return QStringLiteral("Invalid duration \"%1\": use a number of seconds from 0 to %2 "
                                  "(24 hours).")
                .arg(parser.value(duration))
                .arg(kQTZMovieRenderer_MaxDurationSeconds);
        options.durationSeconds = value;
    }
    return QString();
}

} // namespace

QString RenderJobOptions::finalMoviePath() const {
    if (isSegment())
        return QDir(outputFolder)
            .filePath(
                renderSegmentFileName(compositionPath, quint64(firstFrame), quint64(lastFrame)));
    const DeliveryFormat* delivery = deliveryFormatNamed(format);
    const QString name = QFileInfo(compositionPath).completeBaseName() + QLatin1Char('.') +
                         (delivery ? delivery->extension : QStringLiteral("mov"));
    return QDir(outputFolder).filePath(name);
}

ParsedRenderCommandLine parseRenderCommandLine(const QStringList& arguments,
                                               const QString& defaultOutputFolder) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Renders a composition (ISF or Shadertoy shader) into a QuickTime movie."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption audio(
        QStringLiteral("audio"),
        QStringLiteral("Movie or sound file whose first track becomes the movie's sound."),
        QStringLiteral("FILE"));
    const QCommandLineOption preset(
        QStringLiteral("preset"),
        QStringLiteral("Dimension preset 0-12: 0 640x480, 2 720x480, 3 853x480, 4 720x576, "
                       "5 853x576, 6 800x600, 7 1024x768, 8 1280x720, 9 1280x960, 10 1920x1080, "
                       "11 2048x1080, 12 4096x2160 (default 0)."),
        QStringLiteral("N"));
    const QCommandLineOption size(QStringLiteral("size"),
                                  QStringLiteral("Frame size in pixels, instead of a preset."),
                                  QStringLiteral("WxH"));
    const QCommandLineOption fps(QStringLiteral("fps"),
                                 QStringLiteral("Frames per second, 1-600 (default 30)."),
                                 QStringLiteral("N"));
    const QCommandLineOption duration(
        QStringLiteral("duration"),
        QStringLiteral("Length in seconds, at most 86400 (default 33.3)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption output(
        QStringLiteral("output"),
        QStringLiteral("Folder that receives the movie (default: %1).").arg(defaultOutputFolder),
        QStringLiteral("DIR"));
    const QCommandLineOption verbose(
        {QStringLiteral("v"), QStringLiteral("verbose")},
        QStringLiteral("Also write the diagnostic log to standard error (it always goes to the "
                       "system log)."));
    const QCommandLineOption threads(
        QStringLiteral("encoder-threads"),
        QStringLiteral("Threads that encode the video, 1-%1; 1 encodes on the render thread "
                       "(default: one per processor core).")
            .arg(kMaxEncoderThreads),
        QStringLiteral("N"));
    const QCommandLineOption device(
        QStringLiteral("device"),
        QStringLiteral("EGL device to render on, by its number in \"--device list\", which "
                       "prints them (default: the first usable one)."),
        QStringLiteral("N|list"));
    const QCommandLineOption set(
        QStringLiteral("set"),
        QStringLiteral("Give the composition's input NAME a value instead of its default: a "
                       "number, true or false, x,y for a point, r,g,b,a for a colour. Repeatable."),
        QStringLiteral("NAME=VALUE"));
    const QCommandLineOption input(
        QStringLiteral("input"),
        QStringLiteral("Feed the image input NAME (Shadertoy: iChannel0-3) with a still image or "
                       "a movie, whose frame at each frame's time is shown. Repeatable."),
        QStringLiteral("NAME=FILE"));
    const QCommandLineOption listInputs(
        QStringLiteral("list-inputs"),
        QStringLiteral("List the composition's inputs with their types, defaults and ranges, and "
                       "exit."));
    QString formatHelp = QStringLiteral("Video format of the movie:");
    for (const DeliveryFormat& delivery : deliveryFormats())
        formatHelp += QStringLiteral("\n  %1: %2 (.%3)")
                          .arg(delivery.name, delivery.purpose, delivery.extension);
    const QCommandLineOption format(QStringLiteral("format"), formatHelp, QStringLiteral("NAME"));
    const QCommandLineOption frames(
        QStringLiteral("frames"),
        QStringLiteral("Render only frames FIRST to LAST (0-based, inclusive) of the job into a "
                       "segment, <name>.frames-FIRST-LAST.mov, an Animation movie without sound "
                       "(a composition driven by --audio hears the job's sound); --join makes "
                       "the movie of segments that cover the job. A composition with persistent "
                       "buffers renders the frames before FIRST too, without keeping them."),
        QStringLiteral("FIRST:LAST"));
    const QCommandLineOption join(
        QStringLiteral("join"),
        QStringLiteral("Join the SEGMENTs given instead of a composition (with --audio, --format "
                       "and --output) into the job's movie, without encoding them again."));
    const QCommandLineOption frameCount(
        QStringLiteral("frame-count"),
        QStringLiteral("Print the number of frames of the job that --fps and --duration describe "
                       "(frame k shows time k/fps, up to the duration) and exit."));
    parser.addOptions({help, version, audio, preset, size, fps, duration, output, verbose, set,
                       input, listInputs, format, device, frames, join, threads, frameCount});
    parser.addPositionalArgument(
        QStringLiteral("COMPOSITION"),
        QStringLiteral("The composition file; the movie is named after it with \".mov\"."));

    if (!parser.parse(arguments))
        return failure(parser.errorText());

    ParsedRenderCommandLine result;
    if (parser.isSet(help)) {
        result.action = ParsedRenderCommandLine::Action::ShowHelp;
        result.message = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.action = ParsedRenderCommandLine::Action::ShowVersion;
        return result;
    }

    RenderJobOptions& options = result.options;
    if (const QString problem = parseRateAndDuration(parser, fps, duration, options);
        !problem.isEmpty())
        return failure(problem);
    if (parser.isSet(frameCount)) {
        result.action = ParsedRenderCommandLine::Action::PrintFrameCount;
        return result;
    }
    if (parser.isSet(device)) {
        const QString value = parser.value(device);
        if (value == u"list") {
            result.action = ParsedRenderCommandLine::Action::ListDevices;
            return result;
        }
        bool ok = false;
        options.device = value.toInt(&ok);
        if (!ok || options.device < 0)
            return failure(QStringLiteral("Invalid device \"%1\": use a number that \"--device "
                                          "list\" prints.")
                               .arg(value));
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return failure(QStringLiteral("No composition given."));
    if (positional.size() > 1 && !parser.isSet(join))
        return failure(QStringLiteral("Only one composition can be rendered at a time."));
    options.compositionPath = positional.first();
    if (parser.isSet(listInputs)) {
        result.action = ParsedRenderCommandLine::Action::ListInputs;
        return result;
    }
    for (const auto& [option, list] :
         {std::pair{&set, &options.inputs.values}, std::pair{&input, &options.inputs.files}}) {
        for (const QString& given : parser.values(*option)) {
            const qsizetype equals = given.indexOf(QLatin1Char('='));
            if (equals <= 0 || equals == given.size() - 1)
                return failure(QStringLiteral("Invalid --%1 \"%2\": use %3.")
                                   .arg(option->names().first(), given, option->valueName()));
            list->append({given.left(equals), given.mid(equals + 1)});
        }
    }
    options.audioPath = parser.value(audio);
    if (parser.isSet(audio) && options.audioPath.isEmpty())
        return failure(QStringLiteral("--audio needs a file."));

    if (parser.isSet(preset) && parser.isSet(size))
        return failure(QStringLiteral("Give either --preset or --size, not both."));
    if (parser.isSet(preset)) {
        bool ok = false;
        const int index = parser.value(preset).toInt(&ok);
        if (!ok || index < 0 || index >= kMovieDimensionPresetCount)
            return failure(QStringLiteral("Invalid preset \"%1\": use a number from 0 to %2.")
                               .arg(parser.value(preset))
                               .arg(kMovieDimensionPresetCount - 1));
        options.size = movieDimensionsForPreset(index);
    } else if (parser.isSet(size)) {
        if (!parseSize(parser.value(size), &options.size))
            return failure(QStringLiteral("Invalid size \"%1\": use WIDTHxHEIGHT, each 1 to %2.")
                               .arg(parser.value(size))
                               .arg(kMaxFrameSide));
    } else {
        options.size = movieDimensionsForPreset(0);
    }

    options.encoderThreads = 0;
    if (parser.isSet(threads)) {
        bool ok = false;
        const int value = parser.value(threads).toInt(&ok);
        if (!ok || value < 1 || value > kMaxEncoderThreads)
            return failure(QStringLiteral("Invalid number of encoder threads \"%1\": use a whole "
                                          "number from 1 to %2.")
                               .arg(parser.value(threads))
                               .arg(kMaxEncoderThreads));
        options.encoderThreads = value;
    }

    if (parser.isSet(format)) {
        if (!deliveryFormatNamed(parser.value(format))) {
            QStringList names;
            for (const DeliveryFormat& delivery : deliveryFormats())
                names.append(delivery.name);
            return failure(QStringLiteral("Invalid format \"%1\": use one of %2.")
                               .arg(parser.value(format), names.join(QStringLiteral(", "))));
        }
        options.format = parser.value(format);
    }

    if (parser.isSet(frames)) {
        const std::optional<QPair<quint64, quint64>> range =
            parseFrameRange(parser.value(frames),
                            renderFrameCount(options.durationSeconds, options.framesPerSecond));
        if (!range)
            return failure(
                QStringLiteral("Invalid frames \"%1\": use FIRST:LAST, 0-based, "
                               "within the job's %2 frames.")
                    .arg(parser.value(frames))
                    .arg(renderFrameCount(options.durationSeconds, options.framesPerSecond)));
        // A segment's video is copied into the joined movie as it is.
        if (parser.isSet(format))
            return failure(QStringLiteral("A segment is always an Animation movie: give --format "
                                          "to --join."));
        options.firstFrame = qint64(range->first);
        options.lastFrame = qint64(range->second);
    }

    options.verbose = parser.isSet(verbose);
    options.outputFolderGiven = parser.isSet(output);
    options.outputFolder = options.outputFolderGiven ? parser.value(output) : defaultOutputFolder;
    if (options.outputFolder.isEmpty())
        return failure(QStringLiteral("--output needs a folder."));

    if (parser.isSet(join)) {
        if (parser.isSet(frames))
            return failure(QStringLiteral("Give either --frames or --join, not both."));
        options.segments = positional;
        options.compositionPath.clear();
        result.action = ParsedRenderCommandLine::Action::Join;
        return result;
    }
    result.action = ParsedRenderCommandLine::Action::Render;
    return result;
}

quint64 renderFrameCount(double durationSeconds, unsigned framesPerSecond) {
    return quint64(QTZMovieRendererFrameCount(durationSeconds, framesPerSecond));
}
