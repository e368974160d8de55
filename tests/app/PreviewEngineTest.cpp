// The live preview's engine, headless: frames arrive on the main thread at the job's frame
// times, loop, follow seeks and pauses, pick up edits of the composition file, show a shader
// that does not compile as a message, and pulse event inputs.

#include "app/preview/PreviewEngine.h"
#include "app/preview/PreviewMessageImage.h"

#include "common/TestSupport.h"
#include "platform/foundation/NSURL.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

namespace {

using namespace lumenreel::test;

// Red is the frame's time over the loop's length (1 s), green the level input, blue the flash
// event.
constexpr const char* kTimeShader = R"(/*{
    "ISFVSN": "2",
    "INPUTS": [
        {"NAME": "level", "TYPE": "float", "DEFAULT": 0.0, "MIN": 0.0, "MAX": 1.0},
        {"NAME": "flash", "TYPE": "event"}
    ]
}*/
void main() {
    gl_FragColor = vec4(TIME, level, flash ? 1.0 : 0.0, 1.0);
}
)";

class PreviewEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mFolder.isValid());
        mEngine.setSoundOutputEnabled(false);
        mEngine.setPreviewSize(QSize(32, 24));
        QObject::connect(&mEngine, &PreviewEngine::frameReady, &mEngine,
                         [this](const QImage& frame, double seconds) {
                             mFrames.append(frame);
                             mTimes.append(seconds);
                         });
    }

    QString write(const QString& name, const QByteArray& text) {
        return writeTestFile(mFolder.filePath(name), text);
    }

    RenderJob jobFor(const QString& path, double seconds = 1.0, unsigned fps = 10) {
        RenderJob job;
        job.compositionURL = NSRef<NSURL>(NSURL::fileURLWithPath(path));
        job.sizePixels = QSizeF(32, 24);
        job.framesPerSecond = fps;
        job.durationSeconds = seconds;
        return job;
    }

    // Waits for a frame whose centre pixel `matches`.
    bool waitForFrame(const std::function<bool(QColor)>& matches,
                      std::chrono::milliseconds deadline = std::chrono::seconds(30)) {
        const qsizetype from = mFrames.size();
        return spinUntil(
            [&] {
                return std::any_of(mFrames.cbegin() + from, mFrames.cend(), [&](const QImage& f) {
                    return matches(f.pixelColor(f.width() / 2, f.height() / 2));
                });
            },
            deadline);
    }

    QTemporaryDir mFolder;
    NSAutoreleasePool mPool;
    PreviewEngine mEngine;
    QList<QImage> mFrames;
    QList<double> mTimes;
};

TEST_F(PreviewEngineTest, PlaysTheJobsFramesInALoopAtTheirTimes) {
    // 1 s at 10 fps renders frames 0 to 10: the loop lasts 1.1 s.
    mEngine.setJob(jobFor(write(QStringLiteral("Time.fs"), kTimeShader)));
    EXPECT_DOUBLE_EQ(mEngine.loopDuration(), 1.1);
    ASSERT_TRUE(mEngine.isPlaying());
    // Twice round the loop: the times go back to the start.
    ASSERT_TRUE(spinUntil(
        [&] {
            int wraps = 0;
            for (qsizetype index = 1; index < mTimes.size(); ++index)
                wraps += mTimes[index] < mTimes[index - 1] ? 1 : 0;
            return wraps >= 2;
        },
        std::chrono::seconds(30)));
    std::set<long> frames;
    for (qsizetype index = 0; index < mTimes.size(); ++index) {
        const double frame = mTimes[index] * 10.0;
        EXPECT_NEAR(frame, std::round(frame), 1e-9) << "not a frame's time: " << mTimes[index];
        EXPECT_LE(std::lround(frame), 10);
        frames.insert(std::lround(frame));
        // The picture is the frame of that time.
        const QColor centre = mFrames[index].pixelColor(16, 12);
        EXPECT_NEAR(centre.redF(), std::min(1.0, mTimes[index]), 1.5 / 255.0);
    }
    // Nearly every frame is shown on the way (a busy machine may drop a few).
    EXPECT_GE(frames.size(), 6u);
    EXPECT_EQ(mEngine.currentFrame(), mFrames.last());

    // A loop leaves out the frame at the duration, as its movie does.
    RenderJob looped = mEngine.job();
    looped.loop = true;
    mEngine.setJob(looped);
    EXPECT_DOUBLE_EQ(mEngine.loopDuration(), 1.0);
    EXPECT_EQ(mEngine.frameIndexAt(0.99), 9);
}

