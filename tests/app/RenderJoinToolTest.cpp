// The join checks the video it takes, not only what segments say of themselves, and stops as a
// job stops.

#include "app/RenderToolRunner.h"
#include "platform/qtkit/MovieInspector.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>

namespace {

using namespace lumenreel::test;

class RenderJoinToolTest : public RenderToolTest {
protected:
    // Renders frames `range` of a job into the output folder; the segment's path.
    QString segment(const QStringList& job, const QString& range) {
        return renderInto(QStringLiteral("out"), job + QStringList{"--frames", range},
                          mComposition);
    }

    // Encodes `source` again with ffmpeg `arguments`, keeping its description, in place of
    // `target`.
    static void reencode(const QString& source, const QStringList& arguments,
                         const QString& target) {
        const QString copy = source + QStringLiteral(".source.mov");
        ASSERT_TRUE(QFile::rename(source, copy));
        ASSERT_TRUE(runFfmpeg(QStringList{"-i", copy, "-map_metadata", "0"} + arguments << target));
        QFile::remove(copy);
    }
};

const QStringList kJob{"--size", "64x48", "--fps", "30", "--duration", "1"};

TEST_F(RenderJoinToolTest, EachSegmentMustHoldTheJobsAnimationVideo) {
    expectRefused({"--frames", "0:9", "--format", "h264", "--output", mOutput, mComposition},
                  QStringLiteral("give --format to --join"), 2);

    const QString first = segment(kJob, "0:14");
    const QString second = segment(kJob, "15:30");
    const QString kept = second + QStringLiteral(".kept");
    ASSERT_TRUE(QFile::copy(second, kept));
    const auto restore = [&] {
        QFile::remove(second);
        ASSERT_TRUE(QFile::copy(kept, second));
    };
    // Smaller pictures under the job's description.
    reencode(second, {"-vf", "scale=32:24", "-c:v", "qtrle", "-pix_fmt", "argb"}, second);
    expectJoinRefused({first, second}, QStringLiteral("holds 32x24 pictures, not 64x48"));
    restore();
    reencode(second, {"-c:v", "mpeg4"}, second);
    expectJoinRefused({first, second}, QStringLiteral("holds mpeg4 video, not Animation"));
    restore();
    // More pictures than its range.
    reencode(second, {"-vf", "tpad=stop=2", "-c:v", "qtrle", "-pix_fmt", "argb"}, second);
    expectJoinRefused({first, second}, QStringLiteral("holds 18 frames, not frames 15 to 30"));
    restore();
    const ToolRun joined = join(QStringLiteral("joined"), {first, second});
    EXPECT_EQ(joined.status, 0) << joined.err.toStdString();
}

TEST_F(RenderJoinToolTest, ADamagedSegmentFailsTheJoinNamingItsFrame) {
    const QString first = segment(kJob, "0:14");
    const QString second = segment(kJob, "15:30");
    QFile file(second);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_GT(file.size(), 60 << 10);
    ASSERT_TRUE(file.seek(file.size() / 2 - (10 << 10)));
    ASSERT_EQ(file.write(QByteArray(20 << 10, char(0xFF))), 20 << 10);
    file.close();
    for (const QStringList& format : {QStringList{}, QStringList{"--format", "prores4444"}}) {
        SCOPED_TRACE(format.join(' ').toStdString());
        const ToolRun run = expectJoinRefused(format + QStringList{first, second},
                                              QFileInfo(second).fileName() + ": frame ");
        EXPECT_TRUE(run.err.contains(QStringLiteral("is damaged"))) << run.err.toStdString();
    }
}

TEST_F(RenderJoinToolTest, AStopWhileTheMovieIsWrittenRemovesWhatTheJoinWrote) {
    const QStringList job{"--size", "1280x720", "--fps", "30", "--duration", "3"};
    const QString first = segment(job, "0:44");
    const QString second = segment(job, "45:90");
    const QString joinFolder = folder(QStringLiteral("joined"));
    const QStringList temporaryBefore = filesUnder(mTool->temporaryFolder());
    // The flattener writes the movie under a hidden name next to its final one.
    const std::optional<ToolRun> stopped = mTool->runAndSignalWhen(
        {"--join", "--format", "prores4444", "--output", joinFolder, first, second},
        [&] {
            return !QDir(joinFolder)
                        .entryList({QStringLiteral(".*.partial")}, QDir::Files | QDir::Hidden)
                        .isEmpty();
        },
        SIGINT);
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->status, 130) << stopped->err.toStdString();
    EXPECT_EQ(stopped->err.trimmed(),
              QStringLiteral("lumenreel-render: stopped by Interrupt; no movie was written"));
    EXPECT_TRUE(stopped->out.isEmpty());
    EXPECT_TRUE(entries(joinFolder).isEmpty()) << entries(joinFolder).join(' ').toStdString();
    EXPECT_EQ(filesUnder(mTool->temporaryFolder()), temporaryBefore);
}

} // namespace
