// Whole jobs of lumenreel-render in ProRes 4444, H.264 and the HAPs against the peer pipeline that
// does the same job with the plainest tools: the minimal EGL program of the render pipeline
// benchmark writing raw frames into `ffmpeg` with the same encoder and settings, the sound muxed in
// the same pass. Plasma with the demo sound at 640x480 (333 frames) and 1920x1080 (151 frames), 30
// fps; the two sides alternate and each prints the median of the runs.
//
// Then the file size and writing time of the final movie in each delivery format against the
// Animation movie, for the default job: the sample composition at 640 x 480, 30 fps, 33.3 s with
// the demo sound. The job is rendered once (Animation); each format is then written from that
// movie by the flattener, as a job writes its final movie, three times, and the median time is
// kept.
//
// With --floor, each peer comparison also measures the least a job running the peer's encoder can
// take on this machine: the Animation job (render, and the temporary Animation movie every job
// writes) plus that encoder alone, fed frames already in its pixel format, their processor time
// spread over every core with none left idle. (Our HAP writer is not FFmpeg's, so HAP's floor
// bounds nothing of ours.)
//
//   delivery_formats_benchmark [--duration SECONDS] [--runs N] [--peer-only | --sizes-only]
//                              [--formats NAME,NAME...]   (the peer comparison's formats)
//                              [--floor]

#include "BenchmarkMedian.h"
#include "BenchmarkProcess.h"
#include "app/cli/RenderCommandLine.h"
#include "platform/qtkit/DeliveryFormats.h"
#include "platform/qtkit/FlattenedMovieWriter.h"
#include "platform/qtkit/MovieProbe.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

struct PeerFormat {
    const char* name;      // ours
    const char* extension; // of the movie
    const char* pixels;    // the encoder's pixel format
    std::string encoding;  // the peer's other ffmpeg options for the same encoder and settings
};

struct PeerJob {
    const char* size;
    const char* duration;
};

// The processor time of the median of `runs` runs, or a negative number when one failed.
double medianWork(int runs, const std::vector<std::string>& arguments) {
    std::vector<double> work;
    for (int run = 0; run < runs; ++run) {
        const ProcessResult result = runProcess(arguments);
        if (!result.ok)
            return -1;
        work.push_back(result.processorSeconds);
    }
    return median(work);
}