TEST_F(PreviewEngineTest, SeekShowsThatFrameWhilePausedAndPauseStopsTheFrames) {
    mEngine.setJob(jobFor(write(QStringLiteral("Time.fs"), kTimeShader), 2.0));
    ASSERT_TRUE(waitForFrame([](QColor) { return true; }));
    QSignalSpy playing(&mEngine, &PreviewEngine::playingChanged);
    mEngine.pause();
    ASSERT_EQ(playing.count(), 1);
    EXPECT_FALSE(playing.first().first().toBool());

    mEngine.seek(0.75);
    EXPECT_NEAR(mEngine.time(), 0.75, 1e-9);
    ASSERT_TRUE(waitForFrame([](QColor centre) { return std::abs(centre.redF() - 0.7) < 0.01; }));
    EXPECT_DOUBLE_EQ(mEngine.currentFrameTime(), 0.7);
    // A seek past the loop's end comes round: 2.1 s of loop, 2.5 s is 0.4 s in.
    mEngine.seek(2.5);
    ASSERT_TRUE(waitForFrame([](QColor centre) { return std::abs(centre.redF() - 0.4) < 0.01; }));

    // Paused, the clock stands and nothing more is rendered.
    const std::uint64_t rendered = mEngine.framesRendered();
    spinUntil([] { return false; }, std::chrono::milliseconds(400));
    EXPECT_EQ(mEngine.framesRendered(), rendered);
    EXPECT_NEAR(mEngine.time(), 0.4, 1e-9);

    // Suspended while playing (a job renders): no frames either, and playing resumes after.
    mEngine.setSuspended(true);
    mEngine.play();
    spinUntil([] { return false; }, std::chrono::milliseconds(400));
    EXPECT_EQ(mEngine.framesRendered(), rendered);
    mEngine.setSuspended(false);
    EXPECT_TRUE(spinUntil([&] { return mEngine.framesRendered() > rendered + 2; }));
}

TEST_F(PreviewEngineTest, ShowsACompilerErrorAtOnceAndReloadsOnEachEditAlsoAfterAnAtomicSave) {
    QSignalSpy loaded(&mEngine, &PreviewEngine::compositionLoaded);
    mEngine.pause(); // shown even while paused
    const QByteArray shader("/*{ \"ISFVSN\": \"2\" }*/\nvoid main() { gl_FragColor = %1; }\n");
    const QString path =
        write(QStringLiteral("Edit.fs"), QByteArray(shader).replace("%1", "vec4(undeclared)"));
    mEngine.setJob(jobFor(path));
    ASSERT_TRUE(spinUntil([&] { return !loaded.isEmpty() && !mFrames.isEmpty(); }));
    const QString error = loaded.last().first().toString();
    EXPECT_TRUE(error.contains(QStringLiteral("undeclared"))) << error.toStdString();
    EXPECT_EQ(mEngine.compositionError(), error);
    // The message picture: the preview's size, mostly the dark red background.
    const QImage message = mFrames.last();
    EXPECT_EQ(message.size(), QSize(32, 24));
    EXPECT_EQ(message.pixelColor(0, message.height() - 1), QColor(48, 12, 16));
    EXPECT_TRUE(mEngine.watchedFiles().contains(path));

    // Fixed on disk, written in place: it plays.
    write(QStringLiteral("Edit.fs"), QByteArray(shader).replace("%1", "vec4(0,1,0,1)"));
    ASSERT_TRUE(waitForFrame([](QColor centre) { return centre.green() == 255; }));
    EXPECT_TRUE(mEngine.compositionError().isEmpty());
    mEngine.play();

    // Saved as editors do: a new file renamed over the old one. The path is watched again.
    {
        QSaveFile save(path);
        ASSERT_TRUE(save.open(QIODevice::WriteOnly));
        save.write(QByteArray(shader).replace("%1", "vec4(0,0,1,1)"));
        ASSERT_TRUE(save.commit());
    }
    ASSERT_TRUE(waitForFrame([](QColor centre) { return centre.blue() == 255; }));
    ASSERT_TRUE(spinUntil([&] { return mEngine.watchedFiles().contains(path); }));
    write(QStringLiteral("Edit.fs"), QByteArray(shader).replace("%1", "vec4(1,1,0,1)"));
    ASSERT_TRUE(
        waitForFrame([](QColor centre) { return centre.red() == 255 && centre.green() == 255; }));
}

TEST(PreviewCompilerMessageLineTest, NamesTheLineOfEachDriversLogForm) {
    for (const auto& [log, line] :
         {std::pair{"the fragment shader does not compile:\n0:12(5): error: `x' undeclared\n",
                    "Line 12: error: `x' undeclared"},
          std::pair{"ERROR: 0:7: 'y' : undeclared", "Line 7: 'y' : undeclared"},
          std::pair{"0(3) : error C1008: undefined", "Line 3: error C1008: undefined"},
          std::pair{"\n  no renderer here\n", "no renderer here"}})
        EXPECT_EQ(PreviewCompilerMessageLine(QString::fromLatin1(log)), QString::fromLatin1(line));
}

