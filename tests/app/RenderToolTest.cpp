// lumenreel-render run as a child process: a job that renders, its help and devices; a sound that
// could cost more than the job itself; the lines it writes when a job ends; and what it leaves on
// disk when things go wrong while it renders (a full disk, an interrupt, a termination, an output
// folder removed).

#include "app/RenderToolRunner.h"

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

using namespace lumenreel::test;

TEST_F(RenderToolTest, RendersTheMovieWithSoundAndPrintsItsPath) {
    const ToolRun run =
        expectRuns({"--audio", resource("sounds/demo-arpeggio.m4a"), "--size", "64x48", "--fps",
                    "7", "--duration", "1", "--output=" + mOutput, mComposition});
    ASSERT_EQ(run.out.trimmed(), outputMovie());
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
    // (The movie's tracks as readers see them are the delivery formats test's.)
    EXPECT_TRUE(entries(mTool->temporaryFolder()).isEmpty());
}

// (--help is the manual pages test's.)
TEST_F(RenderToolTest, TheVersionExitsZero) {
    EXPECT_TRUE(expectRuns({"--version"}).out.startsWith(QStringLiteral("lumenreel-render ")));
}

TEST_F(RenderToolTest, ListsTheEGLDevicesAndRendersOnTheOneChosen) {
    const QStringList devices = expectRuns({"--device", "list"}).out.trimmed().split(u'\n');
    ASSERT_TRUE(devices.first().startsWith(QStringLiteral("0: ")))
        << devices.join('\n').toStdString();
    expectRefused({"--device", QString::number(devices.size()), "--output", mOutput, mComposition},
                  QStringLiteral("no EGL device"), 2);
    expectRuns(
        {"--device", "0", "--size", "16x16", "--duration", "0", "--output", mOutput, mComposition});
}

using RenderJobLimitsToolTest = RenderToolTest;

TEST_F(RenderJobLimitsToolTest, ALongSoundCostsNoMoreMemoryThanTheFramesShowOfIt) {
    // Twenty minutes of silence: 400 MB as float, more than the address space allows here.
    const QString sound =
        lavfi("long.flac", "anullsrc=channel_layout=stereo:sample_rate=44100:d=1200");
#ifndef __SANITIZE_ADDRESS__
    // (AddressSanitizer reserves terabytes of address space for itself: no limit there.)
    mTool->setAddressSpaceLimit(1500LL << 20);
#endif
    // The whole twenty minutes at one frame a second.
    expectRuns({"--audio", sound, "--size", "16x16", "--fps", "1", "--duration", "1200", "--output",
                mOutput, resource("compositions/SpectrumBars.fs")});
    EXPECT_TRUE(QFileInfo::exists(mOutput + QStringLiteral("/SpectrumBars.mov")));
    EXPECT_TRUE(entries(mTool->temporaryFolder()).isEmpty());
}

TEST_F(RenderJobLimitsToolTest, ASuccessfulJobLogsNoTrashFailures) {
    const ToolRun run =
        expectRuns({"--verbose", "--audio", resource("sounds/demo-arpeggio.m4a"), "--size", "32x24",
                    "--duration", "0.5", "--output", mOutput, mComposition});
    EXPECT_FALSE(run.err.contains(QStringLiteral("Trash"))) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("VERIFIED_NSERROR"))) << run.err.toStdString();
}

TEST_F(RenderJobLimitsToolTest, AnOutputFolderRemovedDuringTheJobIsNamed) {
    const std::optional<ToolRun> run = mTool->runAndAct(
        {"--size", "64x48", "--duration", "300", "--output", mOutput, mComposition},
        [](const QString& err) { return err.contains(QStringLiteral("Rendering: ")); },
        [this](qint64) { QDir(mOutput).removeRecursively(); });
    ASSERT_TRUE(run);
    EXPECT_EQ(run->status, 1) << run->err.toStdString();
    EXPECT_TRUE(run->err.contains(QStringLiteral("the movie could not be written: the output "
                                                 "folder %1 is gone;")
                                      .arg(mOutput)))
        << run->err.toStdString();
    EXPECT_FALSE(run->err.contains(QStringLiteral("cannot create the temporary movie")))
        << run->err.toStdString();
}

// Noise that changes every frame: the Animation codec cannot make it much smaller than the
// pixels themselves.
constexpr const char* kNoiseComposition = R"(/*{ "ISFVSN": "2", "INPUTS": [] }*/
void main() {
    vec2 p = gl_FragCoord.xy + vec2(FRAMEINDEX * 17.0, FRAMEINDEX * 3.0);
    float n = fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453);
    gl_FragColor = vec4(n, fract(n * 7.0), fract(n * 13.0), 1.0);
}
)";

