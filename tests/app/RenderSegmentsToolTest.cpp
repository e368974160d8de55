// A job split by frame ranges and joined again gives the movie that one job gives; segments that
// do not make one job are refused. The join checks the video it takes, not only what segments say
// of themselves, and stops as a job stops.

#include "app/RenderToolRunner.h"

#include <QRegularExpression>

#include <csignal>

namespace {

using namespace lumenreel::test;

// 31 frames: 1 s at 30 fps.
const QStringList kJob{"--size", "32x24", "--fps", "30", "--duration", "1"};
constexpr int kFrames = 31;

class RenderSegmentsToolTest : public RenderToolTest {
protected:
    // A folder under the home folder, made on the way.
    QString folder(const QString& name) const {
        QDir().mkpath(mHome.filePath(name));
        return mHome.filePath(name);
    }
    // Renders `composition` with `options` into the folder `name`; the movie's path.
    QString renderInto(const QString& name, const QStringList& options,
                       const QString& composition) const {
        return expectRuns(options + QStringList{"--output", folder(name), composition})
            .out.trimmed();
    }
    // Renders frames `range` of `job` of Plain.fs into the folder `out`; the segment's path.
    QString segment(const QString& out, const QString& range, const QStringList& job = kJob) {
        return renderInto(out, job + QStringList{"--frames", range}, mComposition);
    }
    // Joins with `arguments` (options, then segments) into the folder `name`.
    ToolRun join(const QString& name, const QStringList& arguments) const {
        return runTool(QStringList{"--join", "--output", folder(name)} + arguments);
    }
    // A join with `arguments` is refused with `reason` in one line, leaving nothing in its folder
    // nor among the temporary files.
    ToolRun expectJoinRefused(const QStringList& arguments, const QString& reason) {
        const QStringList temporaryBefore = filesUnder(temporaryFolder());
        const ToolRun run = join(QStringLiteral("refused"), arguments);
        EXPECT_EQ(run.status, 1) << reason.toStdString();
        EXPECT_TRUE(run.err.contains(reason)) << run.err.toStdString();
        EXPECT_EQ(run.err.trimmed().count(QLatin1Char('\n')), 0) << run.err.toStdString();
        EXPECT_TRUE(entries(folder(QStringLiteral("refused"))).isEmpty());
        EXPECT_EQ(filesUnder(temporaryFolder()), temporaryBefore);
        return run;
    }

    // Renders `ranges` of the job into the folder `out` and joins them; the joined movie's
    // path, or an empty string.
    QString renderInPieces(const QString& composition, const QList<QPair<int, int>>& ranges,
                           const QString& out, const QStringList& options = {}) {
        QStringList segments{"--audio", mSound};
        for (const auto& [first, last] : ranges) {
            segments << renderInto(
                out,
                kJob + options +
                    QStringList{"--frames", QStringLiteral("%1:%2").arg(first).arg(last)},
                composition);
        }
        const ToolRun joined = join(out, segments);
        EXPECT_EQ(joined.status, 0) << joined.err.toStdString();
        return joined.status == 0 ? joined.out.trimmed() : QString();
    }

    // The sound track's samples, as FFmpeg decodes them.
    static QByteArray soundChecksum(const QString& movie) {
        const QString sum = movie + QStringLiteral(".md5");
        EXPECT_TRUE(runFfmpeg({"-i", movie, "-map", "0:a", "-f", "md5", sum}));
        return contentsOf(sum);
    }

    void expectSameMovie(const QString& whole, const QString& joined, int frames = kFrames) {
        const InspectedMovie a = inspectMovie(whole);
        const InspectedMovie b = inspectMovie(joined);
        ASSERT_EQ(a.tracks.size(), b.tracks.size());
        for (qsizetype t = 0; t < a.tracks.size(); ++t) {
            EXPECT_EQ(a.tracks[t].mediaType, b.tracks[t].mediaType);
            EXPECT_EQ(a.tracks[t].codec, b.tracks[t].codec);
            EXPECT_EQ(a.tracks[t].packetDurations, b.tracks[t].packetDurations);
        }
        const QList<QImage> expected = decodeVideoFrames(whole, 1);
        ASSERT_EQ(expected.size(), frames);
        EXPECT_TRUE(decodeVideoFrames(joined, 1) == expected);
        EXPECT_EQ(soundChecksum(whole), soundChecksum(joined));
    }