TEST_F(PreviewEngineTest, EventsPulseOneFrameAndValuesAndKeysChangeWithoutAReload) {
    mEngine.pause();
    QSignalSpy loaded(&mEngine, &PreviewEngine::compositionLoaded);
    RenderJob job = jobFor(write(QStringLiteral("Time.fs"), kTimeShader));
    mEngine.setJob(job);
    ASSERT_TRUE(waitForFrame([](QColor centre) { return centre.blue() == 0; }));

    mEngine.fireEvent(QStringLiteral("flash"));
    ASSERT_TRUE(waitForFrame([](QColor centre) { return centre.blue() == 255; }));
    // The frame after it is dark again.
    mEngine.seek(0.5);
    ASSERT_TRUE(waitForFrame([](QColor centre) { return std::abs(centre.redF() - 0.5) < 0.01; }));
    EXPECT_EQ(mFrames.last().pixelColor(16, 12).blue(), 0);

    // A value reaches the next frame, without reloading the composition; taking it away
    // brings the default back.
    const int loads = int(loaded.count());
    job.inputs.values = {{QStringLiteral("level"), QStringLiteral("1")}};
    mEngine.setJob(job);
    ASSERT_TRUE(waitForFrame([](QColor centre) { return centre.green() == 255; }));
    job.inputs.values.clear();
    mEngine.setJob(job);
    ASSERT_TRUE(waitForFrame([](QColor centre) { return centre.green() == 0; }));
    EXPECT_EQ(loaded.count(), loads);

    // Keyed values move with the preview's time.
    job.inputs.values = {{QStringLiteral("level@0"), QStringLiteral("0")},
                         {QStringLiteral("level@1"), QStringLiteral("1")}};
    mEngine.setJob(job);
    for (const double seconds : {0.2, 0.8, 0.5}) {
        mEngine.seek(seconds);
        ASSERT_TRUE(waitForFrame([seconds](QColor centre) {
            return std::abs(centre.redF() - seconds) < 0.01 &&
                   std::abs(centre.greenF() - seconds) < 0.01;
        })) << seconds;
    }
}

TEST_F(PreviewEngineTest, WithoutAnAudioDeviceTheSteadyClockLeadsAndNothingComplains) {
    if (!QMediaDevices::defaultAudioOutput().isNull())
        GTEST_SKIP() << "an audio device plays here";
    mEngine.setSoundOutputEnabled(true);
    QSignalSpy loaded(&mEngine, &PreviewEngine::compositionLoaded);
    RenderJob job = jobFor(write(QStringLiteral("Time.fs"), kTimeShader), 2.0);
    job.soundMovieURL =
        NSRef<NSURL>(NSURL::fileURLWithPath(resource(QStringLiteral("sounds/demo-arpeggio.m4a"))));
    mEngine.setJob(job);
    ASSERT_TRUE(spinUntil([&] { return !loaded.isEmpty(); }));
    EXPECT_TRUE(loaded.last().first().toString().isEmpty());
    EXPECT_FALSE(mEngine.soundIsClock());
    // The clock runs all the same.
    ASSERT_TRUE(spinUntil([&] { return mTimes.size() >= 2 && mTimes.last() > mTimes.first(); }));
}

TEST_F(PreviewEngineTest, ReloadingOverAndOverHoldsNoMoreMemory) {
    // Each reload makes a new renderer and OpenGL context and lets the last one go.
    const QString files[] = {resource(QStringLiteral("compositions/Aurora.fs")),
                             resource(QStringLiteral("compositions/Ripple.fs"))};
    qint64 afterFour = 0;
    for (int reload = 1; reload <= 24; ++reload) {
        mEngine.setJob(jobFor(files[reload % 2]));
        const qsizetype before = mFrames.size();
        ASSERT_TRUE(spinUntil([&] { return mFrames.size() > before + 2; }));
        mFrames.clear();
        mTimes.clear();
        if (reload == 4)
            afterFour = heldBytes();
    }
    const qint64 afterAll = heldBytes();
    std::printf("held after 4 reloads %.1f MiB, after 24 %.1f MiB\n", double(afterFour) / 1048576.0,
                double(afterAll) / 1048576.0);
    ASSERT_GT(afterFour, 0);
    EXPECT_LE(double(afterAll), 1.10 * double(afterFour));
}

// (Its size and background are pinned by the engine's test of a broken shader.)
TEST(PreviewMessageImageTest, HasTheMessageWrittenOnIt) {
    const QImage image = PreviewMessageImage(QSize(320, 240), QStringLiteral("Broken.fs"),
                                             QStringLiteral("Line 4: error: undeclared"));
    int lit = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            lit += image.pixelColor(x, y).lightness() > 160 ? 1 : 0;
    }
    EXPECT_GT(lit, 200); // the words
}

} // namespace
