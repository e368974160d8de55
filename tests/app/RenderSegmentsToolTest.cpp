// A job split by frame ranges and joined again gives the movie that one job gives; segments that
// do not make one job are refused.

#include "app/RenderToolRunner.h"
#include "platform/qtkit/MovieInspector.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <csignal>

namespace {

using lumenreel::test::decodeVideoFrames;
using lumenreel::test::InspectedMovie;
using lumenreel::test::inspectMovie;
using lumenreel::test::RenderToolTest;
using lumenreel::test::resource;
using lumenreel::test::runFfmpeg;
using lumenreel::test::ToolRun;

// 31 frames: 1 s at 30 fps.
const QStringList kJob{"--size", "32x24", "--fps", "30", "--duration", "1"};
constexpr int kFrames = 31;

class RenderSegmentsToolTest : public RenderToolTest {
protected:
    // Renders `ranges` of the job into a folder of their own and joins them; the joined movie's
    // path, or an empty string.
    QString renderInPieces(const QString& composition, const QList<QPair<int, int>>& ranges,
                           const QString& folder) {
        const QString out = mHome.filePath(folder);
        QDir().mkpath(out);
        QStringList segments;
        for (const auto& [first, last] : ranges) {
            const ToolRun run = mTool->run(
                QStringList(kJob) << "--frames" << QStringLiteral("%1:%2").arg(first).arg(last)
                                  << "--output" << out << composition);
            EXPECT_EQ(run.status, 0) << run.err.toStdString();
            segments.append(run.out.trimmed());
        }
        const ToolRun join =
            mTool->run(QStringList{"--join", "--audio", mSound, "--output", out} + segments);
        EXPECT_EQ(join.status, 0) << join.err.toStdString();
        return join.status == 0 ? join.out.trimmed() : QString();
    }

