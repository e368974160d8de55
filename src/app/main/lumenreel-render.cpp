// lumenreel-render: renders one composition into a movie without a window, through the same
// render driver, recorder and flattener as the application.

#include "app/cli/RenderCommandLine.h"
#include "app/cli/RenderProgressPrinter.h"
#include "app/job/MovingInputs.h"
#include "app/job/QTZMovieRenderer.h"
#include "app/job/RenderJobChecks.h"
#include "app/job/RenderJoin.h"
#include "app/job/RenderSegments.h"
#include "movie/QTKitMovieRecorder/QStillFrameMovieRecorder.h"
#include "platform/appkitcore/NSAlert.h"
#include "platform/foundation/NSLog.h"
#include "platform/qtkit/ProcessMemory.h"
#include "platform/quartzcomposer/QCCompositionModel.h"
#include "platform/quartzcomposer/QCEGLContext.h"
#include "platform/quartzcomposer/QCInputValues.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr const char* kProgramName = "lumenreel-render";

int fail(const QString& reason, int status = 1) {
    std::fprintf(stderr, "%s: %s\n", kProgramName, qUtf8Printable(reason));
    return status;
}

QString defaultOutputFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
}

void printWarnings(const QStringList& warnings) {
    for (const QString& warning : warnings)
        std::fprintf(stderr, "%s: warning: %s\n", kProgramName, qUtf8Printable(warning));
}

// Prints the composition's inputs, one a line.
int listInputs(const QString& path) {
    QString error;
    const std::optional<QCCompositionModel> model = readComposition(path, &error);
    if (!model) {
        std::fprintf(stderr, "%s: %s\n", kProgramName, qUtf8Printable(error));
        return 1;
    }
    if (model->format == QCCompositionModel::Format::Shadertoy) {
        for (const QString& channel : compositionImageInputNames(*model))
            std::printf("%s  image  file (image or movie)\n", qUtf8Printable(channel));
        if (model->soundChannel >= 0)
            std::printf("iChannel%d  sound  from the sound\n", model->soundChannel);
        return 0;
    }
    for (const QCCompositionModel::Input& input : model->inputs) {
        QString line = QCDescribeInput(input);
        if (const QString moves = movingInputAbilities(input); !moves.isEmpty())
            line += QStringLiteral("  ") + moves;
        std::printf("%s\n", qUtf8Printable(line));
    }
    if (model->inputs.empty())
        std::printf("(no inputs)\n");
    return 0;
}

// The input settings a segment's checksum covers, as text.
QStringList settingsText(const RenderJobOptions& options) {
    QStringList settings;
    for (const auto& [name, value] : options.inputs.values)
        settings.append(QStringLiteral("set %1=%2").arg(name, value));
    for (const auto& [name, file] : options.inputs.files)
        settings.append(QStringLiteral("input %1=%2").arg(name, file));
    return settings;
}

// The diagnostic log always reaches the system log; on standard error only when asked for, so
// that the progress display stays readable.
void keepLogOffTheTerminal(const RenderJobOptions& options) {
    if (options.verbose)
        return;
    const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (devNull >= 0)
        NSLogSetOutputDescriptor(devNull);
}

// SIGINT, SIGTERM and SIGHUP ask the job to stop: the first one reaches the main loop through a
// pipe (and a join through sStopSignal); a second one ends the process at once.
int sSignalPipe[2] = {-1, -1};
std::atomic<int> sSignalsReceived{0};
std::atomic<int> sStopSignal{0};

void onStopSignal(int signal) {
    if (sSignalsReceived.fetch_add(1) > 0) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    sStopSignal.store(signal);
    const auto number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(sSignalPipe[1], &number, 1);
}

