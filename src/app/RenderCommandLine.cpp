#include "app/RenderCommandLine.h"

#include "app/QTZMovieRenderer.h"
#include "app/RenderPresets.h"

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

} // namespace

QString RenderJobOptions::finalMoviePath() const {
    const QString name = QFileInfo(compositionPath).completeBaseName() + QStringLiteral(".mov");
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
    parser.addOptions(
        {help, version, audio, preset, size, fps, duration, output, verbose, threads});
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
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return failure(QStringLiteral("No composition given."));
    if (positional.size() > 1)
        return failure(QStringLiteral("Only one composition can be rendered at a time."));
    options.compositionPath = positional.first();
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

    options.framesPerSecond = 30;
    if (parser.isSet(fps)) {
        bool ok = false;
        const uint value = parser.value(fps).toUInt(&ok);
        if (!ok || value < 1 || value > kMaxFramesPerSecond)
            return failure(QStringLiteral("Invalid frame rate \"%1\": use a whole number from 1 "
                                          "to %2.")
                               .arg(parser.value(fps))
                               .arg(kMaxFramesPerSecond));
        options.framesPerSecond = value;
    }

    options.durationSeconds = kDefaultMovieDurationSeconds;
    if (parser.isSet(duration)) {
        bool ok = false;
        const double value = parser.value(duration).toDouble(&ok);
        if (!ok || !std::isfinite(value) || value < 0 ||
            value > kQTZMovieRenderer_MaxDurationSeconds)
            return failure(QStringLiteral("Invalid duration \"%1\": use a number of seconds from 0 "
                                          "to %2 (24 hours).")
                               .arg(parser.value(duration))
                               .arg(kQTZMovieRenderer_MaxDurationSeconds));
        options.durationSeconds = value;
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

    options.verbose = parser.isSet(verbose);
    options.outputFolderGiven = parser.isSet(output);
    options.outputFolder = options.outputFolderGiven ? parser.value(output) : defaultOutputFolder;
    if (options.outputFolder.isEmpty())
        return failure(QStringLiteral("--output needs a folder."));

    result.action = ParsedRenderCommandLine::Action::Render;
    return result;
}

quint64 renderFrameCount(double durationSeconds, unsigned framesPerSecond) {
    if (framesPerSecond == 0)
        return 0;
    const double step = 1.0 / static_cast<double>(framesPerSecond);
    quint64 frames = 0;
    double time = 0.0;
    do {
        ++frames;
        time += step;
    } while (durationSeconds >= time);
    return frames;
}
