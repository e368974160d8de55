// Frames per second of a filter fed with a 1920 x 1080 movie (each frame decoded, converted and
// uploaded at its time) against the same filter on a still image of that size, in the same run:
// runs of each alternate, three of each, and the medians are compared (target: at least 0.8).
//
//   footage_benchmark [--frames N] [--codec h264|qtrle]

#include "BenchmarkMedian.h"
#include "app/job/CompositionInputs.h"
#include "platform/appkitcore/NSBitmapImageRep.h"
#include "platform/coregraphics/CGColorSpace.h"
#include "platform/foundation/NSObject.h"
#include "platform/quartzcomposer/QCComposition.h"
#include "platform/quartzcomposer/QCCompositionModel.h"
#include "platform/quartzcomposer/QCRenderer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

bool ffmpeg(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("ffmpeg"),
                  QStringList{"-hide_banner", "-loglevel", "error", "-y"} + arguments);
    return process.waitForFinished(600000) && process.exitCode() == 0;
}

// Renders `frames` frames at 30 fps with `file` fed into the filter's image input; frames per
// second, or 0 on a failure.
double framesPerSecond(const QByteArray& filter, const QString& file, int frames) {
    NSAutoreleasePool pool;
    QString error;
    QCComposition* composition = QCComposition::compositionWithData(filter, QString(), &error);
    CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
    QCRenderer* renderer =
        QCRenderer::initOffScreenWithSize(QSizeF(kWidth, kHeight), space, composition, &error);
    CGColorSpaceRelease(space);
    if (!renderer) {
        std::fprintf(stderr, "no renderer: %s\n", qUtf8Printable(error));
        return 0;
    }
    CompositionInputSettings settings;
    settings.files.append({QStringLiteral("inputImage"), file});
    std::unique_ptr<CompositionInputFeed> feed =
        CompositionInputFeed::create(composition->model(), settings, QString(), 0, &error);
    double rate = 0;
    if (feed) {
        QElapsedTimer timer;
        timer.start();
        int rendered = 0;
        for (; rendered < frames; ++rendered) {
            const double time = rendered / 30.0;
            if (!feed->prepareFrame(renderer, time, &error) || !renderer->renderAtTime(time))
                break;
            NSBitmapImageRep* bitmap =
                renderer->createSnapshotImageOfType(QStringLiteral("NSBitmapImageRep"));
            if (!bitmap)
                break;
            bitmap->release();
        }
        if (rendered == frames)
            rate = frames / (timer.nsecsElapsed() / 1e9);
    }
    if (rate == 0)
        std::fprintf(stderr, "the job failed: %s\n", qUtf8Printable(error));
    renderer->release();
    return rate;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int frames = 90;
    QString codec = QStringLiteral("h264");
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--frames") == 0)
            frames = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--codec") == 0)
            codec = QString::fromLocal8Bit(argv[i + 1]);
    }
    QTemporaryDir folder;
    const QString movie = folder.filePath(QStringLiteral("footage.mov"));
    const QString still = folder.filePath(QStringLiteral("still.png"));
    const QString source = QStringLiteral("testsrc2=size=%1x%2:rate=30").arg(kWidth).arg(kHeight);
    const QStringList encoding = codec == u"qtrle"
                                     ? QStringList{"-c:v", "qtrle"}
                                     : QStringList{"-c:v", "libx264", "-pix_fmt", "yuv420p"};
    if (!ffmpeg(QStringList{"-f", "lavfi", "-i", source, "-frames:v", QString::number(frames + 1)} +
                encoding + QStringList{movie}) ||
        !ffmpeg({"-f", "lavfi", "-i", source, "-frames:v", "1", still})) {
        std::fprintf(stderr, "footage_benchmark: ffmpeg could not make the footage\n");
        return 1;
    }
    const QByteArray filter = R"(/*{
  "ISFVSN": "2", "CATEGORIES": ["Filter"],
  "INPUTS": [{"NAME": "inputImage", "TYPE": "image"}]
}*/
void main() {
    vec2 uv = isf_FragNormCoord;
    gl_FragColor = IMG_NORM_PIXEL(inputImage, uv + 0.003 * sin(uv.yx * 40.0 + TIME));
}
)";
    std::vector<double> movieRates;
    std::vector<double> stillRates;
    for (int run = 0; run < 3; ++run) {
        stillRates.push_back(framesPerSecond(filter, still, frames));
        movieRates.push_back(framesPerSecond(filter, movie, frames));
        if (stillRates.back() == 0 || movieRates.back() == 0)
            return 1;
    }
    const double movieRate = median(movieRates);
    const double stillRate = median(stillRates);
    std::printf("footage %dx%d %s, %d frames: movie %.1f fps, still image %.1f fps, ratio %.2f "
                "(target >= 0.8)\n",
                kWidth, kHeight, qUtf8Printable(codec), frames, movieRate, stillRate,
                movieRate / stillRate);
    return 0;
}
