#include "app/cli/RenderCommandLine.h"

#include "app/job/QTZMovieRenderer.h"
#include "app/job/RenderPresets.h"
#include "app/job/RenderSegments.h"
#include "app/job/RenderTiming.h"
#include "platform/qtkit/DeliveryFormats.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr int kMaxFrameSide = 8192;

ParsedRenderCommandLine failure(const QString& reason) {
    ParsedRenderCommandLine result;
    result.action = ParsedRenderCommandLine::Action::Fail;
    result.message = reason;
    return result;
}

ParsedRenderCommandLine doing(ParsedRenderCommandLine::Action action, RenderJobOptions options = {},
                              QString message = {}) {
    ParsedRenderCommandLine result;
    result.action = action;
    result.options = std::move(options);
    result.message = std::move(message);
    return result;
}

// The whole number `text` when it lies from `low` to `high`.
std::optional<qint64> boundedNumber(const QString& text, qint64 low, qint64 high) {
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

QCommandLineOption option(const char* name, const QString& description,
                          const char* valueName = nullptr) {
    return QCommandLineOption(QString::fromLatin1(name), description,
                              valueName ? QString::fromLatin1(valueName) : QString());
}

// The options in the order the help lists them: first the movie's source, size and length.
QList<QCommandLineOption> leadingOptions(const QString& defaultOutputFolder) {
    return {
        QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                           QStringLiteral("Show this help and exit.")),
        option("version", QStringLiteral("Show the version and exit.")),
        option("audio",
               QStringLiteral("Movie or sound file whose first track becomes the movie's sound."),
               "FILE"),
        option("preset",
               QStringLiteral("Dimension preset 0-16: 0 640x480, 2 720x480, 3 853x480, 4 720x576, "
                              "5 853x576, 6 800x600, 7 1024x768, 8 1280x720, 9 1280x960, 10 "
                              "1920x1080, 11 2048x1080, 12 4096x2160, 13 1080x1080, 14 "
                              "1080x1920, 15 2560x1440, 16 3840x2160 (default 0)."),
               "N"),
        option("size", QStringLiteral("Frame size in pixels, instead of a preset."), "WxH"),
        option("fps", QStringLiteral("Frames per second, 1-600 (default 30)."), "N"),
        option("duration",
               QStringLiteral("Length in seconds, at most 86400 (default 33.3), or \"sound\": as "
                              "long as the --audio file's first track."),
               "SECONDS|sound"),
        option("loop",
               QStringLiteral("Leave out the frame at the end, so that the movie loops without "
                              "showing a moment twice: duration x fps frames.")),
        option("cut-sound",
               QStringLiteral("End the sound where the video ends (by default the whole sound is "
                              "kept, and the movie lasts as long as it).")),
        option("output",
               QStringLiteral("Folder that receives the movie (default: %1).")
                   .arg(defaultOutputFolder),
               "DIR"),
        QCommandLineOption({QStringLiteral("v"), QStringLiteral("verbose")},
                           QStringLiteral("Also write the diagnostic log to standard error (it "
                                          "always goes to the system log).")),
    };
}

