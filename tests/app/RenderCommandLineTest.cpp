#include "app/cli/RenderCommandLine.h"
#include "app/cli/RenderProgressPrinter.h"

#include "common/QtPrinters.h"
#include "platform/qtkit/MovieInspector.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace lumenreel::test;

using Action = ParsedRenderCommandLine::Action;

ParsedRenderCommandLine parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("lumenreel-render"));
    return parseRenderCommandLine(arguments, QStringLiteral("/home/u/Videos"));
}

TEST(RenderCommandLineTest, DefaultsAreTheApplicationsOwn) {
    const ParsedRenderCommandLine parsed = parse({QStringLiteral("/c/Clouds.fs")});
    ASSERT_EQ(parsed.action, Action::Render) << parsed.message.toStdString();
    EXPECT_EQ(parsed.options.size, QSizeF(640, 480));
    EXPECT_EQ(parsed.options.framesPerSecond, 30u);
    EXPECT_EQ(parsed.options.durationSeconds, 33.29999923706055);
    EXPECT_TRUE(parsed.options.audioPath.isEmpty());
    EXPECT_EQ(parsed.options.encoderThreads, 0); // one per core
    EXPECT_EQ(parsed.options.finalMoviePath(), QStringLiteral("/home/u/Videos/Clouds.mov"));
    EXPECT_FALSE(parsed.options.outputFolderGiven); // the default folder, made when missing
    // The Seconds, no loop, the whole sound.
    EXPECT_FALSE(parsed.options.durationFromSound || parsed.options.loop ||
                 parsed.options.cutSound);
}

TEST(RenderCommandLineTest, OptionsAreTaken) {
    const ParsedRenderCommandLine parsed =
        parse({"--audio", "s.wav", "--preset", "16", "--fps", "25", "--duration", "2.5", "--output",
               "/tmp/o", "/x/My.Scene.fs"});
    ASSERT_EQ(parsed.action, Action::Render) << parsed.message.toStdString();
    EXPECT_EQ(parsed.options.audioPath, QStringLiteral("s.wav"));
    EXPECT_EQ(parsed.options.size, QSizeF(3840, 2160)); // the last preset
    EXPECT_EQ(parsed.options.framesPerSecond, 25u);
    EXPECT_EQ(parsed.options.durationSeconds, 2.5);
    EXPECT_EQ(parsed.options.finalMoviePath(), QStringLiteral("/tmp/o/My.Scene.mov"));
    EXPECT_TRUE(parsed.options.outputFolderGiven);
    EXPECT_TRUE(parse({"-v", "a.fs"}).options.verbose);
    EXPECT_EQ(parse({"--encoder-threads", "12", "a.fs"}).options.encoderThreads, 12);
    EXPECT_EQ(parsed.options.device, -1);
    EXPECT_EQ(parse({"--device", "1", "a.fs"}).options.device, 1);
    EXPECT_EQ(parse({"--size", "320x200", "a.fs"}).options.size, QSizeF(320, 200));
}

TEST(RenderCommandLineTest, ASegmentHearsTheSoundButLeavesItOut) {
    const ParsedRenderCommandLine heard =
        parse({"--frames", "0:9", "--audio", "s.wav", "--duration", "1", "a.fs"});
    ASSERT_EQ(heard.action, Action::Render) << heard.message.toStdString();
    // The segment's job hears the sound but leaves it out of its movie.
    NSAutoreleasePool pool;
    const RenderJob job = heard.options.job();
    EXPECT_EQ(QFileInfo(job.soundMoviePath()).fileName(), QStringLiteral("s.wav"));
    EXPECT_FALSE(job.soundInMovie);
    EXPECT_EQ(job.lastFrame, 9);
    EXPECT_TRUE(job.finalMovieFile.endsWith(QStringLiteral("a.frames-0-9.mov")))
        << job.finalMovieFile.toStdString();
}

