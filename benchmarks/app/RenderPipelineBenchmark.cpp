// Times whole render jobs of lumenreel-render against the peer pipeline that does the same job
// with the plainest tools: a minimal EGL program drawing the composition's shaders and writing
// the raw frames into `ffmpeg -c:v qtrle`, then `ffmpeg -c copy` joining that video with the
// sound (and once more with `sync FILE` after it, which our job also does). The two alternate,
// each the median of the runs. Also prints the peak memory of a job of 999 frames and of one of
// 9990.
//
//   render_pipeline_benchmark [--job default|hd] [--runs N] [--no-memory] [COMPOSITION [SOUND]]
//   render_pipeline_benchmark --peer-frames WxH FPS SECONDS COMPOSITION   (the peer's renderer:
//                                                    raw RGBA frames on standard output)

#include "BenchmarkMedian.h"
#include "BenchmarkProcess.h"
#include "MinimalEGLRenderer.h"
#include "app/cli/RenderCommandLine.h"
#include "app/job/RenderPresets.h"
#include "platform/coregraphics/CGColorSpace.h"
#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCRenderer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// The peer's renderer: every frame of the job drawn by the minimal EGL program, its pixels
// written to standard output as they are read back.
int writePeerFrames(const QString& size, unsigned fps, double duration, const QString& path) {
    NSAutoreleasePool pool;
    const QStringList sides = size.split(QLatin1Char('x'));
    QFile source(path);
    if (sides.size() != 2 || !source.open(QIODevice::ReadOnly))
        return 2;
    QCComposition* composition = QCComposition::compositionWithData(source.readAll(), path);
    CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
    // Only for its compiled shaders: the minimal program draws them itself.
    NSRef<QCRenderer> reference = NSAdopt(QCRenderer::initOffScreenWithSize(
        QSizeF(sides[0].toInt(), sides[1].toInt()), space, composition));
    CGColorSpaceRelease(space);
    if (!reference)
        return 1;
    std::unique_ptr<MinimalEGLRenderer> renderer = MinimalEGLRenderer::create(*reference);
    if (!renderer)
        return 1;
    const std::size_t bytes = std::size_t(renderer->size().width()) * renderer->size().height() * 4;
    // The frames the tool renders: frame k at time k/fps.
    const quint64 frames = renderFrameCount(duration, fps);
    for (quint64 frame = 0; frame < frames; ++frame) {
        if (!renderer->renderAndRead(double(frame) / fps) ||
            std::fwrite(renderer->pixels(), 1, bytes, stdout) != bytes)
            return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

struct Job {
    const char* name;
    const char* size;
    double duration;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() == 5 && arguments[0] == QLatin1String("--peer-frames"))
        return writePeerFrames(arguments[1], arguments[2].toUInt(), arguments[3].toDouble(),
                               arguments[4]);
    const bool measureMemory = !arguments.removeAll(QStringLiteral("--no-memory"));
    auto takeOption = [&](const char* name) {
        const qsizetype at = arguments.indexOf(QLatin1String(name));
        if (at < 0)
            return QString();
        const QString value = arguments.value(at + 1);
        arguments.remove(at, std::min<qsizetype>(2, arguments.size() - at));
        return value;
    };
    const QString onlyJob = takeOption("--job");
    const int runs = std::max(3, takeOption("--runs").toInt());
    const QString composition =
        arguments.size() > 0 ? arguments[0]
                             : QStringLiteral(LUMENREEL_SOURCE_DIR "/benchmarks/app/Plasma.fs");
    const QString sound =
        arguments.size() > 1
            ? arguments[1]
            : QStringLiteral(LUMENREEL_SOURCE_DIR "/resources/sounds/demo-arpeggio.m4a");
    QTemporaryDir folder;
    const std::string out = folder.path().toStdString();
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const unsigned fps = 30;
    const std::string tool = LUMENREEL_RENDER_TOOL;

    std::printf("composition %s, sound %s, %u fps, %d cores, median of %d alternated runs\n",
                qUtf8Printable(QFileInfo(composition).fileName()),
                qUtf8Printable(QFileInfo(sound).fileName()), fps,
                int(sysconf(_SC_NPROCESSORS_ONLN)), runs);
    const Job jobs[] = {{"default", "640x480", kDefaultMovieDurationSeconds},
                        {"hd", "1920x1080", 5.0}};
    for (const Job& job : jobs) {
        if (!onlyJob.isEmpty() && onlyJob != QLatin1String(job.name))
            continue;
        const std::string seconds = std::to_string(job.duration);
        const std::string peerVideo = out + "/peer-video.mov";
        const std::string peerRender =
            "'" + self + "' --peer-frames " + job.size + " " + std::to_string(fps) + " " + seconds +
            " '" + composition.toStdString() + "' | ffmpeg -hide_banner -y -f rawvideo " +
            "-pix_fmt rgba -s " + job.size + " -framerate " + std::to_string(fps) +
            " -i - -c:v qtrle -pix_fmt argb '" + peerVideo + "'";
        std::vector<double> ours, peers, durablePeers;
        for (int run = 0; run < runs; ++run) {
            // Each side starts with the other's files on disk, so that neither waits for the
            // other's data to reach the disk (ours flushes its movie; the peer never does).
            ::sync();
            const ProcessResult whole =
                runProcess({tool, "--audio", sound.toStdString(), "--size", job.size, "--fps",
                            std::to_string(fps), "--duration", seconds, "--output", out,
                            composition.toStdString()});
            ::sync();
            const ProcessResult render = runProcess({"bash", "-o", "pipefail", "-c", peerRender});
            const ProcessResult join = runProcess(
                {"ffmpeg", "-hide_banner", "-y", "-i", sound.toStdString(), "-i", peerVideo, "-map",
                 "0:a:0", "-map", "1:v:0", "-c", "copy", out + "/peer.mov"});
            // What our job also does: the finished movie is on disk when it ends.
            const ProcessResult flush = runProcess({"sync", out + "/peer.mov"});
            if (!whole.ok || !render.ok || !join.ok || !flush.ok) {
                std::printf("%s: a job failed (ours %d, peer render %d, peer join %d)\n", job.name,
                            whole.ok, render.ok, join.ok);
                return 1;
            }
            ours.push_back(whole.seconds);
            peers.push_back(render.seconds + join.seconds);
            durablePeers.push_back(render.seconds + join.seconds + flush.seconds);
        }
        const quint64 frames = renderFrameCount(job.duration, fps);
        std::printf("%s job %s, %g s, %llu frames:\n", job.name, job.size, job.duration,
                    static_cast<unsigned long long>(frames));
        std::printf("  lumenreel-render  %7.2f s  %6.1f fps\n", median(ours),
                    frames / median(ours));
        std::printf("  peer pipeline     %7.2f s  %6.1f fps\n", median(peers),
                    frames / median(peers));
        std::printf("  ratio ours/peer %.3f (target at most 0.8)\n", median(ours) / median(peers));
        std::printf("  peer + sync FILE  %7.2f s  (the movie on disk at the end, as ours)\n",
                    median(durablePeers));
        std::printf("  ratio ours/(peer + sync FILE) %.3f\n", median(ours) / median(durablePeers));
        std::fflush(stdout);
    }

    if (!measureMemory)
        return 0;
    // 320x240 keeps the long job's files small; the frames in flight do not depend on the length.
    // A peak differs from one run to the next with the timing of the threads: medians again.
    std::vector<double> shortPeaks, longPeaks;
    for (int run = 0; run < runs; ++run) {
        const ProcessResult shortJob =
            runProcess({tool, "--size", "320x240", "--fps", "30", "--duration", "33.3", "--output",
                        out, composition.toStdString()});
        const ProcessResult longJob =
            runProcess({tool, "--size", "320x240", "--fps", "30", "--duration", "333", "--output",
                        out, composition.toStdString()});
        if (!shortJob.ok || !longJob.ok) {
            std::printf("peak memory: a job failed\n");
            return 1;
        }
        shortPeaks.push_back(double(shortJob.peakKiB));
        longPeaks.push_back(double(longJob.peakKiB));
    }
    std::printf("peak memory 320x240: 999 frames %.0f KiB, 9990 frames %.0f KiB, ratio %.3f "
                "(target within 10%%)\n",
                median(shortPeaks), median(longPeaks), median(longPeaks) / median(shortPeaks));
    return 0;
}
