// The live preview of Aurora.fs at the preview's size (640 x 480 fitted into 320 x 240), in the
// same process as its reference, three runs of each, medians compared:
//   1. frames shown per second against the renderer's own rate at that size, rendering and
//      taking each frame as fast as it can, capped at the display's rate of 60
//      (target: at least 0.9);
//   2. the main thread's event delay while the preview plays: how late a call posted every
//      5 ms runs, at the 99th percentile, against 50 ms (target: below 1);
//   3. the shown frame's time against the clock's (the sound's while a sound plays through an
//      audio device, else the steady clock) when the frame reaches the main thread, at the 99th
//      percentile, in frames (target: within one frame).
//
//   preview_benchmark [--seconds N]

#include "BenchmarkMedian.h"
#include "app/preview/PreviewEngine.h"
#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/appkitcore/NSImage.h"
#include "platform/coregraphics/CGColorSpace.h"
#include "platform/foundation/NSObject.h"
#include "platform/foundation/NSURL.h"
#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCRenderer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr double kDisplayRate = 60.0;
const QString kComposition =
    QStringLiteral(LUMENREEL_SOURCE_DIR "/resources/compositions/Aurora.fs");
const QString kSound = QStringLiteral(LUMENREEL_SOURCE_DIR "/resources/sounds/demo-arpeggio.m4a");

double percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(fraction * double(values.size())))];
}

// Frames per second of the bare renderer at `size`: render and take the picture, as fast as it
// goes, for `seconds`.
double rendererRate(QSize size, double seconds) {
    NSAutoreleasePool pool;
    QFile file(kComposition);
    if (!file.open(QIODevice::ReadOnly))
        return 0.0;
    QString error;
    QCComposition* composition =
        QCComposition::compositionWithData(file.readAll(), kComposition, &error);
    CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
    QCRenderer* renderer =
        QCRenderer::initOffScreenWithSize(QSizeF(size), space, composition, &error);
    CGColorSpaceRelease(space);
    if (!renderer) {
        std::fprintf(stderr, "no renderer: %s\n", qUtf8Printable(error));
        return 0.0;
    }
    QElapsedTimer timer;
    timer.start();
    int frames = 0;
    while (timer.elapsed() < seconds * 1000.0) {
        NSAutoreleasePool framePool;
        renderer->renderAtTime(frames / 60.0);
        if (NSBitmapImageRep* bitmap =
                renderer->createSnapshotImageOfType(QStringLiteral("NSBitmapImageRep")))
            bitmap->release();
        ++frames;
    }
    const double rate = frames / (double(timer.nsecsElapsed()) / 1e9);
    renderer->release();
    return rate;
}

struct PreviewRun {
    double framesPerSecond = 0.0;
    double eventDelayP99_ms = 0.0;
    double syncP99_frames = 0.0;
    double syncMedian_frames = 0.0;
    bool soundIsClock = false;
};

// Plays the composition in a preview engine for `seconds`, showing each frame as the window does
// (an image made of it on the main thread), while a call posted every 5 ms measures how late
// the main thread runs it.
PreviewRun previewRun(double seconds, bool withSound) {
    RenderJob job;
    job.compositionURL = NSRef<NSURL>(NSURL::fileURLWithPath(kComposition));
    if (withSound)
        job.soundMovieURL = NSRef<NSURL>(NSURL::fileURLWithPath(kSound));
    job.sizePixels = QSizeF(640, 480);
    job.framesPerSecond = 60;
    job.durationSeconds = 30.0;
    PreviewEngine engine;
    engine.setSoundOutputEnabled(withSound);
    engine.setDisplayRate(kDisplayRate);
    engine.setPreviewSize(QSize(320, 240));
    engine.setJob(job);

    PreviewRun run;
    QElapsedTimer clock;
    bool measuring = false;
    int shown = 0;
    std::vector<double> delays_ms;
    std::vector<double> sync_frames;
    QObject::connect(&engine, &PreviewEngine::frameReady, &engine,
                     [&](const QImage& frame, double frameSeconds) {
                         NSRef<NSImage> image = NSAdopt(new NSImage(QSizeF(frame.size())));
                         NSRef<NSBitmapImageRep> bitmap = NSAdopt(new NSBitmapImageRep(frame));
                         image->addRepresentation(bitmap.get());
                         if (!measuring)
                             return;
                         ++shown;
                         double lead = engine.time() - frameSeconds;
                         const double loop = engine.loopDuration();
                         if (lead < -loop / 2)
                             lead += loop;
                         // The frame shown is right for a whole frame's time after its own.
                         sync_frames.push_back(std::abs(lead) * job.framesPerSecond);
                     });
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, &engine, [&] {
        const qint64 posted = clock.nsecsElapsed();
        QMetaObject::invokeMethod(
            &engine,
            [&, posted] {
                if (measuring)
                    delays_ms.push_back(double(clock.nsecsElapsed() - posted) / 1e6);
            },
            Qt::QueuedConnection);
    });
    clock.start();
    probe.start();
    QEventLoop loop;
    // A second to load and start, then the measured stretch.
    QTimer::singleShot(1000, &loop, [&] {
        measuring = true;
        shown = 0;
    });
    QTimer::singleShot(int(1000 + seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    run.framesPerSecond = shown / seconds;
    run.eventDelayP99_ms = percentile(delays_ms, 0.99);
    run.syncP99_frames = percentile(sync_frames, 0.99);
    run.syncMedian_frames = percentile(sync_frames, 0.5);
    run.soundIsClock = engine.soundIsClock();
    return run;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    NSAutoreleasePool pool;
    double seconds = 5.0;
    for (int index = 1; index + 1 < argc; ++index) {
        if (std::strcmp(argv[index], "--seconds") == 0)
            seconds = std::max(1.0, std::atof(argv[index + 1]));
    }
    std::vector<double> renderer, shown, delay, sync;
    bool soundIsClock = false;
    for (int round = 0; round < 3; ++round) {
        renderer.push_back(rendererRate(QSize(320, 240), seconds));
        const PreviewRun run = previewRun(seconds, true);
        shown.push_back(run.framesPerSecond);
        delay.push_back(run.eventDelayP99_ms);
        sync.push_back(run.syncP99_frames);
        soundIsClock = soundIsClock || run.soundIsClock;
        std::printf("round %d: renderer %.1f fps, preview %.1f fps shown, event delay p99 %.2f ms, "
                    "frame time against the clock p99 %.2f frames (median %.2f)\n",
                    round + 1, renderer.back(), shown.back(), delay.back(), sync.back(),
                    run.syncMedian_frames);
    }
    const double reference = std::min(median(renderer), kDisplayRate);
    std::printf("Aurora.fs at 320 x 240, job at 60 fps, display at %.0f Hz; the clock: %s\n",
                kDisplayRate,
                soundIsClock ? "the sound through the audio device"
                             : "steady (no audio device plays here)");
    std::printf("frames shown / min(renderer's rate, display rate): %.1f / %.1f = %.2f (target "
                ">= 0.9)\n",
                median(shown), reference, median(shown) / reference);
    std::printf("event delay p99 / 50 ms: %.2f / 50 = %.3f (target < 1)\n", median(delay),
                median(delay) / 50.0);
    std::printf("frame time against the clock p99, in frames: %.2f (target <= 1)\n", median(sync));
    return 0;
}