// Then the composition's inputs, the format, and what else the tool can do.
QList<QCommandLineOption> trailingOptions() {
    QString formatHelp = QStringLiteral("Video format of the movie:");
    for (const DeliveryFormat& delivery : deliveryFormats())
        formatHelp += QStringLiteral("\n  %1: %2 (.%3)")
                          .arg(delivery.name, delivery.purpose, delivery.extension);
    return {
        option("set",
               QStringLiteral("Give the composition's input NAME a value instead of its default: "
                              "a number, true or false, x,y for a point, r,g,b,a for a colour. "
                              "NAME@SECONDS=VALUE sets a key: the value moves linearly between "
                              "keys (longs and bools change at the key) and holds before the "
                              "first and after the last. NAME=sound:BAND[*GAIN][+OFFSET] follows "
                              "the loudness of the --audio sound's level, bass, mid or treble "
                              "over the input's range. Repeatable."),
               "NAME=VALUE"),
        option("input",
               QStringLiteral("Feed the image input NAME (Shadertoy: iChannel0-3) with a still "
                              "image or a movie, whose frame at each frame's time is shown. "
                              "Repeatable."),
               "NAME=FILE"),
        option("list-inputs",
               QStringLiteral("List the composition's inputs with their types, defaults, "
                              "ranges and how they can move, and exit.")),
        option("format", formatHelp, "NAME"),
        option("device",
               QStringLiteral("EGL device to render on, by its number in \"--device list\", which "
                              "prints them (default: the first usable one)."),
               "N|list"),
        option("frames",
               QStringLiteral("Render only frames FIRST to LAST (0-based, inclusive) of the job "
                              "into a segment, <name>.frames-FIRST-LAST.mov, an Animation movie "
                              "without sound (a composition driven by --audio hears the job's "
                              "sound); --join makes the movie of segments that cover the job. A "
                              "composition with persistent buffers renders the frames before "
                              "FIRST too, without keeping them."),
               "FIRST:LAST"),
        option("join",
               QStringLiteral("Join the SEGMENTs given instead of a composition (with --audio, "
                              "--format and --output) into the job's movie, without encoding "
                              "them again.")),
        option("encoder-threads",
               QStringLiteral("Threads that encode the video, 1-%1; 1 encodes on the render "
                              "thread (default: one per processor core).")
                   .arg(kRenderJob_MaxEncoderThreads),
               "N"),
        option("frame-count",
               QStringLiteral("Print the number of frames of the job that --fps, --duration and "
                              "--loop describe (frame k shows time k/fps, up to the duration) and "
                              "exit.")),
    };
}

// --fps and --duration into `options`; the one-line reason when either is not valid.
QString parseRateAndDuration(const QCommandLineParser& parser, RenderJobOptions& options) {
    options.framesPerSecond = 30;
    if (parser.isSet(QStringLiteral("fps"))) {
        const QString text = parser.value(QStringLiteral("fps"));
        const std::optional<qint64> value =
            boundedNumber(text, 0, std::numeric_limits<std::uint32_t>::max());
        if (!value || !RenderJob::frameRateProblem(std::uint32_t(*value)).isEmpty())
            return QStringLiteral("Invalid frame rate \"%1\": use a whole number from 1 to %2.")
                .arg(text)
                .arg(kRenderJob_MaxFramesPerSecond);
        options.framesPerSecond = unsigned(*value);
    }
    options.durationSeconds = kDefaultMovieDurationSeconds;
    options.loop = parser.isSet(QStringLiteral("loop"));
    options.cutSound = parser.isSet(QStringLiteral("cut-sound"));
    if (parser.isSet(QStringLiteral("duration")) &&
        parser.value(QStringLiteral("duration")) == u"sound") {
        // The length is known before anything else is checked: --frames counts on it.
        const QString sound = parser.value(QStringLiteral("audio"));
        if (sound.isEmpty())
            return QStringLiteral("--duration sound needs a sound: give --audio FILE.");
        QString error;
        const std::optional<double> seconds = soundDurationSeconds(sound, &error);
        if (!seconds)
            return QStringLiteral("--duration sound: the length of \"%1\" cannot be read (%2).")
                .arg(sound, error);
        if (!RenderJob::durationProblem(*seconds).isEmpty())
            return QStringLiteral("--duration sound: \"%1\" lasts %2 s, more than %3 (24 hours).")
                .arg(sound)
                .arg(*seconds)
                .arg(kRenderJob_MaxDurationSeconds);
        options.durationFromSound = true;
        options.durationSeconds = *seconds;
    } else if (parser.isSet(QStringLiteral("duration"))) {
        const QString text = parser.value(QStringLiteral("duration"));
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok || !RenderJob::durationProblem(value).isEmpty())
            return QStringLiteral("Invalid duration \"%1\": use a number of seconds from 0 to %2 "
                                  "(24 hours), or sound.")
                .arg(text)
                .arg(kRenderJob_MaxDurationSeconds);
        options.durationSeconds = value;
    }
    return {};
}