TEST(RenderCommandLineTest, TimingOptionsFollowTheSound) {
    QTemporaryDir folder;
    const QString sound = folder.filePath(QStringLiteral("tune.wav"));
    ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "sine=r=48000:d=2.5", "-c:a", "pcm_s16le", sound}));

    // As long as the sound: its length is the duration, and the frames are counted by it.
    const ParsedRenderCommandLine timed =
        parse({"--duration", "sound", "--audio", sound, "--loop", "--cut-sound", "a.fs"});
    ASSERT_EQ(timed.action, Action::Render) << timed.message.toStdString();
    EXPECT_TRUE(timed.options.durationFromSound);
    EXPECT_EQ(timed.options.durationSeconds, 2.5);
    EXPECT_EQ(timed.options.frameCount(), 75u);
    NSAutoreleasePool pool;
    const RenderJob job = timed.options.job();
    EXPECT_TRUE(job.durationFromSound && job.loop && job.cutSound);
    // --frames counts on the same number.
    EXPECT_EQ(parse({"--duration", "sound", "--audio", sound, "--frames", "70:75", "a.fs"}).action,
              Action::Render);
    EXPECT_EQ(
        parse({"--duration", "sound", "--audio", sound, "--loop", "--frames", "70:75", "a.fs"})
            .action,
        Action::Fail);
    // --frame-count needs no composition.
    const ParsedRenderCommandLine count =
        parse({"--frame-count", "--fps", "10", "--duration", "sound", "--audio", sound, "--loop"});
    ASSERT_EQ(count.action, Action::PrintFrameCount) << count.message.toStdString();
    EXPECT_EQ(count.options.frameCount(), 25u);

    // Nothing to take the length from: refused in one line.
    for (const QStringList& arguments :
         {QStringList{"--duration", "sound", "a.fs"},
          QStringList{"--duration", "sound", "--audio", folder.filePath("none.wav"), "a.fs"},
          QStringList{"--duration", "sound", "--audio", folder.path(), "--frame-count"}}) {
        const ParsedRenderCommandLine refused = parse(arguments);
        EXPECT_EQ(refused.action, Action::Fail) << arguments.join(' ').toStdString();
        EXPECT_TRUE(refused.message.startsWith(QStringLiteral("--duration sound")))
            << refused.message.toStdString();
        EXPECT_FALSE(refused.message.contains(QLatin1Char('\n')));
    }
}

class RenderCommandLineRejects : public ::testing::TestWithParam<QStringList> {};

TEST_P(RenderCommandLineRejects, WithAOneLineReason) {
    const ParsedRenderCommandLine parsed = parse(GetParam());
    EXPECT_EQ(parsed.action, Action::Fail);
    EXPECT_FALSE(parsed.message.isEmpty());
    EXPECT_FALSE(parsed.message.trimmed().contains(QLatin1Char('\n')));
}

INSTANTIATE_TEST_SUITE_P(
    BadArguments, RenderCommandLineRejects,
    ::testing::Values(
        QStringList{}, QStringList{"a.fs", "b.fs"}, QStringList{"--bogus", "a.fs"},
        QStringList{"--preset", "17", "a.fs"}, QStringList{"--preset", "-1", "a.fs"},
        QStringList{"--preset", "x", "a.fs"},
        QStringList{"--preset", "1", "--size", "10x10", "a.fs"},
        QStringList{"--size", "0x10", "a.fs"}, QStringList{"--size", "10", "a.fs"},
        QStringList{"--size", "99999x10", "a.fs"}, QStringList{"--fps", "2.5", "a.fs"},
        QStringList{"--duration", "86400.5", "a.fs"}, QStringList{"--fps", "601", "a.fs"},
        QStringList{"--audio", "", "a.fs"}, QStringList{"--device", "-1", "a.fs"},
        QStringList{"--device", "gpu", "a.fs"}, QStringList{"--encoder-threads", "0", "a.fs"},
        QStringList{"--encoder-threads", "257", "a.fs"},
        QStringList{"--encoder-threads", "two", "a.fs"}, QStringList{"--fps"},
        QStringList{"--fps", "0", "--frame-count"}, QStringList{"--format", "gif", "a.fs"},
        QStringList{"--frames", "0:9", "--format", "h264", "a.fs"},
        QStringList{"--set", "level", "a.fs"}));