// Alternates our job and the peer's for every format and size, with the floor of each when asked;
// false when one failed.
bool comparePeers(int runs, const QStringList& only, bool floor) {
    QTemporaryDir folder;
    const std::string out = folder.path().toStdString();
    const std::string composition = LUMENREEL_SOURCE_DIR "/benchmarks/app/Plasma.fs";
    const std::string sound = LUMENREEL_SOURCE_DIR "/resources/sounds/demo-arpeggio.m4a";
    const std::string cores = std::to_string(std::max(1u, std::thread::hardware_concurrency()));
    const PeerFormat formats[] = {
        {"prores4444", "mov", "yuva444p10le",
         "-c:v prores_ks -profile:v 4444 -alpha_bits 16 -vendor apl0"},
        {"h264", "mp4", "yuv420p",
         "-c:v libx264 -preset medium -crf 18 -tag:v avc1 -movflags +faststart"},
        {"hap", "mov", "rgba", "-c:v hap -format hap -chunks " + cores},
        {"hap-alpha", "mov", "rgba", "-c:v hap -format hap_alpha -chunks " + cores},
        {"hapq", "mov", "rgba", "-c:v hap -format hap_q -chunks " + cores},
    };
    const PeerJob jobs[] = {{"640x480", "11.08"}, {"1920x1080", "5"}};
    std::printf("peer comparison: Plasma.fs with demo-arpeggio.m4a (AAC, copied), 30 fps, %s "
                "cores, median of %d alternated runs\n",
                cores.c_str(), runs);
    for (const PeerJob& job : jobs) {
        const unsigned long long frames = renderFrameCount(std::stod(job.duration), 30);
        const auto ourJob = [&](const char* format) {
            return std::vector<std::string>{LUMENREEL_RENDER_TOOL,
                                            "--audio",
                                            sound,
                                            "--size",
                                            job.size,
                                            "--fps",
                                            "30",
                                            "--duration",
                                            job.duration,
                                            "--format",
                                            format,
                                            "--output",
                                            out,
                                            composition};
        };
        // The peer's renderer, writing raw RGBA frames to its standard output.
        const std::string drawing = std::string("'") + LUMENREEL_PEER_RENDERER +
                                    "' --peer-frames " + job.size + " 30 " + job.duration + " '" +
                                    composition + "'";
        const std::string rgba = out + "/frames.rgba";
        double animationWork = 0;
        if (floor) {
            animationWork = medianWork(runs, ourJob("animation"));
            const std::string draw = drawing + " > '" + rgba + "'";
            if (animationWork < 0 || !runProcess({"bash", "-o", "pipefail", "-c", draw}).ok) {
                std::printf("%s: the Animation job or the peer's frames failed\n", job.size);
                return false;
            }
        }
        for (const PeerFormat& format : formats) {
            if (!only.isEmpty() && !only.contains(QLatin1String(format.name)))
                continue;
            const std::string movie = out + "/peer." + format.extension;
            const std::string peer =
                drawing + " | ffmpeg -hide_banner -y -f rawvideo -pix_fmt rgba -s " + job.size +
                " -framerate 30 -i - -i '" + sound + "' -map 1:a:0 -map 0:v:0 -c:a copy " +
                format.encoding + " -pix_fmt " + format.pixels + " '" + movie + "'";
            std::vector<double> ours, peers, durablePeers, ourWork, peerWork;
            for (int run = 0; run < runs; ++run) {
                ::sync();
                const ProcessResult whole = runProcess(ourJob(format.name));
                ::sync();
                const ProcessResult render = runProcess({"bash", "-o", "pipefail", "-c", peer});
                // What our job also does: the finished movie is on disk when it ends.
                const ProcessResult flush = runProcess({"sync", movie});
                if (!whole.ok || !render.ok || !flush.ok) {
                    std::printf("%s %s: a job failed (ours %d, peer %d)\n", format.name, job.size,
                                whole.ok, render.ok);
                    return false;
                }
                ours.push_back(whole.seconds);
                peers.push_back(render.seconds);
                durablePeers.push_back(render.seconds + flush.seconds);
                ourWork.push_back(whole.processorSeconds);
                peerWork.push_back(render.processorSeconds);
            }
            std::printf("%-10s %-9s %3llu frames: ours %6.2f s, peer %6.2f s, ratio %.3f "
                        "(target at most 0.8); peer + sync FILE %6.2f s, ratio %.3f; processor "
                        "time ours %6.2f s, peer %6.2f s, ratio %.3f\n",
                        format.name, job.size, frames, median(ours), median(peers),
                        median(ours) / median(peers), median(durablePeers),
                        median(ours) / median(durablePeers), median(ourWork), median(peerWork),
                        median(ourWork) / median(peerWork));
            if (floor) {
                // RGBA frames go to the encoder as drawn; others are converted once beforehand.
                const bool asDrawn = std::strcmp(format.pixels, "rgba") == 0;
                const std::string converted = asDrawn ? rgba : out + "/frames." + format.pixels;
                const std::string encoder = "ffmpeg -y -f rawvideo -pix_fmt " +
                                            std::string(format.pixels) + " -s " + job.size +
                                            " -framerate 30 -i '" + converted + "' " +
                                            format.encoding + " '" + movie + "'";
                const bool convertedOk =
                    asDrawn || runProcess({"ffmpeg", "-y", "-f", "rawvideo", "-pix_fmt", "rgba",
                                           "-s", job.size, "-i", rgba, "-pix_fmt", format.pixels,
                                           "-f", "rawvideo", converted})
                                   .ok;
                const double encoderWork =
                    convertedOk ? medianWork(runs, {"bash", "-c", encoder}) : -1;
                if (!asDrawn)
                    QFile::remove(QString::fromStdString(converted));
                if (encoderWork < 0) {
                    std::printf("%s %s: the encoder alone failed\n", format.name, job.size);
                    return false;
                }
                const double least = (animationWork + encoderWork) / std::stod(cores);
                std::printf("  floor: Animation job %.2f s + the encoder alone %.2f s of processor "
                            "time, over %s cores: %.2f s, ratio %.3f to the peer\n",
                            animationWork, encoderWork, cores.c_str(), least,
                            least / median(peers));
            }
            std::fflush(stdout);
        }
        QFile::remove(QString::fromStdString(rgba));
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString duration = QStringLiteral("33.3");
    int runs = 3;
    bool peers = true;
    QStringList only;
    bool sizes = true;
    bool floor = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--duration") == 0 && i + 1 < argc)
            duration = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--formats") == 0 && i + 1 < argc)
            only = QString::fromLocal8Bit(argv[++i]).split(QLatin1Char(','));
        else if (std::strcmp(argv[i], "--peer-only") == 0)
            sizes = false;
        else if (std::strcmp(argv[i], "--sizes-only") == 0)
            peers = false;
        else if (std::strcmp(argv[i], "--floor") == 0)
            floor = true;
    }
    if (peers && !comparePeers(runs, only, floor))
        return 1;
    if (!sizes)
        return 0;
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
