#include "app/RenderToolRunner.h"
#include "platform/qtkit/MovieInspector.h"

namespace {

using namespace lumenreel::test;

TEST_F(RenderToolTest, RendersTheMovieWithSoundAndPrintsItsPath) {
    // 7 does not divide the time scale of 600: the frames still add up to the job's length.
    const ToolRun run =
        mTool->run({"--audio", resource("sounds/demo-arpeggio.m4a"), "--size", "64x48", "--fps",
                    "7", "--duration", "1", "--output=" + mOutput, mComposition});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.trimmed(), outputMovie());
    EXPECT_TRUE(run.err.contains(QStringLiteral("8 frames")));
    // The 10 s sound against 1.14 s of video: a warning that names the cure comes first.
    const QStringList lines = run.err.split(u'\n');
    EXPECT_TRUE(lines.first().startsWith(QStringLiteral("lumenreel-render: warning: the sound")) &&
                lines.first().contains(QStringLiteral("--cut-sound")))
        << run.err.toStdString();
    // The job's line says what renders ("on llvmpipe, CPU" here, a GPU's name elsewhere).
    EXPECT_TRUE(lines.value(1).startsWith(QStringLiteral("Rendering ")) &&
                lines.value(1).contains(QStringLiteral(", on ")))
        << run.err.toStdString();
    const InspectedMovie inspected = inspectMovie(outputMovie());
    ASSERT_TRUE(inspected.opened) << inspected.error.toStdString();
    ASSERT_EQ(inspected.tracks.size(), 2);
    EXPECT_EQ(inspected.tracks[0].mediaType, QStringLiteral("audio"));
    const InspectedTrack& video = inspected.tracks[1];
    EXPECT_EQ(video.mediaType, QStringLiteral("video"));
    EXPECT_EQ(video.width, 64);
    ASSERT_EQ(video.packetPts.size(), 8);
    ASSERT_EQ(video.timeBaseDen, 600);
    std::int64_t units = 0;
    for (const std::int64_t length : video.packetDurations) {
        EXPECT_TRUE(length == 85 || length == 86) << length;
        units += length;
    }
    EXPECT_EQ(units, 686); // 8 frames of 600/7 units, rounded once
    EXPECT_TRUE(entries(mTool->temporaryFolder()).isEmpty());
}

TEST_F(RenderToolTest, HelpAndVersionExitZero) {
    const ToolRun help = mTool->run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--preset")));
    const ToolRun version = mTool->run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("lumenreel-render ")));
}

TEST_F(RenderToolTest, ListsTheEGLDevicesAndRendersOnTheOneChosen) {
    const ToolRun list = mTool->run({"--device", "list"});
    ASSERT_EQ(list.status, 0) << list.err.toStdString();
    const QStringList devices = list.out.trimmed().split(u'\n');
    ASSERT_FALSE(devices.isEmpty());
    EXPECT_TRUE(devices.first().startsWith(QStringLiteral("0: "))) << list.out.toStdString();
    expectRefused({"--device", QString::number(devices.size()), "--output", mOutput, mComposition},
                  QStringLiteral("no EGL device"), 2);
    expectRefused({"--device", "first", "--output", mOutput, mComposition},
                  QStringLiteral("Invalid device"), 2);
    const ToolRun chosen = mTool->run(
        {"--device", "0", "--size", "16x16", "--duration", "0", "--output", mOutput, mComposition});
    EXPECT_EQ(chosen.status, 0) << chosen.err.toStdString();
}

} // namespace
