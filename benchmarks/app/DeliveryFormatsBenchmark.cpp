// File size and writing time of the final movie in each delivery format against the Animation
// movie, for the default job: the sample composition at 640 x 480, 30 fps, 33.3 s with the demo
// sound. The job is rendered once (Animation); each format is then written from that movie by
// the flattener, as a job writes its final movie, three times, and the median time is kept.
//
//   delivery_formats_benchmark [--duration SECONDS]

#include "platform/qtkit/DeliveryFormats.h"
#include "platform/qtkit/FlattenedMovieWriter.h"
#include "platform/qtkit/MovieProbe.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString duration = QStringLiteral("33.3");
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--duration") == 0)
            duration = QString::fromLocal8Bit(argv[i + 1]);
    }
    QTemporaryDir folder;
    const QString source = QStringLiteral(LUMENREEL_SOURCE_DIR);
    QProcess render;
    render.start(QStringLiteral(LUMENREEL_RENDER_TOOL),
                 {"--audio", source + "/resources/sounds/demo-arpeggio.m4a", "--duration", duration,
                  "--output", folder.path(), source + "/resources/compositions/Aurora.fs"});
    if (!render.waitForFinished(3600000) || render.exitCode() != 0) {
        std::fprintf(stderr, "delivery_formats_benchmark: the job failed: %s\n",
                     render.readAllStandardError().constData());
        return 1;
    }
    const QString animation = folder.filePath(QStringLiteral("Aurora.mov"));
    QList<qtkit::MovieSegment> tracks;
    QVariant copyright;
    QString error;
    if (!qtkit::probeMovieTracks(animation, &tracks, &copyright, &error)) {
        std::fprintf(stderr, "delivery_formats_benchmark: %s\n", qUtf8Printable(error));
        return 1;
    }
    std::printf("default job, %s s at 640x480, 30 fps, with sound; medians of 3 writes\n",
                qUtf8Printable(duration));
    double animationSeconds = 0;
    qint64 animationBytes = 0;
    for (const DeliveryFormat& format : deliveryFormats()) {
        const QString output = folder.filePath(QStringLiteral("out.") + format.extension);
        std::vector<double> seconds;
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer timer;
            timer.start();
            if (!qtkit::writeFlattenedMovie(output, tracks, copyright, {}, &error, format.name)) {
                std::fprintf(stderr, "delivery_formats_benchmark: %s: %s\n",
                             qUtf8Printable(format.name), qUtf8Printable(error));
                return 1;
            }
            seconds.push_back(timer.nsecsElapsed() / 1e9);
        }
        std::sort(seconds.begin(), seconds.end());
        const double median = seconds[1];
        const qint64 bytes = QFileInfo(output).size();
        if (format.name == u"animation") {
            animationSeconds = median;
            animationBytes = bytes;
        }
        std::printf("%-11s %8.1f MB (%.3f of Animation)  written in %6.2f s (%.1f x Animation's "
                    "copy)\n",
                    qUtf8Printable(format.name), bytes / 1e6, double(bytes) / animationBytes,
                    median, median / animationSeconds);
    }
    return 0;
}
