// The flattening of a render job (the sound track and the recorded video joined into one
// self-contained movie) against copying the recorded video with `cp` and flushing the copy to
// disk (`sync FILE`), as the flattening does. Alternated, median of the runs.
//
//   flattening_benchmark [--frames N] [--runs N]   default: 999 frames of 640x480 noise, 3 runs

#include "BenchmarkMedian.h"
#include "movie/QTKitMovieRecorder/QStillFrameMovieRecorder.h"
#include "movie/QTKitMovieRecorder/QStillFrameRecorderConfig.h"
#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/appkitcore/NSImage.h"
#include "platform/qtkit/ProcessMemory.h"
#include "platform/qtkit/QTMovie.h"
#include "platform/qtkit/QTMovieAttributes.h"
#include "platform/qtkit/QTTrack.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A recording of `count` frames that the Animation codec cannot shrink, like a plasma's.
bool recordNoise(const QString& path, int count) {
    NSAutoreleasePool pool;
    std::vector<QImage> pictures;
    QRandomGenerator random(17);
    for (int index = 0; index < 16; ++index) {
        QImage picture(640, 480, QImage::Format_RGBA8888);
        for (int y = 0; y < picture.height(); ++y)
            random.fillRange(reinterpret_cast<quint32*>(picture.scanLine(y)), picture.width());
        pictures.push_back(picture);
    }
    QStillFrameRecorder_Config_EncoderThreads = 0;
    NSRef<QStillFrameMovieRecorder> recorder = NSAdopt(new QStillFrameMovieRecorder);
    if (!recorder->beginRecordingMovieFile(path))
        return false;
    for (int index = 0; index < count; ++index) {
        NSAutoreleasePool framePool;
        const QImage& picture = pictures[std::size_t(index) % pictures.size()];
        NSRef<NSImage> image = NSAdopt(new NSImage(QSizeF(picture.size())));
        image->addRepresentation(NSAdopt(new NSBitmapImageRep(picture)).get());
        if (!recorder->addFrameBitmapImage(image.get(), 20))
            return false;
    }
    recorder->endRecordingMovie();
    return recorder->lastErrorDescription().isEmpty();
}

// Seconds to flatten the sound's and the video's first tracks into `output`; -1 on failure.
double flatten(const QString& sound, const QString& video, const QString& reference,
               const QString& output) {
    NSAutoreleasePool pool;
    QElapsedTimer timer;
    timer.start();
    NSRef<QTMovie> joined = NSAdopt(QTMovie::initToWritableFile(reference, nullptr));
    for (const QString& source : {sound, video}) {
        QTMovie* movie = QTMovie::movieWithFile(source, nullptr);
        if (!joined || !movie || movie->tracks().isEmpty())
            return -1;
        const QTTimeRange range = QTMakeTimeRange(QTZeroTime, movie->duration());
        if (!joined->insertSegmentOfTrack(movie->tracks().first(), range, QTZeroTime))
            return -1;
    }
    if (!joined->writeToFile(output, {{QTMovieFlatten, true}}, nullptr))
        return -1;
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    QFile::remove(reference);
    return seconds;
}

// Seconds to copy `from` to `to` with cp and flush the copy with sync; -1 on failure.
double copy(const QString& from, const QString& to, bool flush) {
    QElapsedTimer timer;
    timer.start();
    if (QProcess::execute(QStringLiteral("cp"), {from, to}) != 0)
        return -1;
    if (flush && QProcess::execute(QStringLiteral("sync"), {to}) != 0)
        return -1;
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    qtkit::keepFreedMemoryForReuse(); // as the programs whose writing this measures
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    auto option = [&](const char* name, int fallback) {
        const qsizetype at = arguments.indexOf(QLatin1String(name));
        return at >= 0 ? arguments.value(at + 1).toInt() : fallback;
    };
    const int frames = option("--frames", 999);
    const int runs = std::max(3, option("--runs", 3));
    const QString sound =
        QStringLiteral(LUMENREEL_SOURCE_DIR "/resources/sounds/demo-arpeggio.m4a");

    QTemporaryDir folder;
    const QString video = folder.filePath(QStringLiteral("Noise.qt"));
    if (!recordNoise(video, frames)) {
        std::fprintf(stderr, "recording failed\n");
        return 1;
    }
    const double megabytes = double(QFileInfo(video).size()) / 1e6;
    std::vector<double> flattened, copied, copiedAlone;
    for (int run = 0; run < runs; ++run) {
        const QString output = folder.filePath(QStringLiteral("Noise.mov"));
        const QString duplicate = folder.filePath(QStringLiteral("copy.qt"));
        const double ours =
            flatten(sound, video, folder.filePath(QStringLiteral("Noise.ref")), output);
        QFile::remove(output);
        const double theirs = copy(video, duplicate, true);
        QFile::remove(duplicate);
        const double plain = copy(video, duplicate, false);
        QFile::remove(duplicate);
        if (ours < 0 || theirs < 0 || plain < 0) {
            std::fprintf(stderr, "run %d failed\n", run);
            return 1;
        }
        flattened.push_back(ours);
        copied.push_back(theirs);
        copiedAlone.push_back(plain);
    }
    std::printf("flattening %d frames of 640x480 noise (%.0f MB) with AAC sound, median of %d "
                "alternated runs:\n",
                frames, megabytes, runs);
    std::printf("  flattening        %6.2f s  %6.0f MB/s\n", median(flattened),
                megabytes / median(flattened));
    std::printf("  cp + sync FILE    %6.2f s  %6.0f MB/s\n", median(copied),
                megabytes / median(copied));
    std::printf("  cp alone          %6.2f s  %6.0f MB/s\n", median(copiedAlone),
                megabytes / median(copiedAlone));
    std::printf("  ratio flattening / (cp + sync) %.2f (target at most 1.3); / cp alone %.2f\n",
                median(flattened) / median(copied), median(flattened) / median(copiedAlone));
    return 0;
}