// --device into `options`; the one-line reason when it names no device.
QString parseDevice(const QCommandLineParser& parser, RenderJobOptions& options) {
    if (!parser.isSet(QStringLiteral("device")))
        return {};
    const QString text = parser.value(QStringLiteral("device"));
    const std::optional<qint64> value = boundedNumber(text, 0, std::numeric_limits<int>::max());
    if (!value)
        return QStringLiteral("Invalid device \"%1\": use a number that \"--device list\" prints.")
            .arg(text);
    options.device = int(*value);
    return {};
}

// --set and --input, in the order given.
QString parseInputSettings(const QCommandLineParser& parser, RenderJobOptions& options) {
    for (const auto& [name, valueName, list] :
         {std::tuple{"set", "NAME=VALUE", &options.inputs.values},
          std::tuple{"input", "NAME=FILE", &options.inputs.files}}) {
        for (const QString& given : parser.values(QString::fromLatin1(name))) {
            const qsizetype equals = given.indexOf(QLatin1Char('='));
            if (equals <= 0 || equals == given.size() - 1)
                return QStringLiteral("Invalid --%1 \"%2\": use %3.")
                    .arg(QLatin1String(name), given, QLatin1String(valueName));
            list->append({given.left(equals), given.mid(equals + 1)});
        }
    }
    options.audioPath = parser.value(QStringLiteral("audio"));
    if (parser.isSet(QStringLiteral("audio")) && options.audioPath.isEmpty())
        return QStringLiteral("--audio needs a file.");
    return {};
}

// --preset or --size.
QString parseFrameSize(const QCommandLineParser& parser, RenderJobOptions& options) {
    const bool preset = parser.isSet(QStringLiteral("preset"));
    const bool size = parser.isSet(QStringLiteral("size"));
    if (preset && size)
        return QStringLiteral("Give either --preset or --size, not both.");
    options.size = movieDimensionsForPreset(0);
    if (preset) {
        const QString text = parser.value(QStringLiteral("preset"));
        const std::optional<qint64> index = boundedNumber(text, 0, kMovieDimensionPresetCount - 1);
        if (!index)
            return QStringLiteral("Invalid preset \"%1\": use a number from 0 to %2.")
                .arg(text)
                .arg(kMovieDimensionPresetCount - 1);
        options.size = movieDimensionsForPreset(int(*index));
    } else if (size) {
        static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$"));
        const QString text = parser.value(QStringLiteral("size"));
        const QRegularExpressionMatch match = pattern.match(text);
        const std::optional<qint64> width = boundedNumber(match.captured(1), 1, kMaxFrameSide);
        const std::optional<qint64> height = boundedNumber(match.captured(2), 1, kMaxFrameSide);
        if (!match.hasMatch() || !width || !height)
            return QStringLiteral("Invalid size \"%1\": use WIDTHxHEIGHT, each 1 to %2.")
                .arg(text)
                .arg(kMaxFrameSide);
        options.size = QSizeF(double(*width), double(*height));
    }
    return {};
}

// --encoder-threads, --format and --frames.
QString parseEncoding(const QCommandLineParser& parser, RenderJobOptions& options) {
    options.encoderThreads = 0;
    if (parser.isSet(QStringLiteral("encoder-threads"))) {
        const QString text = parser.value(QStringLiteral("encoder-threads"));
        const std::optional<qint64> value = boundedNumber(text, 1, kRenderJob_MaxEncoderThreads);
        if (!value)
            return QStringLiteral("Invalid number of encoder threads \"%1\": use a whole number "
                                  "from 1 to %2.")
                .arg(text)
                .arg(kRenderJob_MaxEncoderThreads);
        options.encoderThreads = int(*value);
    }
    const bool format = parser.isSet(QStringLiteral("format"));
    if (format) {
        const QString name = parser.value(QStringLiteral("format"));
        if (!deliveryFormatNamed(name)) {
            QStringList names;
            for (const DeliveryFormat& delivery : deliveryFormats())
                names.append(delivery.name);
            return QStringLiteral("Invalid format \"%1\": use one of %2.")
                .arg(name, names.join(QStringLiteral(", ")));
        }
        options.format = name;
    }
    if (!parser.isSet(QStringLiteral("frames")))
        return {};
    const QString text = parser.value(QStringLiteral("frames"));
    const quint64 frames = options.frameCount();
    const std::optional<QPair<quint64, quint64>> range = parseFrameRange(text, frames);
    if (!range)
        return QStringLiteral("Invalid frames \"%1\": use FIRST:LAST, 0-based, within the job's "
                              "%2 frames.")
            .arg(text)
            .arg(frames);
    // A segment's video is copied into the joined movie as it is.
    if (format)
        return QStringLiteral("A segment is always an Animation movie: give --format to --join.");
    options.firstFrame = qint64(range->first);
    options.lastFrame = qint64(range->second);
    return {};
}