    QString wholeMovie(const QString& composition, const QStringList& job = kJob) {
        return renderInto(QStringLiteral("whole"), job + QStringList{"--audio", mSound},
                          composition);
    }

    QString mSound = resource(QStringLiteral("sounds/demo-arpeggio.m4a"));
};

TEST_F(RenderSegmentsToolTest, JoinedRangesGiveTheMovieOfOneJob) {
    // Feedback trails: each frame draws over the one before, so a range needs all earlier ones.
    const QString feedback = resource(QStringLiteral("compositions/FeedbackTrails.fs"));
    const QString whole = wholeMovie(feedback);
    const QList<QList<QPair<int, int>>> splits{
        {{0, 30}},
        {{0, 0}, {1, 5}, {6, 6}, {7, 13}, {14, 20}, {21, 29}, {30, 30}},
    };
    for (const QList<QPair<int, int>>& split : splits) {
        SCOPED_TRACE(split.size());
        const QString joined =
            renderInPieces(feedback, split, QStringLiteral("pieces-%1").arg(split.size()));
        ASSERT_FALSE(joined.isEmpty());
        expectSameMovie(whole, joined);
    }
    // (A composition without kept buffers, which skips the frames before its range, is the
    // sound-driven split's.)
}

TEST_F(RenderSegmentsToolTest, AnInterruptedJobIsFinishedByTheRangeItMisses) {
    const QString feedback = resource(QStringLiteral("compositions/FeedbackTrails.fs"));
    const QStringList job{"--size", "320x240", "--fps", "30", "--duration", "10"};
    const std::optional<ToolRun> stopped =
        runAndSignal(QStringList(job) << "--audio" << mSound << "--output" << mOutput << feedback,
                     QStringLiteral("Rendering:  20%"), SIGINT);
    ASSERT_TRUE(stopped);
    ASSERT_EQ(stopped->status, 130) << stopped->err.toStdString();
    const QString recording = trashFolder() + QStringLiteral("/FeedbackTrails.qt");
    ASSERT_TRUE(QFileInfo::exists(recording));

    // The recording alone: the join names the frames still to render.
    const ToolRun missing = runTool({"--join", "--output", mOutput, recording});
    EXPECT_EQ(missing.status, 1);
    const QRegularExpressionMatch range =
        QRegularExpression(QStringLiteral("frames (\\d+) to 300 are missing")).match(missing.err);
    ASSERT_TRUE(range.hasMatch()) << missing.err.toStdString();
    const QString rest = renderInto(
        QStringLiteral("out"), job + QStringList{"--frames", range.captured(1) + ":300"}, feedback);
    const ToolRun joined =
        runTool({"--join", "--audio", mSound, "--output", mOutput, recording, rest});
    ASSERT_EQ(joined.status, 0) << joined.err.toStdString();
    expectSameMovie(wholeMovie(feedback, job), joined.out.trimmed(), 301);
}

TEST_F(RenderSegmentsToolTest, SegmentsOfNoSingleJobAreRefused) {
    // Each job's segments in a folder of their own: the same range of two jobs has one name.
    const QString first = segment("mixed", "0:14");
    const QString second = segment("mixed", "15:30");
    const QString overlap = segment("mixed", "10:20");
    const QString tail = segment("mixed", "21:30");
    const QString otherSize =
        segment("wider", "15:30", {"--size", "48x24", "--fps", "30", "--duration", "1"});
    const QString otherRate =
        segment("faster", "15:31", {"--size", "32x24", "--fps", "31", "--duration", "1"});
    const QString edited =
        writeFile("changed/Plain.fs", contentsOf(mComposition) + "\n// edited\n");
    const QString otherComposition =
        renderInto(QStringLiteral("changed"), kJob + QStringList{"--frames", "15:30"}, edited);

    const std::pair<QStringList, QString> cases[] = {
        {{first}, "frames 15 to 30 are missing"},
        {{second}, "frames 0 to 14 are missing"},
        {{first, overlap, tail}, "overlaps the frames before it (from frame 10)"},
        {{first, otherSize}, "is 48x24, the others 32x24"},
        {{first, otherRate}, "of another rate or length"},
        {{first, otherComposition}, "of another composition"},
        {{first, mComposition}, "not a segment"},
    };
    for (const auto& [segments, reason] : cases)
        expectJoinRefused(segments, reason);
}

TEST_F(RenderSegmentsToolTest, ASoundDrivenJobSplitHearsTheJobsSound) {
    const QString bars = resource(QStringLiteral("compositions/SpectrumBars.fs"));
    const QString joined = renderInPieces(bars, {{0, 9}, {10, 11}, {12, 30}},
                                          QStringLiteral("bars"), {"--audio", mSound});
    ASSERT_FALSE(joined.isEmpty());
    expectSameMovie(wholeMovie(bars), joined);

    // A segment is video only, and its pictures go with the sound they heard only.
    const QDir pieces(mHome.filePath(QStringLiteral("bars")));
    const QString first = pieces.filePath(QStringLiteral("SpectrumBars.frames-0-9.mov"));
    const InspectedMovie segment = inspectMovie(first);
    ASSERT_EQ(segment.tracks.size(), 1);
    EXPECT_EQ(segment.tracks.first().mediaType, QStringLiteral("video"));
    const QString other = lavfi("other.m4a", "sine=frequency=440:duration=2", {"-c:a", "aac"});
    const QStringList segments{first, pieces.filePath("SpectrumBars.frames-10-11.mov"),
                               pieces.filePath("SpectrumBars.frames-12-30.mov")};
    expectJoinRefused(segments, "rendered hearing a sound: give it with --audio");
    expectJoinRefused(QStringList{"--audio", other} + segments,
                      "other.m4a is not the sound the segments were rendered hearing");
    // A range that heard another sound is of another job.
    const QString heardOther = renderInto(
        QStringLiteral("other"), kJob + QStringList{"--audio", other, "--frames", "10:30"}, bars);
    expectJoinRefused({"--audio", mSound, first, heardOther}, "was rendered hearing another sound");
}

TEST_F(RenderSegmentsToolTest, RangesThatReadDifferentFilesAreOfDifferentJobs) {
    // A composition that imports a picture, has a companion vertex shader and an image input.
    const auto picture = [&](const QString& name, QRgb colour) {
        writePicture(mHome.filePath("reads/" + name), {4, 4}, colour);
    };
    const QString composition = writeFile(
        "reads/Reads.fs",
        "/*{ \"ISFVSN\": \"2\", \"INPUTS\": [ { \"NAME\": \"feed\", \"TYPE\": "
        "\"image\" } ],\n"
        "    \"IMPORTED\": { \"tile\": { \"PATH\": \"tile.png\" } } }*/\n"
        "void main() { gl_FragColor = 0.5 * IMG_NORM_PIXEL(tile, isf_FragNormCoord) +\n"
        "                             0.5 * IMG_NORM_PIXEL(feed, isf_FragNormCoord); }\n");
    const QByteArray vertex = "void main() { isf_vertShaderInit(); }\n";
    writeFile("reads/Reads.vs", vertex);
    picture(QStringLiteral("tile.png"), qRgb(255, 0, 0));
    picture(QStringLiteral("feed.png"), qRgb(0, 0, 255));
    const QStringList job =
        kJob + QStringList{"--input", "feed=" + mHome.filePath(QStringLiteral("reads/feed.png"))};
    // Both ranges of the job into the folder `out`.
    const auto ranges = [&](const QString& out) {
        return QStringList{renderInto(out, job + QStringList{"--frames", "0:14"}, composition),
                           renderInto(out, job + QStringList{"--frames", "15:30"}, composition)};
    };
    const QStringList before = ranges(QStringLiteral("before"));
    picture(QStringLiteral("tile.png"), qRgb(0, 255, 0));
    const QStringList tile = ranges(QStringLiteral("tile"));
    writeFile("reads/Reads.vs", vertex + "// edited\n");
    const QStringList edited = ranges(QStringLiteral("vertex"));
    picture(QStringLiteral("feed.png"), qRgb(0, 0, 128));
    const QStringList feed = ranges(QStringLiteral("feed"));
    // Ranges on either side of one change (the imported picture, the companion vertex shader,
    // the input's file) are of different jobs; ranges of unchanged files make one job.
    const QString reason = QStringLiteral("of another composition or other input");
    expectJoinRefused({before[0], tile[1]}, reason);
    expectJoinRefused({tile[0], edited[1]}, reason);
    expectJoinRefused({edited[0], feed[1]}, reason);
    const ToolRun same = join(QStringLiteral("joined"), feed);
    EXPECT_EQ(same.status, 0) << same.err.toStdString();
}

// Pictures of 64x48: a segment of 16 frames outgrows the 60 kB the damage test spoils.
const QStringList kLargerJob{"--size", "64x48", "--fps", "30", "--duration", "1"};

TEST_F(RenderSegmentsToolTest, EachSegmentMustHoldTheJobsAnimationVideo) {
    const QString first = segment("out", "0:14", kLargerJob);
    const QString second = segment("out", "15:30", kLargerJob);
    const QString kept = second + QStringLiteral(".kept.mov");
    ASSERT_TRUE(QFile::copy(second, kept));
    // The segment encoded again with FFmpeg, keeping its description: smaller pictures, another
    // codec, more pictures than its range.
    const std::pair<QStringList, QString> changes[] = {
        {{"-vf", "scale=32:24", "-c:v", "qtrle", "-pix_fmt", "argb"},
         "holds 32x24 pictures, not 64x48"},
        {{"-c:v", "mpeg4"}, "holds mpeg4 video, not Animation"},
        {{"-vf", "tpad=stop=2", "-c:v", "qtrle", "-pix_fmt", "argb"},
         "holds 18 frames, not frames 15 to 30"},
    };
    for (const auto& [arguments, reason] : changes) {
        ASSERT_TRUE(runFfmpeg(QStringList{"-i", kept, "-map_metadata", "0"} + arguments << second));
        expectJoinRefused({first, second}, reason);
    }
    ASSERT_TRUE(QFile::remove(second) && QFile::copy(kept, second));
    const ToolRun joined = join(QStringLiteral("joined"), {first, second});
    EXPECT_EQ(joined.status, 0) << joined.err.toStdString();
}

TEST_F(RenderSegmentsToolTest, ADamagedSegmentFailsTheJoinNamingItsFrame) {
    const QString first = segment("out", "0:14", kLargerJob);
    const QString second = segment("out", "15:30", kLargerJob);
    QFile file(second);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_GT(file.size(), 60 << 10);
    ASSERT_TRUE(file.seek(file.size() / 2 - (10 << 10)));
    ASSERT_EQ(file.write(QByteArray(20 << 10, char(0xFF))), 20 << 10);
    file.close();
    // (Encoded again, as with --format, the join fails the same way: the video join's test.)
    const ToolRun run =
        expectJoinRefused({first, second}, QFileInfo(second).fileName() + ": frame ");
    EXPECT_TRUE(run.err.contains(QStringLiteral("is damaged"))) << run.err.toStdString();
}

TEST_F(RenderSegmentsToolTest, AStopWhileTheMovieIsWrittenRemovesWhatTheJoinWrote) {
    const QStringList job{"--size", "1280x720", "--fps", "30", "--duration", "3"};
    const QString first = segment("out", "0:44", job);
    const QString second = segment("out", "45:90", job);
    const QString joinFolder = folder(QStringLiteral("joined"));
    const QStringList temporaryBefore = filesUnder(temporaryFolder());
    // The flattener writes the movie under a hidden name next to its final one.
    const std::optional<ToolRun> stopped = runAndAct(
        {"--join", "--format", "prores4444", "--output", joinFolder, first, second},
        [&](const QString&) {
            return !QDir(joinFolder)
                        .entryList({QStringLiteral(".*.partial")}, QDir::Files | QDir::Hidden)
                        .isEmpty();
        },
        [](qint64 pid) { ::kill(pid_t(pid), SIGINT); });
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->status, 130) << stopped->err.toStdString();
    EXPECT_EQ(stopped->err.trimmed(),
              QStringLiteral("lumenreel-render: stopped by Interrupt; no movie was written"));
    EXPECT_TRUE(stopped->out.isEmpty());
    EXPECT_TRUE(entries(joinFolder).isEmpty()) << entries(joinFolder).join(' ').toStdString();
    EXPECT_EQ(filesUnder(temporaryFolder()), temporaryBefore);
}

} // namespace
