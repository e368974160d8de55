// Frames per second (from the median frame time) of QCRenderer render + snapshot for the sample
// compositions at 640 x 480 and 1920 x 1080, against a minimal EGL program drawing the same shaders
// at the same size in the same run. Prints one line per sample and size with the ratio (target: at
// least 0.9).
//
//   composition_benchmark [--seconds S] [--snapshots FOLDER]
//
// The two sides render alternate frames, so that other work on the machine weighs on both
// alike. --snapshots writes the frame at 2 s of every sample at 640 x 480 as PNG.

#include "BenchmarkMedian.h"
#include "MinimalEGLRenderer.h"

#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/coregraphics/CGColorSpace.h"
#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCRenderer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

#include <cstdio>
#include <cstring>
#include <functional>

namespace {

struct Rates {
    double ours = 0.0;
    double theirs = 0.0;
};

// Frames per second of each side, from the median frame time, rendering frames alternately
// (one of ours, one of theirs) at 30 fps composition times for about `seconds` in all, so that
// whatever else runs on the machine weighs on both alike and bursts of it do not count.
Rates alternatingFramesPerSecond(double seconds, const std::function<bool(double)>& ours,
                                 const std::function<bool(double)>& theirs) {
    QElapsedTimer total;
    total.start();
    QElapsedTimer timer;
    std::vector<qint64> oursNs;
    std::vector<qint64> theirsNs;
    while (oursNs.size() < 5 || total.nsecsElapsed() < qint64(seconds * 1e9)) {
        const double time = double(oursNs.size()) / 30.0;
        timer.start();
        if (!ours(time))
            return {};
        oursNs.push_back(timer.nsecsElapsed());
        timer.start();
        if (!theirs(time))
            return {};
        theirsNs.push_back(timer.nsecsElapsed());
    }
    return {1e9 / median(oursNs), 1e9 / median(theirsNs)};
}

} // namespace

int main(int argc, char** argv) {
    double seconds = 4.0;
    QString snapshots;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--snapshots") == 0)
            snapshots = QString::fromLocal8Bit(argv[i + 1]);
    }
    const QDir samples(QStringLiteral(LUMENREEL_SAMPLE_COMPOSITIONS));
    const QStringList names = samples.entryList({QStringLiteral("*.fs"), QStringLiteral("*.glsl")},
                                                QDir::Files, QDir::Name);
    const QSize sizes[] = {QSize(640, 480), QSize(1920, 1080)};
    CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
    std::printf("%-20s %-10s %12s %12s %7s\n", "composition", "size", "renderer fps", "minimal fps",
                "ratio");
    int failures = 0;
    double worst = 1e9;
    for (const QString& name : names) {
        for (const QSize size : sizes) {
            NSAutoreleasePool pool;
            QFile file(samples.filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            QCComposition* composition =
                QCComposition::compositionWithData(file.readAll(), file.fileName());
            NSRef<QCRenderer> renderer =
                NSAdopt(QCRenderer::initOffScreenWithSize(QSizeF(size), space, composition));
            if (!renderer) {
                ++failures;
                continue;
            }
            std::unique_ptr<MinimalEGLRenderer> minimal = MinimalEGLRenderer::create(*renderer);
            if (!minimal) {
                ++failures;
                continue;
            }
            const auto ours = [&](double time) {
                if (!renderer->renderAtTime(time))
                    return false;
                NSRef<NSBitmapImageRep> snapshot = NSAdopt(
                    renderer->createSnapshotImageOfType(QStringLiteral("NSBitmapImageRep")));
                return bool(snapshot);
            };
            const auto theirs = [&](double time) {
                return minimal->renderAndRead(time);
            };
            ours(0.0);
            theirs(0.0);
            const Rates rates = alternatingFramesPerSecond(seconds, ours, theirs);
            const double bestOurs = rates.ours;
            const double bestTheirs = rates.theirs;
            const double ratio = bestTheirs > 0.0 ? bestOurs / bestTheirs : 0.0;
            worst = std::min(worst, ratio);
            const QByteArray label =
                QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).toUtf8();
            std::printf("%-20s %-10s %12.2f %12.2f %7.3f\n", name.toUtf8().constData(),
                        label.constData(), bestOurs, bestTheirs, ratio);
            std::fflush(stdout);
            if (!snapshots.isEmpty() && size == sizes[0]) {
                renderer->renderAtTime(2.0);
                NSRef<NSBitmapImageRep> frame = NSAdopt(
                    renderer->createSnapshotImageOfType(QStringLiteral("NSBitmapImageRep")));
                if (frame)
                    frame->qImage().save(QDir(snapshots).filePath(
                        QFileInfo(name).completeBaseName() + QStringLiteral(".png")));
            }
        }
    }
    CGColorSpaceRelease(space);
    std::printf("worst ratio %.3f (target 0.9)%s\n", worst,
                failures ? ", some compositions failed" : "");
    return failures ? 1 : 0;
}
