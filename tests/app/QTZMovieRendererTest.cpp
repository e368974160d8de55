#include "app/job/QTZMovieRenderer.h"

#include "common/LogCapture.h"
#include "common/TestSupport.h"
#include "interface/USecuritySandbox/USandboxTempFolder.h"
#include "movie/QTKitMovieRecorder/QStillFrameMovieRecorder.h"
#include "movie/QTKitMovieRecorder/QStillFrameRecorderConfig.h"
#include "platform/foundation/NSOperationQueue.h"
#include "platform/foundation/NSURL.h"
#include "platform/qtkit/FlattenedMovieWriter.h"
#include "platform/qtkit/MovieInspector.h"
#include "platform/quartzcomposer/QCGraphicsReset.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

namespace {

using namespace lumenreel::test;

// Red is the frame's time in units of 1/25 s times 10.
constexpr const char* kClockComposition = R"(/*{ "ISFVSN": "2", "INPUTS": [] }*/
void main() { gl_FragColor = vec4(TIME * 250.0 / 255.0, 0.0, 0.25, 1.0); }
)";

class QTZMovieRendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mFolder.isValid());
        qputenv("XDG_DATA_HOME", mFolder.filePath(QStringLiteral("data")).toUtf8());
        mSavedFramesPerSecond = QStillFrameRecorder_Config_RenderFPS;
        mRecorder = NSAdopt(NSAllocInit<QStillFrameMovieRecorder>());
        mRenderer = NSAdopt(NSAllocInit<QTZMovieRenderer>());
        mRenderer->outletRecorder = mRecorder.get();
        mRenderer->setRendererSurfaceSizePixels(QSizeF(8, 8));
        QObject::connect(mRenderer.get(), &QTZMovieRenderer::progressChanged,
                         [this](double fraction) { mProgress = fraction; });
        QObject::connect(mRenderer.get(), &QTZMovieRenderer::previewChanged,
                         [this](NSImage* image) { mPreviews += image ? 1 : 0; });
        QObject::connect(mRenderer.get(), &QTZMovieRenderer::renderJobFinished,
                         [this](bool written) {
                             ++mFinishedJobs;
                             mMovieWritten = written;
                         });
    }

    void TearDown() override {
        QStillFrameRecorder_Config_RenderFPS = mSavedFramesPerSecond;
        if (mRenderer)
            mRenderer->setRenderer(nullptr);
    }

    // Writes the composition `name`.fs (`text`) and makes it the job's; its movie, `name`.mov.
    QString prepareJob(const QString& name, const QByteArray& text = kClockComposition) {
        const QString composition = writeTestFile(mFolder.filePath(name + ".fs"), text);
        mRenderer->setInputCompositionURL(NSURL::fileURLWithPath(composition, false));
        const QString movie = mFolder.filePath(name + QStringLiteral(".mov"));
        mRenderer->setOutputFinalMovieFile(movie);
        return movie;
    }

    // Runs one whole job of the composition `name` and waits for its end. Returns the final
    // movie's path.
    QString render(const QString& name, double duration, unsigned framesPerSecond,
                   const QString& audio = {}, const QByteArray& text = kClockComposition) {
        NSAutoreleasePool pool;
        mRenderer->setFramesPerSecond(framesPerSecond);
        const QString finalMovie = prepareJob(name, text);
        mRenderer->setInputAudioMovieURL(audio.isEmpty() ? nullptr
                                                         : NSURL::fileURLWithPath(audio, false));
        mRenderer->setOutputMovieDuration(duration);
        const int before = mFinishedJobs;
        EXPECT_TRUE(mRenderer->renderToMovie());
        EXPECT_TRUE(spinUntil([&] { return mFinishedJobs > before; }, std::chrono::minutes(5)));
        return finalMovie;
    }

    QTemporaryDir mFolder;
    std::uint32_t mSavedFramesPerSecond = 30;
    NSRef<QStillFrameMovieRecorder> mRecorder;
    NSRef<QTZMovieRenderer> mRenderer;
    double mProgress = 0.0;
    std::uint64_t mPreviews = 0;
    int mFinishedJobs = 0;
    bool mMovieWritten = false;
};

struct FrameCountCase {
    double duration;
    unsigned framesPerSecond;
    int frames;
    std::int64_t units; // at time scale 600
    // Where known: the preview is refreshed where the truncated percentage of the frame's time
    // is a new whole multiple of five (0, 20, 40, 60, 80 and 100 for 1 s at 25 fps).
    unsigned previews = 0;
};

