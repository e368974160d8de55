// Frames per second of the still-frame recorder (append + file update per frame) against the
// ffmpeg program encoding the same raw frames with the same codec; the recorder's frames per
// second on a pool of 2 and of all encoder threads against one thread; and peak memory of a
// recording of 300 frames against one of 3000.
//
//   movie_recorder_benchmark            all measurements
//   movie_recorder_benchmark --scaling  only the encoder threads
//   movie_recorder_benchmark --memory N record N frames of 640x480 and print the peak memory

#include "BenchmarkMedian.h"
#include "movie/QTKitMovieRecorder/QStillFrameMovieRecorder.h"
#include "movie/QTKitMovieRecorder/QStillFrameRecorderConfig.h"
#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/appkitcore/NSImage.h"
#include "platform/qtkit/ProcessMemory.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

namespace {

// Frames like a rendered composition's: gradients, moving shapes, some translucency.
std::vector<QImage> makeFrames(int width, int height, int count) {
    std::vector<QImage> frames;
    for (int index = 0; index < count; ++index) {
        QImage image(width, height, QImage::Format_RGBA8888);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        QLinearGradient sky(0, 0, 0, height);
        sky.setColorAt(0, QColor(20, 40, 90 + index % 60));
        sky.setColorAt(1, QColor(200, 120, 60));
        painter.fillRect(QRect(0, 0, width, height * 3 / 4), sky);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int shape = 0; shape < 12; ++shape) {
            const double phase = index * 0.05 + shape;
            painter.setBrush(QColor::fromHsv((shape * 30 + index) % 360, 200, 230, 160));
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(QPointF(width * (0.5 + 0.4 * std::sin(phase)),
                                        height * (0.5 + 0.4 * std::cos(phase * 1.3))),
                                width / 12.0, height / 10.0);
        }
        painter.end();
        frames.push_back(image);
    }
    return frames;
}

// Frames like a plasma's: every pixel changes from one frame to the next, so the encoder codes
// nearly all of each (the render job's default case).
std::vector<QImage> makePlasmaFrames(int width, int height, int count) {
    std::vector<QImage> frames;
    for (int index = 0; index < count; ++index) {
        QImage image(width, height, QImage::Format_RGBA8888);
        std::vector<double> columns(std::size_t(width), 0.0);
        for (int x = 0; x < width; ++x)
            columns[std::size_t(x)] = std::sin(x * 0.013 + index * 0.21);
        for (int y = 0; y < height; ++y) {
            const double row = std::sin(y * 0.017 - index * 0.13);
            uchar* pixel = image.scanLine(y);
            for (int x = 0; x < width; ++x, pixel += 4) {
                const double v = columns[std::size_t(x)] + row + 2.0;
                pixel[0] = uchar(v * 63.0);
                pixel[1] = uchar(255.0 - v * 50.0);
                pixel[2] = uchar(int(v * 97.0 + x) & 0xff);
                pixel[3] = 255;
            }
        }
        frames.push_back(image);
    }
    return frames;
}

// Wall-clock and processor seconds of one measurement.
struct Timing {
    double wall = -1;
    double cpu = -1;
};

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double childrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Seconds the recorder takes for `frames`, encoding on `threads` threads (1: the calling one).
Timing recordFrames(const QString& path, const std::vector<QImage>& frames, int count,
                    int threads = 1) {
    NSAutoreleasePool pool;
    QStillFrameRecorder_Config_EncoderThreads = threads;
    NSRef<QStillFrameMovieRecorder> recorder = NSAdopt(new QStillFrameMovieRecorder);
    QElapsedTimer timer;
    const double cpuStart = processCpuSeconds();
    timer.start();
    if (!recorder->beginRecordingMovieFile(path))
        return {};
    const long units = recorder->calculateElapsedFramesWithFrameDurationSeconds(1.0 / 30);
    for (int index = 0; index < count; ++index) {
        NSAutoreleasePool framePool;
        const QImage& picture = frames[std::size_t(index) % frames.size()];
        NSRef<NSBitmapImageRep> bitmap = NSAdopt(new NSBitmapImageRep(picture));
        NSRef<NSImage> image = NSAdopt(new NSImage(QSizeF(picture.size())));
        image->addRepresentation(bitmap.get());
        if (!recorder->addFrameBitmapImage(image.get(), std::int32_t(units)))
            return {};
    }
    recorder->endRecordingMovie();
    if (!recorder->lastErrorDescription().isEmpty())
        return {};
    return {double(timer.nsecsElapsed()) / 1e9, processCpuSeconds() - cpuStart};
}

// Writes the frames as raw ARGB for the ffmpeg program.
bool writeRawFrames(const QString& raw, const std::vector<QImage>& frames) {
    QFile file(raw);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QImage& picture : frames) {
        QByteArray bytes(picture.width() * picture.height() * 4, Qt::Uninitialized);
        for (int y = 0; y < picture.height(); ++y) {
            const uchar* source = picture.constScanLine(y);
            char* target = bytes.data() + y * picture.width() * 4;
            for (int x = 0; x < picture.width(); ++x) {
                target[x * 4 + 0] = char(source[x * 4 + 3]);
                target[x * 4 + 1] = char(source[x * 4 + 0]);
                target[x * 4 + 2] = char(source[x * 4 + 1]);
                target[x * 4 + 3] = char(source[x * 4 + 2]);
            }
        }
        file.write(bytes);
    }
    return true;
}

