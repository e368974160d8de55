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
        expectRuns({"--verbose", "--audio", resource("sounds/demo-arpeggio.m4a"), "--size", "64x48",
                    "--fps", "7", "--duration", "1", "--output=" + mOutput, mComposition});
    ASSERT_EQ(run.out.trimmed(), mOutput + QStringLiteral("/Plain.mov"));
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
    EXPECT_TRUE(entries(temporaryFolder()).isEmpty());
    // The log of a successful job names no failure to put something in the Trash.
    EXPECT_FALSE(run.err.contains(QStringLiteral("Trash"))) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("VERIFIED_NSERROR"))) << run.err.toStdString();
}

// A command line the tool cannot parse ends with 2 and points to the help, before any render.
TEST_F(RenderToolTest, AMistypedCommandLineEndsWithTwoAndPointsToTheHelp) {
    const ToolRun run = runTool({"--format", "gif", "--output", mOutput, mComposition});
    EXPECT_EQ(run.status, 2) << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("lumenreel-render: Invalid format \"gif\"")))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("--help"))) << run.err.toStdString();
    EXPECT_TRUE(entries(mOutput).isEmpty());
}

// (--help is the manual pages test's, --version the Debian package test's.)
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
    mAddressSpaceLimit = 1500LL << 20;
#endif
    // The whole twenty minutes at one frame a second.
    expectRuns({"--audio", sound, "--size", "16x16", "--fps", "1", "--duration", "1200", "--output",
                mOutput, resource("compositions/SpectrumBars.fs")});
    EXPECT_TRUE(QFileInfo::exists(mOutput + QStringLiteral("/SpectrumBars.mov")));
    EXPECT_TRUE(entries(temporaryFolder()).isEmpty());
}

TEST_F(RenderJobLimitsToolTest, AnOutputFolderRemovedDuringTheJobIsNamed) {
    const std::optional<ToolRun> run = runAndAct(
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
    // What a failed or stopped job must leave: its status and each of `reasons` on standard error,
    // nothing on standard output, no final movie but the earlier one (if any), no temporary files,
    // and the recorded video, playable, in the Trash, named in the tool's last line.
    void expectVideoKeptInTheTrash(const std::optional<ToolRun>& run, int status,
                                   const QStringList& reasons,
                                   const QStringList& outputEntries = {}) {
        ASSERT_TRUE(run);
        EXPECT_EQ(run->status, status) << run->err.toStdString();
        for (const QString& reason : reasons)
            EXPECT_TRUE(run->err.contains(reason)) << run->err.toStdString();
        EXPECT_TRUE(run->out.isEmpty());
        EXPECT_EQ(entries(mOutput), outputEntries);
        EXPECT_TRUE(entries(temporaryFolder()).isEmpty())
            << entries(temporaryFolder()).join(' ').toStdString();
        const QString kept = trashFolder() + QStringLiteral("/Plain.qt");
        EXPECT_TRUE(run->err.trimmed().endsWith(QStringLiteral("in the Trash: ") + kept))
            << run->err.toStdString();
        const InspectedMovie movie = inspectMovie(kept);
        ASSERT_TRUE(movie.opened) << movie.error.toStdString();
        ASSERT_EQ(movie.tracks.size(), 1);
        EXPECT_GE(movie.tracks.first().packetPts.size(), 1);
    }
    const QString mTooLarge = QString::fromLocal8Bit(strerror(EFBIG));
};

TEST_F(RenderToolFailureTest, AFrameThatCannotBeWrittenFailsTheJob) {
    writeFile(QStringLiteral("Plain.fs"), kNoiseComposition);
    mFileSizeLimit = 1 << 20;
    expectVideoKeptInTheTrash(
        runTool({"--size", "320x240", "--duration", "2", "--output", mOutput, mComposition}), 1,
        {"could not be written: ", mTooLarge});
}

TEST_F(RenderToolFailureTest, AFinalMovieThatCannotBeWrittenLeavesTheEarlierOneAsItWas) {
    // Thirty seconds of 16-bit stereo silence: 5 MB that the final movie copies.
    const QString sound =
        lavfi("silence.wav", "anullsrc=r=44100:cl=stereo", {"-t", "30", "-c:a", "pcm_s16le"});
    const QString earlier = writeFile(QStringLiteral("out/Plain.mov"), "the earlier movie");
    mFileSizeLimit = 3 << 20;
    expectVideoKeptInTheTrash(runTool({"--audio", sound, "--size", "64x48", "--duration", "1",
                                       "--output", mOutput, mComposition}),
                              1, {"the movie could not be written: ", mTooLarge}, {"Plain.mov"});
    EXPECT_EQ(contentsOf(earlier), QByteArray("the earlier movie"));
}

TEST_F(RenderToolFailureTest, AnInterruptDuringTheFramesStopsCleanly) {
    expectVideoKeptInTheTrash(
        runAndSignal({"--size", "64x48", "--duration", "3600", "--output", mOutput, mComposition},
                     QStringLiteral("Rendering: "), SIGINT),
        130, {"stopped by Interrupt"});
}

TEST_F(RenderToolFailureTest, ATerminationDuringTheFlatteningLeavesNoPartialMovie) {
    // Ten minutes of sound that must be converted to AAC keep the flattening busy.
    const QString sound =
        lavfi("long.flac", "sine=frequency=440:duration=600", {"-ac", "1", "-c:a", "flac"});
    const QString earlier = writeFile(QStringLiteral("out/Plain.mov"), "the earlier movie");
    expectVideoKeptInTheTrash(runAndSignal({"--audio", sound, "--size", "64x48", "--duration", "1",
                                            "--output", mOutput, mComposition},
                                           QStringLiteral("writing the movie"), SIGTERM),
                              143, {"stopped by Terminated"}, {"Plain.mov"});
    EXPECT_EQ(contentsOf(earlier), QByteArray("the earlier movie"));
}

} // namespace