void PrintTo(const FrameCountCase& job, std::ostream* out) {
    *out << job.duration << "s at " << job.framesPerSecond << " fps";
}

class QTZMovieRendererFrameCount : public QTZMovieRendererTest,
                                   public ::testing::WithParamInterface<FrameCountCase> {};

TEST_P(QTZMovieRendererFrameCount, FramesUpToTheDurationAreWrittenEachAtItsTime) {
    const FrameCountCase& expected = GetParam();
    const QString movie =
        render(QStringLiteral("Count"), expected.duration, expected.framesPerSecond);
    ASSERT_TRUE(mMovieWritten);
    const InspectedMovie inspected = inspectMovie(movie);
    ASSERT_TRUE(inspected.opened) << inspected.error.toStdString();
    ASSERT_EQ(inspected.tracks.size(), 1);
    const auto& video = inspected.tracks.first();
    EXPECT_EQ(video.packetPts.size(), expected.frames);
    // The final movie keeps the recorder's time scale, and every frame lasts 600/fps units to
    // within one unit, so that the picture keeps pace with its sound at any rate.
    EXPECT_EQ(std::pair(video.timeBaseNum, video.timeBaseDen), std::pair(1, 600));
    std::int64_t units = 0;
    for (std::int64_t length : video.packetDurations) {
        units += length;
        EXPECT_LT(std::abs(double(length) - 600.0 / expected.framesPerSecond), 1.0);
    }
    EXPECT_EQ(units, expected.units);
    EXPECT_EQ(mProgress, 1.0);
    // The preview is refreshed at most at every twentieth of the job.
    EXPECT_LE(mPreviews, 21u);
    if (expected.previews) {
        EXPECT_EQ(mPreviews, expected.previews);
    }

    // Frame k shows the composition at k/fps (red, full from 1.02 s on); which way up is the
    // renderer's and the movie writer's to check.
    const QList<QImage> frames = decodeVideoFrames(movie, 0);
    ASSERT_EQ(frames.size(), expected.frames);
    for (int k = 0; k < frames.size(); ++k)
        EXPECT_NEAR(qRed(frames[k].pixel(0, 0)),
                    std::min(255.0, 250.0 * k / expected.framesPerSecond), 1)
            << "frame " << k;
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, QTZMovieRendererFrameCount,
    ::testing::Values(FrameCountCase{10.0, 30, 301, 301 * 20},
                      FrameCountCase{1.0, 25, 26, 26 * 24, 6}, FrameCountCase{0.0, 30, 1, 20},
                      FrameCountCase{10.0, 7, 71, 6086}, FrameCountCase{0.3, 10, 4, 240},
                      FrameCountCase{static_cast<double>(33.3f), 30, 999, 19980}));

// (That they are gone after a job is the render tool's and the window's tests'.)
TEST_F(QTZMovieRendererTest, TemporaryFilesAreNamedAfterTheComposition) {
    NSAutoreleasePool pool;
    mRenderer->setInputCompositionURL(NSURL::fileURLWithPath(mFolder.filePath("a.b.fs"), false));
    const QDir temporary(USandboxTempFolder::sharedTempFolderPath());
    EXPECT_EQ(mRenderer->outputTempVideoFile(), temporary.filePath(QStringLiteral("a.b.qt")));
    EXPECT_EQ(mRenderer->outputTempMovieFile(), temporary.filePath(QStringLiteral("a.b.MooV")));
}

TEST_F(QTZMovieRendererTest, AJobDuringAPendingFlatteningRendersNothing) {
    NSRef<NSOperationQueue> pending = NSAdopt(new NSOperationQueue());
    mRenderer->setFlattenerQueue(pending.get());
    LogCapture log;
    render(QStringLiteral("Pending"), 1.0, 30);
    EXPECT_FALSE(mMovieWritten);
    EXPECT_FALSE(mRenderer->isRendering());
    EXPECT_TRUE(log.text().contains(QStringLiteral("renderComposition:file://") +
                                    mFolder.filePath(QStringLiteral("Pending.fs"))));
    EXPECT_FALSE(log.text().contains(QStringLiteral("self.outputTempVideoFile")));
    EXPECT_FALSE(QFileInfo::exists(mRenderer->outputTempVideoFile()));
    EXPECT_EQ(mPreviews, 0u);
    mRenderer->setFlattenerQueue(nullptr);
}

