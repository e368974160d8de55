// The join checks the video it takes, not only what segments say of themselves, and stops as a
// job stops.

#include "app/RenderToolRunner.h"
#include "platform/qtkit/MovieInspector.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <csignal>

namespace {

using lumenreel::test::RenderToolTest;
using lumenreel::test::runFfmpeg;
using lumenreel::test::ToolRun;

class RenderJoinToolTest : public RenderToolTest {
protected:
    // Renders frames `range` of a job into the output folder; the segment's path.
    QString segment(const QStringList& job, const QString& range) {
        const ToolRun run = mTool->run(QStringList(job) << "--frames" << range << "--output"
                                                        << mOutput << mComposition);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        return run.out.trimmed();
    }

    // Joins `segments` into a folder of its own; the run.
    ToolRun join(const QStringList& segments, const QStringList& options = {}) {
        QDir().mkpath(joinFolder());
        mTemporaryBefore = filesUnder(mTool->temporaryFolder());
        return mTool->run(QStringList{"--join", "--output", joinFolder()} + options + segments);
    }
    QString joinFolder() const { return mHome.filePath(QStringLiteral("joined")); }

    // A refused join: one line naming `reason`, exit 1, nothing written.
    void expectJoinRefused(const ToolRun& run, const QString& reason) {
        EXPECT_EQ(run.status, 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(reason)) << run.err.toStdString();
        EXPECT_EQ(run.err.trimmed().count(QLatin1Char('\n')), 0) << run.err.toStdString();
        EXPECT_TRUE(entries(joinFolder()).isEmpty())
            << entries(joinFolder()).join(' ').toStdString();
        EXPECT_EQ(filesUnder(mTool->temporaryFolder()), mTemporaryBefore);
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

    static QStringList filesUnder(const QString& folder) {
        QStringList files;
        for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             it.hasNext();)
            files.append(it.next());
        files.sort();
        return files;
    }

    QStringList mTemporaryBefore;
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
    expectJoinRefused(join({first, second}), QStringLiteral("holds 32x24 pictures, not 64x48"));
    restore();
    reencode(second, {"-c:v", "mpeg4"}, second);
    expectJoinRefused(join({first, second}), QStringLiteral("holds mpeg4 video, not Animation"));
    restore();
    // More pictures than its range.
    reencode(second, {"-vf", "tpad=stop=2", "-c:v", "qtrle", "-pix_fmt", "argb"}, second);
    expectJoinRefused(join({first, second}),
                      QStringLiteral("holds 18 frames, not frames 15 to 30"));
    restore();
    const ToolRun joined = join({first, second});
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
        const ToolRun run = join({first, second}, format);
        expectJoinRefused(run, QFileInfo(second).fileName() + QStringLiteral(": frame "));
        EXPECT_TRUE(run.err.contains(QStringLiteral("is damaged"))) << run.err.toStdString();
    }
}

TEST_F(RenderJoinToolTest, AStopWhileTheMovieIsWrittenRemovesWhatTheJoinWrote) {
    const QStringList job{"--size", "1280x720", "--fps", "30", "--duration", "3"};
    const QString first = segment(job, "0:44");
    const QString second = segment(job, "45:90");
    QDir().mkpath(joinFolder());
    const QStringList temporaryBefore = filesUnder(mTool->temporaryFolder());
    // The flattener writes the movie under a hidden name next to its final one.
    const std::optional<ToolRun> stopped = mTool->runAndSignalWhen(
        {"--join", "--format", "prores4444", "--output", joinFolder(), first, second},
        [&] {
            return !QDir(joinFolder())
                        .entryList({QStringLiteral(".*.partial")}, QDir::Files | QDir::Hidden)
                        .isEmpty();
        },
        SIGINT);
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->status, 130) << stopped->err.toStdString();
    EXPECT_EQ(stopped->err.trimmed(),
              QStringLiteral("lumenreel-render: stopped by Interrupt; no movie was written"));
    EXPECT_TRUE(stopped->out.isEmpty());
    EXPECT_TRUE(entries(joinFolder()).isEmpty()) << entries(joinFolder()).join(' ').toStdString();
    EXPECT_EQ(filesUnder(mTool->temporaryFolder()), temporaryBefore);
}

} // namespace
