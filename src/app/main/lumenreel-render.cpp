// lumenreel-render: renders one composition into a movie without a window, through the same
// render driver, recorder and flattener as the application.

#include "app/QTZMovieRenderer.h"
#include "app/RenderCommandLine.h"
#include "app/RenderJobChecks.h"
#include "app/RenderJoin.h"
#include "app/RenderProgressPrinter.h"
#include "app/RenderSegments.h"
#include "movie/QTKitMovieRecorder/QStillFrameMovieRecorder.h"
#include "movie/QTKitMovieRecorder/QStillFrameRecorderConfig.h"
#include "platform/appkit/NSProgressIndicator.h"
#include "platform/appkitcore/NSAlert.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSURL.h"
#include "platform/qtkit/ProcessMemory.h"
#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCCompositionModel.h"
#include "platform/quartzcomposer/QCEGLContext.h"
#include "platform/quartzcomposer/QCInputValues.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryFile>

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

std::optional<QString> checkSoundAndFolder(RenderJobOptions& options, QStringList& inputs);

// The composition file's description, or nothing with the reason in `out_error`.
std::optional<QCCompositionModel> readComposition(const QString& path, QString* out_error) {
    // Only a regular file is read: a FIFO would never end.
    const std::optional<QByteArray> data = QCReadCompositionFile(path, out_error);
    if (!data)
        return std::nullopt;
    NSAutoreleasePool pool;
    QString why;
    const QCComposition* parsed =
        QCComposition::compositionWithData(*data, QFileInfo(path).absoluteFilePath(), &why);
    if (!parsed) {
        *out_error = QStringLiteral("%1: %2").arg(path, why);
        return std::nullopt;
    }
    return parsed->model();
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
    for (const QCCompositionModel::Input& input : model->inputs)
        std::printf("%s\n", qUtf8Printable(QCDescribeInput(input)));
    if (model->inputs.empty())
        std::printf("(no inputs)\n");
    return 0;
}

// Checks everything that can be checked before a job starts, so that a bad input writes nothing.
// Returns the one-line reason of the first problem, or nothing; warnings go to standard error.
// `out_status` receives the exit status for the problem: 2 for a setting that does not fit the
// composition, 1 otherwise. `out_read` receives the files the pictures read besides the
// composition, `out_hearsSound` whether the composition listens to the sound.
std::optional<QString> checkInputs(RenderJobOptions& options, int* out_status,
                                   QStringList* out_read, bool* out_hearsSound) {
    *out_status = 1;
    QString error;
    const std::optional<QCCompositionModel> model =
        readComposition(options.compositionPath, &error);
    if (!model)
        return error;
    const QFileInfo composition(options.compositionPath);
    QStringList inputs{composition.absoluteFilePath()};
    for (const QString& loaded : model->loadedFiles)
        inputs.append(loaded);
    *out_hearsSound = compositionHearsSound(*model);
    if (const QString problem = compositionInputsProblem(*model, options.inputs);
        !problem.isEmpty()) {
        *out_status = 2;
        return problem;
    }
    if (const QString problem = compositionStillImagesProblem(options.inputs); !problem.isEmpty()) {
        *out_status = 2;
        return problem;
    }
    if (const QString problem = compositionFootageProblem(options.inputs); !problem.isEmpty()) {
        *out_status = 2;
        return problem;
    }
    for (auto& [name, file] : options.inputs.files) {
        file = QFileInfo(file).absoluteFilePath();
        inputs.append(file);
    }
    options.compositionPath = composition.absoluteFilePath();
    *out_read = inputs.mid(1);

    if (const std::optional<QString> problem = checkSoundAndFolder(options, inputs))
        return problem;
    // The job runs, but a filter without its picture renders transparent frames.
    if (const QStringList unbound = compositionUnboundImageInputs(*model, options.inputs);
        !unbound.isEmpty())
        std::fprintf(stderr,
                     "%s: warning: no picture is bound to %s (give one with --input "
                     "NAME=FILE); it shows as transparent\n",
                     kProgramName, qUtf8Printable(unbound.join(QStringLiteral(", "))));
    return std::nullopt;
}