TEST_F(QTZMovieRendererTest, AFailedLoadDropsTheEarlierCompositionAndRendersNothing) {
    render(QStringLiteral("Good"), 0.1, 30);
    ASSERT_TRUE(mMovieWritten);
    ASSERT_NE(mRenderer->renderer(), nullptr);

    LogCapture log;
    render(QStringLiteral("Bad"), 0.1, 30, {}, "not a shader at all");
    EXPECT_FALSE(mMovieWritten);
    EXPECT_EQ(mRenderer->renderer(), nullptr);
    EXPECT_FALSE(QFileInfo::exists(mFolder.filePath(QStringLiteral("Bad.mov"))));
    EXPECT_TRUE(log.text().contains(QStringLiteral("is not a composition")));
}

// A job that does not validate, or is to last as long as a sound whose length cannot be read, is
// refused with its reason; a started job is the render thread's own, and a second start while it
// renders is refused.
TEST_F(QTZMovieRendererTest, RefusesAnInvalidJobAndASecondStartWhileRendering) {
    NSAutoreleasePool pool;
    const QString movie = prepareJob(QStringLiteral("Busy"));
    LogCapture log;
    mRenderer->setFramesPerSecond(601);
    mRenderer->setOutputMovieDuration(1.0);
    EXPECT_FALSE(mRenderer->renderToMovie());
    EXPECT_TRUE(log.text().contains(QStringLiteral("more than the video time scale of 600; the "
                                                   "job is refused")));
    mRenderer->setFramesPerSecond(30);
    mRenderer->setDurationFromSound(true);
    mRenderer->setInputAudioMovieURL(mRenderer->inputCompositionURL());
    EXPECT_FALSE(mRenderer->renderToMovie());
    EXPECT_TRUE(log.text().contains(QStringLiteral("the sound's length cannot be read")))
        << log.text().toStdString();
    EXPECT_FALSE(QFileInfo::exists(movie));

    mRenderer->setDurationFromSound(false);
    mRenderer->setInputAudioMovieURL(nullptr);
    ASSERT_TRUE(mRenderer->renderToMovie());
    mRenderer->setFramesPerSecond(0);
    mRenderer->setOutputMovieDuration(3.0);
    EXPECT_FALSE(mRenderer->renderToMovie());
    EXPECT_TRUE(log.text().contains(QStringLiteral("a job is still rendering")));
    EXPECT_TRUE(spinUntil([&] { return mFinishedJobs == 1; }, std::chrono::minutes(2)));
    EXPECT_TRUE(mMovieWritten);
    const InspectedMovie inspected = inspectMovie(movie);
    ASSERT_EQ(inspected.tracks.size(), 1);
    EXPECT_EQ(inspected.tracks.first().packetPts.size(), 31);
}

// A GPU reset ends the job at once with a line that says so, keeping the frames rendered so far,
// as for other failures.
TEST_F(QTZMovieRendererTest, AGPUResetFailsTheJobAndKeepsItsVideo) {
    NSAutoreleasePool pool;
    prepareJob(QStringLiteral("Reset"));
    mRenderer->setOutputMovieDuration(3600.0);
    ASSERT_TRUE(mRenderer->renderToMovie());
    ASSERT_TRUE(spinUntil([&] { return mProgress > 0.0; }, std::chrono::minutes(2)));
    QCSimulateGraphicsResetForTesting(GL_GUILTY_CONTEXT_RESET);
    const bool finished = spinUntil([&] { return mFinishedJobs == 1; }, std::chrono::minutes(2));
    QCSimulateGraphicsResetForTesting(0);
    ASSERT_TRUE(finished);
    EXPECT_FALSE(mMovieWritten);
    EXPECT_FALSE(mRenderer->lastJobWasCancelled());
    EXPECT_TRUE(mRenderer->lastJobFailureReason().contains(QStringLiteral("GPU was reset")))
        << mRenderer->lastJobFailureReason().toStdString();
    const InspectedMovie inspected = inspectMovie(mRenderer->lastJobRecoverableVideo());
    ASSERT_TRUE(inspected.opened) << inspected.error.toStdString();
    EXPECT_GE(inspected.tracks.first().packetPts.size(), 1);
}

// A job timed by its sound, looped or with its sound cut, as libavformat reads its movie back.
struct TimingCase {
    const char* sound; // a sound file the test makes: "short.wav" 2.5 s, "long.*" 20 s
    double duration;   // the Seconds setting (the sound's length replaces it when fromSound)
    unsigned framesPerSecond;
    bool fromSound, loop, cut;
    int frames;
    double videoSeconds;
    double soundSeconds; // the sound track's end; -1: as long as the video (to within a packet)
};