bool installStopSignals() {
    if (::pipe2(sSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        if (::sigaction(signal, &action, nullptr) != 0)
            return false;
    }
    return true;
}

int joinSegments(RenderJobOptions& options) {
    keepLogOffTheTerminal(options);
    QStringList inputs;
    QStringList warnings;
    const std::optional<QString> problem = checkSoundAndFolder(options, inputs, &warnings);
    printWarnings(warnings);
    if (problem)
        return fail(*problem);
    if (!installStopSignals())
        return fail(QStringLiteral("cannot watch for interrupts: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));
    QString error;
    bool stopped = false;
    const QString movie = joinRenderSegments(
        options.segments, options.audioPath, options.format, options.outputFolder, &error,
        [] { return sStopSignal.load() != 0; }, &stopped, options.cutSound);
    if (stopped) {
        const int signal = sStopSignal.load();
        fail(QStringLiteral("stopped by %1; no movie was written")
                 .arg(QString::fromLocal8Bit(strsignal(signal))));
        return 128 + signal;
    }
    if (movie.isEmpty())
        return fail(error);
    std::printf("%s\n", qUtf8Printable(movie));
    return 0;
}

// The job's description in the recorded movie (and in a segment's final movie): an interrupted
// job's recording is the segment of the frames it holds.
QString jobComment(const RenderJobOptions& options, const RenderInputsCheck& check) {
    QFile composition(options.compositionPath);
    RenderSegmentInfo job;
    job.size = options.size.toSize();
    job.framesPerSecond = options.framesPerSecond;
    job.durationSeconds = options.durationSeconds;
    job.totalFrames = options.frameCount();
    job.first = options.isSegment() ? quint64(options.firstFrame) : 0;
    job.last = options.isSegment() ? quint64(options.lastFrame) : job.totalFrames - 1;
    job.checksum = renderJobChecksum(composition.open(QIODevice::ReadOnly) ? composition.readAll()
                                                                           : QByteArray(),
                                     settingsText(options), check.readFiles);
    // Pictures that heard the sound are of that sound only.
    if (check.hearsSound && !options.audioPath.isEmpty())
        job.soundChecksum = renderFileChecksum(options.audioPath);
    return renderSegmentComment(job);
}

// The job's first line: what renders, and on what (a CPU renderer is much slower and more
// limited than a GPU).
void printJobLine(const RenderJobOptions& options, quint64 totalFrames) {
    const QString device = QCEGLContext::processRenderingDeviceSummary();
    std::fprintf(stderr, "Rendering %s: %gx%g, %u fps, %g s%s, %llu frames%s%s%s%s\n",
                 qUtf8Printable(QFileInfo(options.compositionPath).fileName()),
                 options.size.width(), options.size.height(), options.framesPerSecond,
                 options.durationSeconds, options.durationFromSound ? " (the sound's)" : "",
                 static_cast<unsigned long long>(totalFrames), options.loop ? ", a loop" : "",
                 options.audioPath.isEmpty() ? ", no sound"
                 : options.cutSound          ? ", the sound cut at the end"
                                             : "",
                 device.isEmpty() ? "" : ", on ", qUtf8Printable(device));
}

// Runs the started job to its end, printing its progress; a stop signal cancels it. Returns
// whether the movie was written, and in `out_stopSignal` the signal that stopped it (0: none).
bool runJob(QTZMovieRenderer* renderer, quint64 totalFrames, const QString& finalMovie,
            int* out_stopSignal) {
    RenderProgressPrinter printer(stderr, isatty(STDERR_FILENO) != 0, totalFrames);
    bool framesReported = false;
    // The connections hold this frame's variables: they end with it.
    QObject scope;
    QObject::connect(renderer, &QTZMovieRenderer::progressChanged, &scope, [&](double fraction) {
        // Every written frame moves the bar; the end of the frame phase sets it to 1.
        const bool frameWritten = fraction < 1.0 || printer.framesWritten() < totalFrames;
        if (frameWritten)
            printer.frameWritten(fraction);
        if (!frameWritten && !framesReported) {
            framesReported = true;
            printer.framesDone();
        }
    });
    bool written = false;
    QObject::connect(renderer, &QTZMovieRenderer::renderJobFinished, &scope,
                     [&](bool movieWritten) {
                         if (!movieWritten)
                             printer.stopped();
                         else if (!framesReported)
                             printer.framesDone();
                         written = movieWritten && QFileInfo(finalMovie).isFile();
                         QCoreApplication::exit(written ? 0 : 1);
                     });
    QSocketNotifier stopNotifier(sSignalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &scope, [&] {
        unsigned char number = 0;
        if (::read(sSignalPipe[0], &number, 1) == 1 && *out_stopSignal == 0) {
            *out_stopSignal = number;
            renderer->cancelRendering();
        }
    });
    QCoreApplication::exec();
    return written;
}

// How a job that wrote no movie ended, as the exit status.
int reportFailedJob(const QTZMovieRenderer& renderer, int stopSignal) {
    const QString kept = renderer.lastJobRecoverableVideo();
    const QString keptWhere =
        kept.isEmpty() ? QStringLiteral("nothing was kept")
                       : QStringLiteral("the video rendered so far is in the Trash: %1").arg(kept);
    if (stopSignal != 0 && renderer.lastJobWasCancelled()) {
        fail(QStringLiteral("stopped by %1; no movie was written; %2")
                 .arg(QString::fromLocal8Bit(strsignal(stopSignal)), keptWhere));
        return 128 + stopSignal;
    }
    const QString reason = renderer.lastJobFailureReason();
    return fail(QStringLiteral("%1; %2").arg(
        reason.isEmpty() ? QStringLiteral("the movie was not written") : reason, keptWhere));
}

// Renders the composition of `options` into its movie; returns the exit status.
int renderComposition(RenderJobOptions& options) {
    // A refused job says why in one line: the checks' own log lines stay off the terminal too.
    keepLogOffTheTerminal(options);
    if (QString error; options.device >= 0 && !QCEGLContext::selectDevice(options.device, &error))
        return fail(error, 2);
    RenderInputsCheck check;
    const std::optional<QString> problem = checkInputs(options, &check);
    printWarnings(check.warnings);
    if (problem)
        return fail(*problem, check.status);
    RenderJob job = options.job();
    if (const QString invalid = job.validate(); !invalid.isEmpty())
        return fail(invalid, 2);
    if (!installStopSignals())
        return fail(QStringLiteral("cannot watch for interrupts: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));

    // No window: the recorder's alerts go to standard error.
    NSAlert::setPresenter(std::make_shared<NSAlertStandardErrorPresenter>());
    NSRef<QStillFrameMovieRecorder> recorder = NSAdopt(NSAllocInit<QStillFrameMovieRecorder>());
    NSRef<QTZMovieRenderer> renderer = NSAdopt(NSAllocInit<QTZMovieRenderer>());
    renderer->outletRecorder = recorder.get();
    const QString comment = jobComment(options, check);
    recorder->setMovieComment(comment);
    if (options.isSegment())
        job.segmentComment = comment;
    renderer->setJob(job);

    const quint64 totalFrames = options.isSegment()
                                    ? quint64(options.lastFrame - options.firstFrame + 1)
                                    : options.frameCount();
    printJobLine(options, totalFrames);
    if (!renderer->renderToMovie())
        return fail(QStringLiteral("the job could not be started"));
    int stopSignal = 0;
    const bool written = runJob(renderer.get(), totalFrames, job.finalMovieFile, &stopSignal);
    // The OpenGL renderer is freed here, on the main thread, while the display still exists.
    renderer->setRenderer(nullptr);
    if (!written)
        return reportFailedJob(*renderer, stopSignal);
    std::printf("%s\n", qUtf8Printable(job.finalMovieFile));
    return 0;
}

// The actions that render nothing: their exit status, or nothing for a render.
std::optional<int> runOtherAction(ParsedRenderCommandLine& parsed) {
    using Action = ParsedRenderCommandLine::Action;
    switch (parsed.action) {
    case Action::ShowHelp:
        std::fputs(qUtf8Printable(parsed.message), stdout);
        return 0;
    case Action::ShowVersion:
        std::printf("%s %s\n", kProgramName, LUMENREEL_VERSION);
        return 0;
    case Action::PrintFrameCount:
        std::printf("%llu\n", static_cast<unsigned long long>(parsed.options.frameCount()));
        return 0;
    case Action::Fail:
        fail(parsed.message);
        std::fprintf(stderr, "Try '%s --help' for more information.\n", kProgramName);
        return 2;
    case Action::ListDevices: {
        const QStringList devices = QCEGLContext::deviceList();
        if (devices.isEmpty())
            return fail(QStringLiteral("this system reports no EGL devices; rendering uses the "
                                       "default display"));
        for (const QString& device : devices)
            std::printf("%s\n", qUtf8Printable(device));
        return 0;
    }
    case Action::ListInputs:
        keepLogOffTheTerminal(parsed.options);
        return listInputs(parsed.options.compositionPath);
    case Action::Join:
        return joinSegments(parsed.options);
    case Action::Render:
        break;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    qtkit::keepFreedMemoryForReuse();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(kProgramName));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMENREEL_VERSION));
    NSAutoreleasePool mainPool;

    ParsedRenderCommandLine parsed =
        parseRenderCommandLine(QCoreApplication::arguments(), defaultOutputFolder());
    if (const std::optional<int> status = runOtherAction(parsed))
        return *status;
    return renderComposition(parsed.options);
}