// What the tool renders or joins, once the action is known to be one of those.
ParsedRenderCommandLine parseJob(const QCommandLineParser& parser, RenderJobOptions options,
                                 const QString& defaultOutputFolder) {
    for (const auto parse : {parseInputSettings, parseFrameSize, parseEncoding}) {
        if (const QString problem = parse(parser, options); !problem.isEmpty())
            return failure(problem);
    }
    options.verbose = parser.isSet(QStringLiteral("verbose"));
    options.outputFolderGiven = parser.isSet(QStringLiteral("output"));
    options.outputFolder =
        options.outputFolderGiven ? parser.value(QStringLiteral("output")) : defaultOutputFolder;
    if (options.outputFolder.isEmpty())
        return failure(QStringLiteral("--output needs a folder."));
    if (!parser.isSet(QStringLiteral("join")))
        return doing(ParsedRenderCommandLine::Action::Render, std::move(options));
    if (parser.isSet(QStringLiteral("frames")))
        return failure(QStringLiteral("Give either --frames or --join, not both."));
    options.segments = parser.positionalArguments();
    options.compositionPath.clear();
    return doing(ParsedRenderCommandLine::Action::Join, std::move(options));
}

} // namespace

ParsedRenderCommandLine parseRenderCommandLine(const QStringList& arguments,
                                               const QString& defaultOutputFolder) {
    using Action = ParsedRenderCommandLine::Action;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Renders a composition (ISF or Shadertoy shader) into a QuickTime movie."));
    parser.addOptions(leadingOptions(defaultOutputFolder) + trailingOptions());
    parser.addPositionalArgument(
        QStringLiteral("COMPOSITION"),
        QStringLiteral("The composition file; the movie is named after it with \".mov\"."));
    if (!parser.parse(arguments))
        return failure(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        return doing(Action::ShowHelp, {}, parser.helpText());
    if (parser.isSet(QStringLiteral("version")))
        return doing(Action::ShowVersion);

    RenderJobOptions options;
    if (const QString problem = parseRateAndDuration(parser, options); !problem.isEmpty())
        return failure(problem);
    if (parser.isSet(QStringLiteral("frame-count")))
        return doing(Action::PrintFrameCount, std::move(options));
    if (parser.isSet(QStringLiteral("device")) && parser.value(QStringLiteral("device")) == u"list")
        return doing(Action::ListDevices, std::move(options));
    if (const QString problem = parseDevice(parser, options); !problem.isEmpty())
        return failure(problem);
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return failure(QStringLiteral("No composition given."));
    if (positional.size() > 1 && !parser.isSet(QStringLiteral("join")))
        return failure(QStringLiteral("Only one composition can be rendered at a time."));
    options.compositionPath = positional.first();
    if (parser.isSet(QStringLiteral("list-inputs")))
        return doing(Action::ListInputs, std::move(options));
    return parseJob(parser, std::move(options), defaultOutputFolder);
}

quint64 renderFrameCount(double durationSeconds, unsigned framesPerSecond, bool loop) {
    return quint64(QTZMovieRendererFrameCount(durationSeconds, framesPerSecond, loop));
}
