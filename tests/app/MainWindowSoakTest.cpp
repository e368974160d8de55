// Twenty jobs one after another from one window, as a long session of a person's would go: the
// files picked in (scripted) open panels, short compositions with sound, some stopped part way,
// one that does not compile. What the process holds after the last job must be what it held
// after the second: its resident memory within 10 %, its open files within 4, and no temporary
// file left. Under the address sanitizer, whose allocator keeps the pages of freed memory
// resident in its own regions, the live heap it counts stands for the resident memory.

#include "MainWindowFixture.h"

#include "interface/USecuritySandbox/USandboxTempFolder.h"

namespace {

using namespace lumenreel::test;

using MainWindowSoakTest = WindowFixture;

enum class Job { Written, Stopped, Broken };

TEST_F(MainWindowSoakTest, TwentyJobsFromOneWindowLeaveNothingBehind) {
    const QString broken = brokenComposition();
    const QStringList scenes{resource(QStringLiteral("compositions/Aurora.fs")),
                             resource(QStringLiteral("compositions/SunsetWaves.glsl")),
                             resource(QStringLiteral("compositions/SpectrumBars.fs"))};
    const QString out = sHome->filePath(QStringLiteral("soak"));
    chooseFolder(out);
    sDelegate->setMovieDimensions(0);
    sDelegate->setValue_forKey(15u, QStringLiteral("compositionMovieFrameRate"));
    auto* progress =
        qobject_cast<NSProgressIndicator*>(sDelegate->outletQuartzMovieRenderer->outletProgress);
    ASSERT_NE(progress, nullptr);
    // Paused, the live preview shows one frame of each choice instead of playing between the
    // jobs: what is measured here is the jobs' memory (the preview's own reloads are measured by
    // its engine's tests).
    GKPreviewController* preview = GKPreviewController::controllerForDelegate(sDelegate);
    ASSERT_NE(preview, nullptr);
    preview->engine()->pause();
    // The preview keeps the sound decoded for the longest loop it has played (the stopped jobs'
    // 8 s against 0.4 s when first measured): state, not growth, and not the jobs'.
    preview->engine()->setSoundOutputEnabled(false);

    qint64 heldAfterSecond = 0;
    qint64 residentAfterSecond = 0;
    int filesAfterSecond = 0;
    for (int index = 0; index < 20; ++index) {
        SCOPED_TRACE(testing::Message() << "job " << index + 1);
        // What one pass of the application's event loop releases at its end.
        NSAutoreleasePool pool;
        const Job job = index == 6 ? Job::Broken : index % 5 == 3 ? Job::Stopped : Job::Written;
        chooseComposition(job == Job::Broken ? broken : scenes[index % scenes.size()]);
        chooseSound();
        sDelegate->setValue_forKey(job == Job::Stopped ? 8.0 : 0.4,
                                   QStringLiteral("compositionMovieDuration"));
        const int alerts = int(mAlerts->messages.size());
        ASSERT_TRUE(startRender()) << status();
        if (job == Job::Stopped) {
            ASSERT_TRUE(
                spinUntil([&] { return progress->doubleValue() >= 0.5; }, std::chrono::minutes(2)));
            sDelegate->actionCancelRendering(nullptr);
        }
        ASSERT_TRUE(waitUntilIdle(std::chrono::minutes(2)));
        // What each kind of job says in the status line; a broken one alerts as well (a movie
        // written again asks before it is replaced).
        const QString status = sDelegate->statusText();
        const char* said[] = {"Written: ", "Stopped.", "No movie was written"};
        EXPECT_TRUE(status.startsWith(QLatin1String(said[int(job)]))) << status.toStdString();
        if (job == Job::Broken) {
            EXPECT_EQ(mAlerts->messages.size(), alerts + 1);
        }
        // Let what the job posted to the main thread run before measuring.
        QTest::qWait(200);
        if (index == 1) {
            heldAfterSecond = heldBytes();
            residentAfterSecond = residentBytes();
            filesAfterSecond = openFileDescriptors();
        }
    }
    const qint64 held = heldBytes();
    const int files = openFileDescriptors();
    std::printf("resident memory after job 2: %.1f MiB, after job 20: %.1f MiB; compared: %.1f "
                "and %.1f MiB (%+.1f %%); open files %d and %d\n",
                double(residentAfterSecond) / 1048576.0, double(residentBytes()) / 1048576.0,
                double(heldAfterSecond) / 1048576.0, double(held) / 1048576.0,
                100.0 * double(held - heldAfterSecond) / double(heldAfterSecond), filesAfterSecond,
                files);
    ASSERT_GT(heldAfterSecond, 0);
    EXPECT_LE(double(held), 1.10 * double(heldAfterSecond));
    EXPECT_LE(files, filesAfterSecond + 4);

    // The temporary folder is empty, and the output folder holds finished movies only.
    EXPECT_EQ(filesUnder(USandboxTempFolder::sharedTempFolderPath()), QStringList());
    const QDir movies(out);
    EXPECT_EQ(filesUnder(out),
              (QStringList{movies.filePath("Aurora.mov"), movies.filePath("SpectrumBars.mov"),
                           movies.filePath("SunsetWaves.mov")}));
}

} // namespace
