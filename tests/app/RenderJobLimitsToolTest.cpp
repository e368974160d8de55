// lumenreel-render with a sound that could cost more than the job itself, and the lines it writes
// when a job ends: a successful one, and one whose output folder went away while it rendered.

#include "app/RenderToolRunner.h"
#include "platform/qtkit/MovieInspector.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

using namespace lumenreel::test;

using RenderJobLimitsToolTest = RenderToolTest;

TEST_F(RenderJobLimitsToolTest, ALongSoundCostsNoMoreMemoryThanTheFramesShowOfIt) {
    // Twenty minutes of silence: 400 MB as float, more than the address space allows here.
    const QString sound = mHome.filePath(QStringLiteral("long.flac"));
    ASSERT_TRUE(
        runFfmpeg({"-f", "lavfi", "-i", "anullsrc=channel_layout=stereo:sample_rate=44100:d=1200",
                   "-c:a", "flac", sound}));
#ifndef __SANITIZE_ADDRESS__
    // (AddressSanitizer reserves terabytes of address space for itself: no limit there.)
    mTool->setAddressSpaceLimit(1500LL << 20);
#endif
    // The whole twenty minutes at one frame a second.
    const ToolRun run =
        mTool->run({"--audio", sound, "--size", "16x16", "--fps", "1", "--duration", "1200",
                    "--output", mOutput, resource("compositions/SpectrumBars.fs")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(mOutput + QStringLiteral("/SpectrumBars.mov")));
    EXPECT_TRUE(entries(mTool->temporaryFolder()).isEmpty());
}

TEST_F(RenderJobLimitsToolTest, ASuccessfulJobLogsNoTrashFailures) {
    const ToolRun run =
        mTool->run({"--verbose", "--audio", resource("sounds/demo-arpeggio.m4a"), "--size", "32x24",
                    "--duration", "0.5", "--output", mOutput, mComposition});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("Trash"))) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("VERIFIED_NSERROR"))) << run.err.toStdString();
}

TEST_F(RenderJobLimitsToolTest, AnOutputFolderRemovedDuringTheJobIsNamed) {
    const std::optional<ToolRun> run = mTool->runAndAct(
        {"--size", "64x48", "--duration", "300", "--output", mOutput, mComposition},
        QStringLiteral("Rendering: "), [this](qint64) { QDir(mOutput).removeRecursively(); });
    ASSERT_TRUE(run);
    EXPECT_EQ(run->status, 1) << run->err.toStdString();
    EXPECT_TRUE(run->err.contains(QStringLiteral("the movie could not be written: the output "
                                                 "folder %1 is gone;")
                                      .arg(mOutput)))
        << run->err.toStdString();
    EXPECT_FALSE(run->err.contains(QStringLiteral("cannot create the temporary movie")))
        << run->err.toStdString();
}

} // namespace