TEST(RenderFrameCountTest, FrameKIsInWhenKOverFpsDoesNotPassTheDuration) {
    // Whole numbers of frames end on the duration's own frame, whatever summed steps would give.
    EXPECT_EQ(renderFrameCount(3.0, 10), 31u);
    // Durations typed in decimal: 2.3 * 10 is 22.999999999999996 in double precision.
    EXPECT_EQ(renderFrameCount(2.3, 10), 24u);
    EXPECT_EQ(renderFrameCount(33.3, 30), 1000u);
    // Short of the next frame by more than a millionth of a frame: not in.
    EXPECT_EQ(renderFrameCount(1.0 - 2e-6, 1), 1u);
    EXPECT_EQ(renderFrameCount(1.0 - 1e-8, 1), 2u);
    EXPECT_EQ(renderFrameCount(86400.0, 600), 51840001u);
    EXPECT_EQ(renderFrameCount(-3.0, 30), 1u);
    EXPECT_EQ(renderFrameCount(1.0, 0), 0u);
}

TEST(RenderFrameCountTest, ALoopLeavesOutTheFrameAtTheDuration) {
    EXPECT_EQ(renderFrameCount(10.0, 30, true), 300u);
    EXPECT_EQ(renderFrameCount(2.3, 10, true), 23u);
    // 33.3 s as a 32-bit float lasts 998.99998 frames: the 999th starts before the end.
    EXPECT_EQ(renderFrameCount(static_cast<double>(33.3f), 30, true), 999u);
    EXPECT_EQ(renderFrameCount(33.3, 30, true), 999u);
    // A hair past a whole frame count is that count; a frame's millionth more is one more.
    EXPECT_EQ(renderFrameCount(1.0 + 1e-8, 1, true), 1u);
    EXPECT_EQ(renderFrameCount(1.0 + 1e-5, 1, true), 2u);
    EXPECT_EQ(renderFrameCount(86400.0, 600, true), 51840000u);
    // At least one frame; none at a rate of 0.
    EXPECT_EQ(renderFrameCount(0.0, 30, true), 1u);
    EXPECT_EQ(renderFrameCount(-3.0, 30, true), 1u);
    EXPECT_EQ(renderFrameCount(1.0, 0, true), 0u);
}

TEST(RenderProgressPrinterTest, LineShowsPercentFramesRateAndTimeLeft) {
    EXPECT_EQ(RenderProgressPrinter::formatLine(0.5, 50, 100, 25.0, 2.0, false).toStdString(),
              "Rendering:  50%  50/100 frames  25.0 fps  0:02 left");
    const QString bar = RenderProgressPrinter::formatLine(1.0, 10, 10, 5.0, 3725, true);
    EXPECT_TRUE(bar.startsWith(QStringLiteral("[##############################] 100%")))
        << bar.toStdString();
    EXPECT_TRUE(bar.endsWith(QStringLiteral("1:02:05 left")));
}

TEST(RenderProgressPrinterTest, PlainOutputPrintsOneLinePerTenth) {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    {
        RenderProgressPrinter printer(stream, false, 100);
        for (int frame = 0; frame < 100; ++frame)
            printer.frameWritten(frame / 100.0);
        EXPECT_EQ(printer.framesWritten(), 100u);
    }
    std::fclose(stream);
    const QString text = QString::fromLocal8Bit(buffer, static_cast<qsizetype>(size));
    std::free(buffer);
    EXPECT_EQ(text.count(QLatin1Char('\n')), 10);
    EXPECT_TRUE(text.contains(QStringLiteral("Rendering:  90%  91/100 frames")))
        << text.toStdString();
}

} // namespace