// Seconds the ffmpeg program takes to encode the raw frames.
Timing ffmpegFrames(const QString& folder, const QString& raw, const QImage& first) {
    const QImage& frame0 = first;
    const QString size = QStringLiteral("%1x%2").arg(frame0.width()).arg(frame0.height());
    QProcess process;
    QElapsedTimer timer;
    const double cpuStart = childrenCpuSeconds();
    timer.start();
    process.start("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-f", "rawvideo",
                             "-pix_fmt", "argb", "-s", size, "-r", "30", "-i", raw, "-c:v", "qtrle",
                             "-pix_fmt", "argb", folder + "/ffmpeg.mov"});
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        return {};
    return {double(timer.nsecsElapsed()) / 1e9, childrenCpuSeconds() - cpuStart};
}

// The process's peak resident memory (VmHWM: unlike getrusage's maximum, it starts afresh at
// exec, so a child does not inherit its parent's peak).
long peakKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

int measureMemory(int count) {
    QTemporaryDir folder;
    const std::vector<QImage> frames = makeFrames(640, 480, 30);
    if (recordFrames(folder.filePath("memory.mov"), frames, count).wall < 0)
        return 1;
    std::printf("%ld\n", peakKilobytes());
    return 0;
}

// Frames per second of the recorder on 1, 2 and all cores' encoder threads for plasma frames,
// alternated, the median of three runs each, against one thread.
int measureScaling() {
    QTemporaryDir folder;
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    struct Case {
        int width, height, frames;
    };
    for (const Case& size : {Case{640, 480, 240}, Case{1920, 1080, 72}}) {
        const std::vector<QImage> frames = makePlasmaFrames(size.width, size.height, 48);
        std::vector<int> pools{1, 2};
        if (cores > 2)
            pools.push_back(cores);
        std::vector<std::vector<double>> rates(pools.size());
        for (int run = 0; run < 3; ++run)
            for (std::size_t index = 0; index < pools.size(); ++index) {
                const Timing timing =
                    recordFrames(folder.filePath("scaling.mov"), frames, size.frames, pools[index]);
                if (timing.wall < 0) {
                    std::fprintf(stderr, "recording failed\n");
                    return 1;
                }
                rates[index].push_back(size.frames / timing.wall);
            }
        std::printf("encoder threads, %dx%d, %d frames (%d cores), median of 3 alternated runs:\n",
                    size.width, size.height, size.frames, cores);
        const double one = median(rates[0]);
        for (std::size_t index = 0; index < pools.size(); ++index)
            std::printf("  %2d thread%s %7.1f fps  ratio %.2f against one thread\n", pools[index],
                        pools[index] == 1 ? " " : "s", median(rates[index]),
                        median(rates[index]) / one);
        std::fflush(stdout);
    }
    return 0;
}

long childPeak(const QString& program, int count) {
    QProcess process;
    process.start(program, {"--memory", QString::number(count)});
    process.waitForFinished(-1);
    return process.readAllStandardOutput().trimmed().toLong();
}

} // namespace

int main(int argc, char** argv) {
    qtkit::keepFreedMemoryForReuse(); // as the programs whose writing this measures
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() == 3 && arguments[1] == "--memory")
        return measureMemory(arguments[2].toInt());
    if (arguments.size() == 2 && arguments[1] == "--scaling")
        return measureScaling();

    // Memory first, while this process holds no frames.
    const long small = childPeak(arguments[0], 300);
    const long large = childPeak(arguments[0], 3000);
    std::printf("peak memory 640x480: 300 frames %ld KiB, 3000 frames %ld KiB, ratio %.3f "
                "(target within 10%%)\n",
                small, large, small > 0 ? double(large) / double(small) : 0.0);
    std::fflush(stdout);

    // Each side's best of three runs, so that a busy machine disturbs the ratio less.
    QTemporaryDir folder;
    struct Case {
        int width, height, frames;
    };
    for (const Case& size : {Case{640, 480, 240}, Case{1920, 1080, 90}}) {
        const std::vector<QImage> frames = makeFrames(size.width, size.height, size.frames);
        const QString raw = folder.filePath("frames.argb");
        if (!writeRawFrames(raw, frames))
            return 1;
        Timing ours{1e9, 1e9};
        Timing theirs{1e9, 1e9};
        for (int run = 0; run < 3; ++run) {
            const Timing recorded = recordFrames(folder.filePath("ours.mov"), frames, size.frames);
            const Timing encoded = ffmpegFrames(folder.path(), raw, frames[0]);
            if (recorded.wall < 0 || encoded.wall < 0) {
                std::fprintf(stderr, "recording failed\n");
                return 1;
            }
            ours = {std::min(ours.wall, recorded.wall), std::min(ours.cpu, recorded.cpu)};
            theirs = {std::min(theirs.wall, encoded.wall), std::min(theirs.cpu, encoded.cpu)};
        }
        const double n = size.frames;
        std::printf("%dx%d, %d frames, append + update per frame: recorder %.1f fps wall / %.1f "
                    "fps cpu, ffmpeg -c:v qtrle -pix_fmt argb %.1f fps wall / %.1f fps cpu; "
                    "ratio %.2f wall, %.2f cpu (target >= 0.90)\n",
                    size.width, size.height, size.frames, n / ours.wall, n / ours.cpu,
                    n / theirs.wall, n / theirs.cpu, theirs.wall / ours.wall,
                    theirs.cpu / ours.cpu);
        std::fflush(stdout);
    }
    return measureScaling();
}
