// Peak memory of a small sound-driven job (SpectrumBars at 16 x 16, one frame a second) as long
// as a long silent FLAC, against the same job as long as a 10-second one: each job runs
// lumenreel-render in a child process and its peak resident size is read when it ends. Target:
// a ratio of at most 1.1 (the sound is read along the frames, so its length does not count).
//
//   sound_memory_benchmark [--minutes N]   (the long sound's length, 20 by default)

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool ffmpeg(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("ffmpeg"),
                  QStringList{"-hide_banner", "-loglevel", "error", "-y"} + arguments);
    return process.waitForFinished(600000) && process.exitCode() == 0;
}

// A silent stereo FLAC of `seconds` seconds at 44.1 kHz.
bool silence(const QString& path, int seconds) {
    return ffmpeg(
        {"-f", "lavfi", "-i",
         QStringLiteral("anullsrc=channel_layout=stereo:sample_rate=44100:d=%1").arg(seconds),
         "-c:a", "flac", path});
}

// The peak resident size in KiB of one job of `seconds` with `sound`, or -1 when it fails.
long peakKiB(const QString& sound, int seconds, const QString& output) {
    const QByteArray tool = LUMENREEL_RENDER_TOOL;
    const QByteArray composition = LUMENREEL_SOURCE_DIR "/resources/compositions/SpectrumBars.fs";
    const QByteArray soundPath = sound.toLocal8Bit();
    const QByteArray outputPath = output.toLocal8Bit();
    const QByteArray duration = QByteArray::number(seconds);
    std::vector<const char*> arguments{tool.constData(),
                                       "--audio",
                                       soundPath.constData(),
                                       "--size",
                                       "16x16",
                                       "--fps",
                                       "1",
                                       "--duration",
                                       duration.constData(),
                                       "--output",
                                       outputPath.constData(),
                                       composition.constData(),
                                       nullptr};
    const pid_t child = fork();
    if (child == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        execv(arguments[0], const_cast<char* const*>(arguments.data()));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int minutes = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--minutes") == 0)
            minutes = std::atoi(argv[i + 1]);
    }
    QTemporaryDir folder;
    const QString shortSound = folder.filePath(QStringLiteral("short.flac"));
    const QString longSound = folder.filePath(QStringLiteral("long.flac"));
    if (!folder.isValid() || !silence(shortSound, 10) || !silence(longSound, minutes * 60)) {
        std::fprintf(stderr, "sound_memory_benchmark: cannot make the sounds\n");
        return 1;
    }
    const long shortPeak = peakKiB(shortSound, 10, folder.path());
    const long longPeak = peakKiB(longSound, minutes * 60, folder.path());
    if (shortPeak <= 0 || longPeak <= 0) {
        std::fprintf(stderr, "sound_memory_benchmark: a job failed\n");
        return 1;
    }
    std::printf("peak memory, 10 s job and sound:   %ld KiB\n", shortPeak);
    std::printf("peak memory, %d min job and sound: %ld KiB\n", minutes, longPeak);
    std::printf("ratio long/short: %.3f (target: at most 1.1)\n",
                static_cast<double>(longPeak) / static_cast<double>(shortPeak));
    return 0;
}