class RenderToolFailureTest : public RenderToolTest {
protected:
    // What a failed or stopped job must leave: no final movie but the earlier one (if any), no
    // temporary files, and the recorded video, playable, in the Trash, named in the tool's last
    // line.
    void expectVideoKeptInTheTrash(const ToolRun& run, const QStringList& outputEntries = {}) {
        EXPECT_EQ(entries(mOutput), outputEntries);
        EXPECT_TRUE(entries(mTool->temporaryFolder()).isEmpty())
            << entries(mTool->temporaryFolder()).join(' ').toStdString();
        const QString kept = mTool->trashFolder() + QStringLiteral("/Plain.qt");
        EXPECT_TRUE(run.err.trimmed().endsWith(QStringLiteral("in the Trash: ") + kept))
            << run.err.toStdString();
        const InspectedMovie movie = inspectMovie(kept);
        ASSERT_TRUE(movie.opened) << movie.error.toStdString();
        ASSERT_EQ(movie.tracks.size(), 1);
        EXPECT_GE(movie.tracks.first().packetPts.size(), 1);
    }
};

TEST_F(RenderToolFailureTest, AFrameThatCannotBeWrittenFailsTheJob) {
    writeFile(QStringLiteral("Plain.fs"), kNoiseComposition);
    mTool->setFileSizeLimit(1 << 20);
    const ToolRun run =
        mTool->run({"--size", "320x240", "--duration", "2", "--output", mOutput, mComposition});
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("could not be written: ")));
    EXPECT_TRUE(run.err.contains(QString::fromLocal8Bit(strerror(EFBIG))));
    EXPECT_TRUE(run.out.isEmpty());
    expectVideoKeptInTheTrash(run);
}

TEST_F(RenderToolFailureTest, AFinalMovieThatCannotBeWrittenLeavesTheEarlierOneAsItWas) {
    // Thirty seconds of 16-bit stereo silence: 5 MB that the final movie copies.
    const QString sound =
        lavfi("silence.wav", "anullsrc=r=44100:cl=stereo", {"-t", "30", "-c:a", "pcm_s16le"});
    const QString earlier = writeFile(QStringLiteral("out/Plain.mov"), "the earlier movie");

    mTool->setFileSizeLimit(3 << 20);
    const ToolRun run = mTool->run({"--audio", sound, "--size", "64x48", "--duration", "1",
                                    "--output", mOutput, mComposition});
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("the movie could not be written: ")));
    EXPECT_TRUE(run.err.contains(QString::fromLocal8Bit(strerror(EFBIG))));
    EXPECT_EQ(contentsOf(earlier), QByteArray("the earlier movie"));
    expectVideoKeptInTheTrash(run, {QStringLiteral("Plain.mov")});
}

TEST_F(RenderToolFailureTest, AnInterruptDuringTheFramesStopsCleanly) {
    const std::optional<ToolRun> run = mTool->runAndSignal(
        {"--size", "64x48", "--duration", "3600", "--output", mOutput, mComposition},
        QStringLiteral("Rendering: "), SIGINT);
    ASSERT_TRUE(run);
    EXPECT_EQ(run->status, 130) << run->err.toStdString();
    EXPECT_TRUE(run->err.contains(QStringLiteral("stopped by Interrupt")));
    expectVideoKeptInTheTrash(*run);
}

TEST_F(RenderToolFailureTest, ATerminationDuringTheFlatteningLeavesNoPartialMovie) {
    // Ten minutes of sound that must be converted to AAC keep the flattening busy.
    const QString sound =
        lavfi("long.flac", "sine=frequency=440:duration=600", {"-ac", "1", "-c:a", "flac"});
    const QString earlier = writeFile(QStringLiteral("out/Plain.mov"), "the earlier movie");
    const std::optional<ToolRun> run = mTool->runAndSignal(
        {"--audio", sound, "--size", "64x48", "--duration", "1", "--output", mOutput, mComposition},
        QStringLiteral("writing the movie"), SIGTERM);
    ASSERT_TRUE(run);
    EXPECT_EQ(run->status, 143) << run->err.toStdString();
    EXPECT_TRUE(run->err.contains(QStringLiteral("stopped by Terminated")));
    EXPECT_EQ(contentsOf(earlier), QByteArray("the earlier movie"));
    expectVideoKeptInTheTrash(*run, {QStringLiteral("Plain.mov")});
}

} // namespace