void PrintTo(const TimingCase& job, std::ostream* out) {
    *out << job.sound << " " << job.duration << "s at " << job.framesPerSecond << " fps"
         << (job.fromSound ? " from the sound" : "") << (job.loop ? " loop" : "")
         << (job.cut ? " cut" : "");
}

class QTZMovieRendererTiming : public QTZMovieRendererTest,
                               public ::testing::WithParamInterface<TimingCase> {
protected:
    static void SetUpTestSuite() {
        sSounds = std::make_unique<QTemporaryDir>();
        const auto make = [](const char* name, const char* seconds, const char* codec) {
            return runFfmpeg({"-f", "lavfi", "-i", QStringLiteral("sine=r=48000:d=") + seconds,
                              "-c:a", codec, sSounds->filePath(name)});
        };
        ASSERT_TRUE(make("short.wav", "2.5", "pcm_s16le") && make("long.wav", "20", "pcm_s16le") &&
                    make("long.mov", "20", "pcm_s24le") && make("long.m4a", "20", "aac") &&
                    make("long.flac", "20", "flac"));
    }
    static void TearDownTestSuite() { sSounds.reset(); }
    static inline std::unique_ptr<QTemporaryDir> sSounds;
};

TEST_P(QTZMovieRendererTiming, FramesAndTracksFollowTheTiming) {
    const TimingCase& expected = GetParam();
    mRenderer->setDurationFromSound(expected.fromSound);
    mRenderer->setLoops(expected.loop);
    mRenderer->setCutsSound(expected.cut);
    const int takenAhead = qtkit::flatteningsTakenAhead();
    const QString movie =
        render(QStringLiteral("Timed"), expected.duration, expected.framesPerSecond,
               sSounds->filePath(QString::fromLatin1(expected.sound)));
    ASSERT_TRUE(mMovieWritten) << mRenderer->lastJobFailureReason().toStdString();
    // The movie written along the recording is the one the flattener asked for.
    EXPECT_EQ(qtkit::flatteningsTakenAhead(), takenAhead + 1);
    // The Seconds setting itself stays as it was.
    EXPECT_EQ(mRenderer->outputMovieDuration(), expected.duration);

    const InspectedMovie inspected = inspectMovie(movie);
    ASSERT_TRUE(inspected.opened) << inspected.error.toStdString();
    ASSERT_EQ(inspected.tracks.size(), 2);
    const auto& sound = inspected.tracks[0];
    const auto& video = inspected.tracks[1];
    ASSERT_EQ(video.mediaType, QStringLiteral("video"));
    EXPECT_EQ(video.packetPts.size(), expected.frames);
    EXPECT_NEAR(video.seconds, expected.videoSeconds, 1e-9);
    if (expected.soundSeconds >= 0) {
        EXPECT_NEAR(sound.seconds, expected.soundSeconds, 1e-6);
    } else if (QString::fromLatin1(expected.sound).endsWith(u".m4a")) {
        // Compressed sound copied as it is ends with the packet that holds the video's end.
        EXPECT_GE(sound.seconds, video.seconds - 1e-6);
        EXPECT_LT(sound.seconds, video.seconds + 1024.0 / 48000.0);
    } else {
        // Uncompressed or converted sound ends on the video's last sample.
        EXPECT_NEAR(sound.seconds, video.seconds, 1.0 / 48000.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, QTZMovieRendererTiming,
    ::testing::Values(
        // As long as the sound: its 2.5 s take the place of the Seconds setting.
        TimingCase{"short.wav", 9.0, 30, true, false, false, 76, 1520 / 600.0, 2.5},
        TimingCase{"short.wav", 9.0, 30, true, true, false, 75, 2.5, 2.5},
        // A loop leaves the end frame out: duration x fps frames.
        TimingCase{"long.wav", 1.0, 25, false, true, false, 25, 1.0, 20.0},
        TimingCase{"short.wav", 2.5, 7, false, true, false, 18, 1543 / 600.0, 2.5},
        // The sound cut at the video's end, whatever its kind; a shorter sound stays whole.
        TimingCase{"long.wav", 1.0, 30, false, false, true, 31, 620 / 600.0, -1},
        TimingCase{"long.mov", 1.0, 25, false, true, true, 25, 1.0, -1},
        TimingCase{"long.m4a", 1.0, 30, false, false, true, 31, 620 / 600.0, -1},
        TimingCase{"long.flac", 1.0, 30, false, false, true, 31, 620 / 600.0, -1},
        TimingCase{"short.wav", 4.0, 30, false, false, true, 121, 4.0 + 1 / 30.0, 2.5}));

} // namespace