// Checks the sound movie (adding it to `inputs`) and the output folder (made when it is the
// default one), and that the movie replaces none of `inputs`.
std::optional<QString> checkSoundAndFolder(RenderJobOptions& options, QStringList& inputs) {
    if (!options.audioPath.isEmpty()) {
        const QFileInfo audio(options.audioPath);
        if (!audio.isFile())
            return QStringLiteral("%1: no such sound movie").arg(options.audioPath);
        QString warning;
        const QString problem = soundMovieProblem(audio.absoluteFilePath(), &warning);
        if (!problem.isEmpty())
            return problem;
        if (!warning.isEmpty())
            std::fprintf(stderr, "%s: warning: %s\n", kProgramName, qUtf8Printable(warning));
        options.audioPath = audio.absoluteFilePath();
        inputs.append(options.audioPath);
    }

    const QFileInfo folder(options.outputFolder);
    if (!options.outputFolderGiven && !folder.exists())
        QDir().mkpath(options.outputFolder);
    if (!folder.exists())
        return QStringLiteral("%1: no such output folder").arg(options.outputFolder);
    if (!QFileInfo(options.outputFolder).isDir())
        return QStringLiteral("%1: not a folder").arg(options.outputFolder);
    QTemporaryFile probe(QDir(options.outputFolder).filePath(QStringLiteral(".lumenreel-XXXXXX")));
    if (!probe.open())
        return QStringLiteral("%1: cannot write into the output folder (%2)")
            .arg(options.outputFolder, probe.errorString());
    options.outputFolder = QFileInfo(options.outputFolder).absoluteFilePath();
    if (options.compositionPath.isEmpty())
        return std::nullopt; // a join: its movie's name comes from the segments
    const QString conflict = finalMovieConflict(options.finalMoviePath(), inputs);
    if (!conflict.isEmpty())
        return conflict;
    return std::nullopt;
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
    if (const std::optional<QString> problem = checkSoundAndFolder(options, inputs))
        return fail(*problem);
    if (!installStopSignals())
        return fail(QStringLiteral("cannot watch for interrupts: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));
    QString error;
    bool stopped = false;
    const QString movie = joinRenderSegments(
        options.segments, options.audioPath, options.format, options.outputFolder, &error,
        [] { return sStopSignal.load() != 0; }, &stopped);
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

} // namespace

int main(int argc, char** argv) {
    qtkit::keepFreedMemoryForReuse();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(kProgramName));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMENREEL_VERSION));
    NSAutoreleasePool mainPool;

    ParsedRenderCommandLine parsed =
        parseRenderCommandLine(QCoreApplication::arguments(), defaultOutputFolder());
    switch (parsed.action) {
    case ParsedRenderCommandLine::Action::ShowHelp:
        std::fputs(qUtf8Printable(parsed.message), stdout);
        return 0;
    case ParsedRenderCommandLine::Action::ShowVersion:
        std::printf("%s %s\n", kProgramName, LUMENREEL_VERSION);
        return 0;
    case ParsedRenderCommandLine::Action::PrintFrameCount:
        std::printf("%llu\n", static_cast<unsigned long long>(renderFrameCount(
                                  parsed.options.durationSeconds, parsed.options.framesPerSecond)));
        return 0;
    case ParsedRenderCommandLine::Action::Fail:
        fail(parsed.message);
        std::fprintf(stderr, "Try '%s --help' for more information.\n", kProgramName);
        return 2;
    case ParsedRenderCommandLine::Action::ListDevices: {
        const QStringList devices = QCEGLContext::deviceList();
        if (devices.isEmpty())
            return fail(QStringLiteral("this system reports no EGL devices; rendering uses the "
                                       "default display"));
        for (const QString& device : devices)
            std::printf("%s\n", qUtf8Printable(device));
        return 0;
    }
    case ParsedRenderCommandLine::Action::Render:
        break;

    case ParsedRenderCommandLine::Action::ListInputs:
        keepLogOffTheTerminal(parsed.options);
        return listInputs(parsed.options.compositionPath);
    case ParsedRenderCommandLine::Action::Join:
        return joinSegments(parsed.options);
    }

    RenderJobOptions& options = parsed.options;
    // A refused job says why in one line: the checks' own log lines stay off the terminal too.
    keepLogOffTheTerminal(options);
    if (QString error; options.device >= 0 && !QCEGLContext::selectDevice(options.device, &error))
        return fail(error, 2);
    int problemStatus = 1;
    QStringList readFiles;
    bool hearsSound = false;
    if (const std::optional<QString> problem =
            checkInputs(options, &problemStatus, &readFiles, &hearsSound))
        return fail(*problem, problemStatus);
    if (!installStopSignals())
        return fail(QStringLiteral("cannot watch for interrupts: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));

    // No window: the recorder's alerts go to standard error.
    NSAlert::setPresenter(std::make_shared<NSAlertStandardErrorPresenter>());

    NSRef<QStillFrameMovieRecorder> recorder = NSAdopt(NSAllocInit<QStillFrameMovieRecorder>());
    NSRef<QTZMovieRenderer> renderer = NSAdopt(NSAllocInit<QTZMovieRenderer>());
    NSRef<NSProgressIndicator> progress = NSAdopt(new NSProgressIndicator());
    renderer->outletRecorder = recorder.get();
    renderer->outletProgress = progress.get();

    QStillFrameRecorder_Config_RenderFPS = options.framesPerSecond;
    QStillFrameRecorder_Config_EncoderThreads = options.encoderThreads;
    renderer->setRendererSurfaceSizePixels(options.size);
    renderer->setOutputMovieDuration(options.durationSeconds);
    renderer->setInputCompositionURL(NSURL::fileURLWithPath(options.compositionPath, false));
    renderer->setInputAudioMovieURL(
        options.audioPath.isEmpty() ? nullptr : NSURL::fileURLWithPath(options.audioPath, false));
    const QString finalMovie = options.finalMoviePath();
    renderer->setOutputFinalMovieFile(finalMovie);
    renderer->setCompositionInputs(options.inputs);
    renderer->setDeliveryFormat(options.format);
    // The job's description in the recorded movie (and in a segment's final movie): an
    // interrupted job's recording is the segment of the frames it holds.
    {
        QFile composition(options.compositionPath);
        RenderSegmentInfo job;
        job.size = options.size.toSize();
        job.framesPerSecond = options.framesPerSecond;
        job.durationSeconds = options.durationSeconds;
        job.totalFrames = renderFrameCount(options.durationSeconds, options.framesPerSecond);
        job.first = options.isSegment() ? quint64(options.firstFrame) : 0;
        job.last = options.isSegment() ? quint64(options.lastFrame) : job.totalFrames - 1;
        job.checksum = renderJobChecksum(
            composition.open(QIODevice::ReadOnly) ? composition.readAll() : QByteArray(),
            settingsText(options), readFiles);
        // Pictures that heard the sound are of that sound only.
        if (hearsSound && !options.audioPath.isEmpty())
            job.soundChecksum = renderFileChecksum(options.audioPath);
        recorder->setMovieComment(renderSegmentComment(job));
        if (options.isSegment()) {
            renderer->setFrameRange(options.firstFrame, options.lastFrame);
            renderer->setSegmentComment(renderSegmentComment(job));
            // A segment is video only: the join adds the sound.
            renderer->setSoundInMovie(false);
        }
    }

    const quint64 totalFrames =
        options.isSegment() ? quint64(options.lastFrame - options.firstFrame + 1)
                            : renderFrameCount(options.durationSeconds, options.framesPerSecond);
    // What renders: a CPU renderer is much slower and more limited than a GPU.
    const QString device = QCEGLContext::processRenderingDeviceSummary();
    std::fprintf(stderr, "Rendering %s: %gx%g, %u fps, %g s, %llu frames%s%s%s\n",
                 qUtf8Printable(QFileInfo(options.compositionPath).fileName()),
                 options.size.width(), options.size.height(), options.framesPerSecond,
                 options.durationSeconds, static_cast<unsigned long long>(totalFrames),
                 options.audioPath.isEmpty() ? ", no sound" : "", device.isEmpty() ? "" : ", on ",
                 qUtf8Printable(device));
    RenderProgressPrinter printer(stderr, isatty(STDERR_FILENO) != 0, totalFrames);
    bool framesReported = false;
    QObject::connect(
        progress.get(), &NSProgressIndicator::doubleValueChanged, &app, [&](double fraction) {
            // Every written frame moves the bar; the end of the frame phase sets it
            // to 1.
            const bool frameWritten = fraction < 1.0 || printer.framesWritten() < totalFrames;
            if (frameWritten)
                printer.frameWritten(fraction);
            if (!frameWritten && !framesReported) {
                framesReported = true;
                printer.framesDone();
            }
        });
    int status = 1;
    QObject::connect(renderer.get(), &QTZMovieRenderer::renderJobFinished, &app,
                     [&](bool movieWritten) {
                         if (!movieWritten)
                             printer.stopped();
                         else if (!framesReported)
                             printer.framesDone();
                         status = movieWritten && QFileInfo(finalMovie).isFile() ? 0 : 1;
                         QCoreApplication::exit(status);
                     });

    int stopSignal = 0;
    QSocketNotifier stopNotifier(sSignalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &app, [&] {
        unsigned char number = 0;
        if (::read(sSignalPipe[0], &number, 1) == 1 && stopSignal == 0) {
            stopSignal = number;
            renderer->cancelRendering();
        }
    });

    if (!renderer->renderToMovie())
        return fail(QStringLiteral("the job could not be started"));
    QCoreApplication::exec();
    // The OpenGL renderer is freed here, on the main thread, while the display still exists.
    renderer->setRenderer(nullptr);

    if (status == 0) {
        std::printf("%s\n", qUtf8Printable(finalMovie));
        return 0;
    }
    const QString kept = renderer->lastJobRecoverableVideo();
    const QString keptWhere =
        kept.isEmpty() ? QStringLiteral("nothing was kept")
                       : QStringLiteral("the video rendered so far is in the Trash: %1").arg(kept);
    if (stopSignal != 0 && renderer->lastJobWasCancelled()) {
        fail(QStringLiteral("stopped by %1; no movie was written; %2")
                 .arg(QString::fromLocal8Bit(strsignal(stopSignal)), keptWhere));
        return 128 + stopSignal;
    }
    const QString reason = renderer->lastJobFailureReason();
    return fail(QStringLiteral("%1; %2").arg(
        reason.isEmpty() ? QStringLiteral("the movie was not written") : reason, keptWhere));
}