    // The sound track's samples, as FFmpeg decodes them.
    static QByteArray soundChecksum(const QString& movie) {
        const QString sum = movie + QStringLiteral(".md5");
        EXPECT_TRUE(runFfmpeg({"-i", movie, "-map", "0:a", "-f", "md5", sum}));
        QFile file(sum);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void expectSameMovie(const QString& whole, const QString& joined) {
        const InspectedMovie a = inspectMovie(whole);
        const InspectedMovie b = inspectMovie(joined);
        ASSERT_EQ(a.tracks.size(), b.tracks.size());
        for (qsizetype t = 0; t < a.tracks.size(); ++t) {
            EXPECT_EQ(a.tracks[t].mediaType, b.tracks[t].mediaType);
            EXPECT_EQ(a.tracks[t].codec, b.tracks[t].codec);
            EXPECT_EQ(a.tracks[t].packetPts.size(), b.tracks[t].packetPts.size());
            EXPECT_EQ(a.tracks[t].packetDurations, b.tracks[t].packetDurations);
        }
        const QList<QImage> expected = decodeVideoFrames(whole, 1);
        ASSERT_EQ(expected.size(), kFrames);
        EXPECT_TRUE(decodeVideoFrames(joined, 1) == expected);
        EXPECT_EQ(soundChecksum(whole), soundChecksum(joined));
    }

    QString wholeMovie(const QString& composition) {
        const QString out = mHome.filePath(QStringLiteral("whole"));
        QDir().mkpath(out);
        const ToolRun run = mTool->run(QStringList(kJob)
                                       << "--audio" << mSound << "--output" << out << composition);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        return run.out.trimmed();
    }

    QString mSound = resource(QStringLiteral("sounds/demo-arpeggio.m4a"));
};

TEST_F(RenderSegmentsToolTest, JoinedRangesGiveTheMovieOfOneJob) {
    // Feedback trails: each frame draws over the one before, so a range needs all earlier ones.
    const QString feedback = resource(QStringLiteral("compositions/FeedbackTrails.fs"));
    const QString whole = wholeMovie(feedback);
    const QList<QList<QPair<int, int>>> splits{
        {{0, 30}},
        {{0, 14}, {15, 30}},
        {{0, 2}, {3, 19}, {20, 21}, {22, 30}},
        {{0, 0}, {1, 5}, {6, 6}, {7, 13}, {14, 20}, {21, 29}, {30, 30}},
    };
    for (const QList<QPair<int, int>>& split : splits) {
        SCOPED_TRACE(split.size());
        const QString joined =
            renderInPieces(feedback, split, QStringLiteral("pieces-%1").arg(split.size()));
        ASSERT_FALSE(joined.isEmpty());
        expectSameMovie(whole, joined);
    }
    // A composition without kept buffers skips the frames before its range.
    const QString plain = resource(QStringLiteral("compositions/Aurora.fs"));
    QFile::remove(QDir(mHome.filePath("whole")).filePath("FeedbackTrails.mov"));
    expectSameMovie(wholeMovie(plain),
                    renderInPieces(plain, {{0, 9}, {10, 12}, {13, 30}}, QStringLiteral("plain")));
}

TEST_F(RenderSegmentsToolTest, AnInterruptedJobIsFinishedByTheRangeItMisses) {
    const QString feedback = resource(QStringLiteral("compositions/FeedbackTrails.fs"));
    const QStringList job{"--size", "320x240", "--fps", "30", "--duration", "10"};
    const std::optional<ToolRun> stopped = mTool->runAndSignal(
        QStringList(job) << "--audio" << mSound << "--output" << mOutput << feedback,
        QStringLiteral("Rendering:  20%"), SIGINT);
    ASSERT_TRUE(stopped);
    ASSERT_EQ(stopped->status, 130) << stopped->err.toStdString();
    const QString recording = mTool->trashFolder() + QStringLiteral("/FeedbackTrails.qt");
    ASSERT_TRUE(QFileInfo::exists(recording));

    // The recording alone: the join names the frames still to render.
    const ToolRun missing = mTool->run({"--join", "--output", mOutput, recording});
    EXPECT_EQ(missing.status, 1);
    const QRegularExpressionMatch range =
        QRegularExpression(QStringLiteral("frames (\\d+) to 300 are missing")).match(missing.err);
    ASSERT_TRUE(range.hasMatch()) << missing.err.toStdString();
    const ToolRun rest = mTool->run(QStringList(job) << "--frames" << range.captured(1) + ":300"
                                                     << "--output" << mOutput << feedback);
    ASSERT_EQ(rest.status, 0) << rest.err.toStdString();
    const ToolRun joined = mTool->run(
        {"--join", "--audio", mSound, "--output", mOutput, recording, rest.out.trimmed()});
    ASSERT_EQ(joined.status, 0) << joined.err.toStdString();

    const QString whole = mHome.filePath(QStringLiteral("whole"));
    QDir().mkpath(whole);
    const ToolRun one =
        mTool->run(QStringList(job) << "--audio" << mSound << "--output" << whole << feedback);
    ASSERT_EQ(one.status, 0) << one.err.toStdString();
    EXPECT_TRUE(decodeVideoFrames(joined.out.trimmed(), 1) ==
                decodeVideoFrames(one.out.trimmed(), 1));
    EXPECT_EQ(soundChecksum(joined.out.trimmed()), soundChecksum(one.out.trimmed()));
}

TEST_F(RenderSegmentsToolTest, SegmentsOfNoSingleJobAreRefused) {
    // A segment rendered into a folder of its own: the same range of two jobs has one name.
    const auto segment = [&](const QString& folder, const QString& range,
                             const QStringList& job = kJob, const QString& composition = {}) {
        const QString out = mHome.filePath(folder);
        QDir().mkpath(out);
        const ToolRun run =
            mTool->run(QStringList(job) << "--frames" << range << "--output" << out
                                        << (composition.isEmpty() ? mComposition : composition));
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        return run.out.trimmed();
    };
    const QString first = segment("mixed", "0:14");
    const QString second = segment("mixed", "15:30");
    const QString overlap = segment("mixed", "10:20");
    const QString tail = segment("mixed", "21:30");
    const QString otherSize =
        segment("wider", "15:30", {"--size", "48x24", "--fps", "30", "--duration", "1"});
    const QString otherRate =
        segment("faster", "15:31", {"--size", "32x24", "--fps", "31", "--duration", "1"});
    const QString changed = mHome.filePath(QStringLiteral("changed"));
    QDir().mkpath(changed);
    QFile::copy(mComposition, changed + "/Plain.fs");
    QFile edit(changed + "/Plain.fs");
    ASSERT_TRUE(edit.open(QIODevice::Append));
    edit.write("\n// edited\n");
    edit.close();
    const QString otherComposition = segment("changed", "15:30", kJob, changed + "/Plain.fs");

    const QString joinFolder = mHome.filePath(QStringLiteral("joined"));
    QDir().mkpath(joinFolder);
    const std::pair<QStringList, QString> cases[] = {
        {{first}, "frames 15 to 30 are missing"},
        {{second}, "frames 0 to 14 are missing"},
        {{first, overlap, tail}, "overlaps the frames before it (from frame 10)"},
        {{first, otherSize}, "is 48x24, the others 32x24"},
        {{first, otherRate}, "of another rate or length"},
        {{first, otherComposition}, "of another composition"},
        {{first, mComposition}, "not a segment"},
    };
    for (const auto& [segments, reason] : cases) {
        const ToolRun run = mTool->run(QStringList{"--join", "--output", joinFolder} + segments);
        EXPECT_EQ(run.status, 1) << reason.toStdString();
        EXPECT_TRUE(run.err.contains(reason)) << run.err.toStdString();
        EXPECT_EQ(run.err.trimmed().count(QLatin1Char('\n')), 0) << run.err.toStdString();
        EXPECT_TRUE(entries(joinFolder).isEmpty());
    }
    expectRefused({"--frames", "0:31", "--size", "32x24", "--duration", "1", "--output", mOutput,
                   mComposition},
                  QStringLiteral("within the job's 31 frames"), 2);
    expectRefused({"--frames", "0:3", "--audio", mSound, "--output", mOutput, mComposition},
                  QStringLiteral("give --audio to --join"), 2);
}

} // namespace
