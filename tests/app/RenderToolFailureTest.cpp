// lumenreel-render when things go wrong while it renders: a full disk, an interrupt, a
// termination. Each case runs the real tool in a child process and looks at what it left on disk.

#include "app/RenderToolRunner.h"
#include "platform/qtkit/MovieInspector.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

using namespace lumenreel::test;

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
    const QString sound = mHome.filePath(QStringLiteral("silence.wav"));
    ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "anullsrc=r=44100:cl=stereo", "-t", "30", "-c:a",
                           "pcm_s16le", sound}));
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
    const QString sound = mHome.filePath(QStringLiteral("long.flac"));
    ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=600", "-ac", "1",
                           "-c:a", "flac", sound}));
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
