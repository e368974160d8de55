// Times whole render jobs of lumenreel-render against the sum of their stages run alone on the
// same frames: the composition rendered and read back, `ffmpeg` encoding those frames to the
// Animation codec, and `ffmpeg` joining that video with the sound. Also prints the peak memory of
// a short and a ten times longer job.
//
//   render_pipeline_benchmark [--job default|hd] [--no-memory] [COMPOSITION [SOUND]]

#include "app/RenderCommandLine.h"
#include "app/RenderPresets.h"
#include "platform/appkit/NSBitmapImageRep.h"
#include "platform/coregraphics/CGColorSpace.h"
#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCRenderer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct ProcessResult {
    bool ok = false;
    double seconds = 0;
    long peakKiB = 0;
};

// Runs a program to its end; wall time and the child's own peak resident size.
ProcessResult runProcess(const std::vector<std::string>& arguments,
                         const char* stdinPath = nullptr) {
    QElapsedTimer timer;
    timer.start();
    std::fflush(stdout); // the child must not write this process's pending output again
    const pid_t pid = fork();
    if (pid == 0) {
        if (stdinPath) {
            if (!std::freopen(stdinPath, "rb", stdin))
                _exit(127);
        }
        if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr))
            _exit(127);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    ProcessResult result;
    int status = 0;
    rusage usage{};
    if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
        result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        result.peakKiB = usage.ru_maxrss;
    }
    result.seconds = timer.nsecsElapsed() / 1e9;
    return result;
}

struct Job {
    const char* name;
    QSizeF size;
    double duration;
};

// Renders every frame of the job and keeps the raw RGBA pixels in `rawPath`. Returns the seconds
// spent rendering and reading back, without the file writing.
double renderFramesAlone(const QString& compositionPath, const Job& job, unsigned fps,
                         const QString& rawPath, quint64* frames) {
    NSAutoreleasePool pool;
    QFile source(compositionPath);
    if (!source.open(QIODevice::ReadOnly))
        return -1;
    QCComposition* composition =
        QCComposition::compositionWithData(source.readAll(), compositionPath);
    CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
    NSRef<QCRenderer> renderer =
        NSAdopt(QCRenderer::initOffScreenWithSize(job.size, space, composition));
    CGColorSpaceRelease(space);
    if (!renderer)
        return -1;
    QFile raw(rawPath);
    if (!raw.open(QIODevice::WriteOnly))
        return -1;
    const double step = 1.0 / fps;
    double time = 0;
    double seconds = 0;
    *frames = 0;
    QElapsedTimer timer;
    do {
        NSAutoreleasePool framePool;
        timer.start();
        NSBitmapImageRep* bitmap = nullptr;
        if (renderer->renderAtTime(time))
            bitmap = renderer->createSnapshotImageOfType(QStringLiteral("NSBitmapImageRep"));
        seconds += timer.nsecsElapsed() / 1e9;
        if (bitmap) {
            const QImage& image = bitmap->qImage();
            for (int row = 0; row < image.height(); ++row)
                raw.write(reinterpret_cast<const char*>(image.constScanLine(row)),
                          image.width() * 4);
            bitmap->release();
            ++*frames;
        }
        time += step;
    } while (job.duration >= time);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool measureMemory = !arguments.removeAll(QStringLiteral("--no-memory"));
    QString onlyJob;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--job")); at >= 0) {
        onlyJob = arguments.value(at + 1);
        arguments.remove(at, std::min<qsizetype>(2, arguments.size() - at));
    }
    const QString composition =
        arguments.size() > 0
            ? arguments[0]
            : QStringLiteral(LUMENREEL_SOURCE_DIR "/resources/compositions/Aurora.fs");
    const QString sound =
        arguments.size() > 1
            ? arguments[1]
            : QStringLiteral(LUMENREEL_SOURCE_DIR "/resources/sounds/demo-arpeggio.m4a");
    QTemporaryDir folder;
    const std::string out = folder.path().toStdString();
    const unsigned fps = 30;
    const std::string tool = LUMENREEL_RENDER_TOOL;

    std::printf("composition %s, sound %s, %u fps\n",
                qUtf8Printable(QFileInfo(composition).fileName()),
                qUtf8Printable(QFileInfo(sound).fileName()), fps);
    const Job jobs[] = {{"default", QSizeF(640, 480), kDefaultMovieDurationSeconds},
                        {"hd", QSizeF(1920, 1080), 10.0}};
    for (const Job& job : jobs) {
        if (!onlyJob.isEmpty() && onlyJob != QLatin1String(job.name))
            continue;
        const std::string size =
            std::to_string(int(job.size.width())) + "x" + std::to_string(int(job.size.height()));
        const ProcessResult whole =
            runProcess({tool, "--audio", sound.toStdString(), "--size", size, "--fps",
                        std::to_string(fps), "--duration", std::to_string(job.duration), "--output",
                        out, composition.toStdString()});
        const quint64 expectedFrames = renderFrameCount(job.duration, fps);

        const QString raw = folder.filePath(QStringLiteral("frames.rgba"));
        quint64 frames = 0;
        const double renderSeconds = renderFramesAlone(composition, job, fps, raw, &frames);
        const std::string video = out + "/alone.mov";
        const ProcessResult encode =
            runProcess({"ffmpeg", "-hide_banner", "-y", "-f", "rawvideo", "-pix_fmt", "rgba", "-s",
                        size, "-framerate", std::to_string(fps), "-i", "-", "-c:v", "qtrle",
                        "-pix_fmt", "argb", video},
                       raw.toLocal8Bit().constData());
        QFile::remove(raw);
        const ProcessResult remux =
            runProcess({"ffmpeg", "-hide_banner", "-y", "-i", sound.toStdString(), "-i", video,
                        "-map", "0:a:0", "-map", "1:v:0", "-c", "copy", out + "/joined.mov"});
        if (!whole.ok || renderSeconds < 0 || !encode.ok || !remux.ok) {
            std::printf("%s: a stage failed (job %d, render %d, encode %d, remux %d)\n", job.name,
                        whole.ok, renderSeconds >= 0, encode.ok, remux.ok);
            return 1;
        }
        const double stages = renderSeconds + encode.seconds + remux.seconds;
        std::printf("%s job %dx%d, %g s: %llu frames\n", job.name, int(job.size.width()),
                    int(job.size.height()), job.duration, static_cast<unsigned long long>(frames));
        std::printf("  whole job        %7.2f s  %6.1f fps\n", whole.seconds,
                    expectedFrames / whole.seconds);
        std::printf("  stages alone     %7.2f s  (render %.2f + encode %.2f + remux %.2f)\n",
                    stages, renderSeconds, encode.seconds, remux.seconds);
        std::printf("  ratio whole/stages %.3f (target at most 1.15)\n", whole.seconds / stages);
    }

    if (!measureMemory)
        return 0;
    const ProcessResult shortJob = runProcess(
        {tool, "--fps", "30", "--duration", "33.3", "--output", out, composition.toStdString()});
    const ProcessResult longJob = runProcess(
        {tool, "--fps", "30", "--duration", "333", "--output", out, composition.toStdString()});
    if (!shortJob.ok || !longJob.ok) {
        std::printf("peak memory: a job failed\n");
        return 1;
    }
    std::printf("peak memory 640x480: 33.3 s job %ld KiB, 333 s job %ld KiB, ratio %.3f "
                "(target within 10%%)\n",
                shortJob.peakKiB, longJob.peakKiB,
                static_cast<double>(longJob.peakKiB) / static_cast<double>(shortJob.peakKiB));
    return 0;
}
